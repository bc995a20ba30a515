#include "app/user_levels.hpp"

#include "app/startup.hpp"
#include "app/station.hpp"
#include "core/text.hpp"

namespace orbek::app {

std::vector<std::string> accessWords(Station& s) {
    const auto path = s.paths.userFile("Name.inc");
    std::vector<std::string> defaults;
    for (const DefaultFile& f : defaultFiles())
        if (f.name == "Name.inc")
            for (const std::string& line : f.lines)
                defaults.push_back(line.substr(1, line.size() - 2));
    auto words = s.configItems(path);
    if (!words) {
        s.reportFileProblem(path, "read", "the default access words are used");
        return defaults;
    }
    if (words->size() < defaults.size()) {
        s.reportShortFile(path, "holds " + std::to_string(words->size()) + " of " +
                                    std::to_string(defaults.size()) +
                                    " access words: the default is used for the rest");
        for (std::size_t i = words->size(); i < defaults.size(); ++i)
            words->push_back(defaults[i]);
    }
    return *words;
}

void applyLevelMenus(Station& s) {
    StartWindow& w = s.Start();
    const bool service = s.state.ServiceLevel != 0;
    w.mnPCom.visible = service;
    w.mnufonctions.visible = service;
    w.mnuCode.visible = service;
    w.mnuPEMUser.visible = service;
    w.mnuPESERVICE.visible = !service;
    w.mnuEnregistrer.visible = service;
}

void showPasswordBox(Station& s) {
    StartWindow& w = s.Start();
    w.Picture8.visible = true;
    w.Picture8.left = (w.width - StartWindow::kPasswordBoxWidth) / 3;
    w.Picture8.top = (w.height - StartWindow::kPasswordBoxHeight) / 3;
    w.Timer13.start();
}

void Timer13_Tick(Station& s) {
    StartWindow& w = s.Start();
    w.setFocus("Text1");
    w.Timer13.stop();
}

namespace {

void closePasswordBox(StartWindow& w) {
    w.Text1.caption.clear();
    w.Picture8.visible = false;
    w.AnnulerStart.visible = false;
}

} // namespace

void OkStart_Click(Station& s) {
    StationState& st = s.state;
    const std::vector<std::string> words = accessWords(s);
    StartWindow& w = s.Start();
    const int16_t level = st.ServiceLevel;
    // Case does not count; blanks do.
    const std::string typed = toUpper(w.Text1.caption);
    st.ServiceLevel = 2;
    if (toUpper(words[0]) == typed) st.ServiceLevel = 0;
    if (toUpper(words[1]) == typed) st.ServiceLevel = 1;
    if (st.ServiceLevel == 2) {
        if (!w.wordAccepted) {
            s.endProgram("wrong access word");
            return;
        }
        // Asked for again during a session (a lamp may be burning under the holder alarm's
        // watch): a wrong word must not end the station, it keeps its level.
        st.ServiceLevel = level;
        closePasswordBox(w);
        if (!typed.empty())
            s.ui.message({" Caution !", "Wrong access word", MsgIcon::Exclamation, MsgButtons::Ok});
        return;
    }
    w.wordAccepted = true;
    w.mnuDatalogger.enabled = true;
    applyLevelMenus(s);
    s.Parametres().Check1.visible = st.ServiceLevel != 0;
    closePasswordBox(w);
}

void AnnulerStart_Click(Station& s) {
    StartWindow& w = s.Start();
    if (w.AnnulerStart.visible) closePasswordBox(w);
}

void mnuPESERVICE_Click(Station& s) {
    showPasswordBox(s);
    s.Start().AnnulerStart.visible = s.Start().wordAccepted;
}

void mnuPEMUser_Click(Station& s) {
    s.state.ServiceLevel = 0;
    applyLevelMenus(s);
}

} // namespace orbek::app
