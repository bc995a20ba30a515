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

void OkStart_Click(Station& s) {
    StationState& st = s.state;
    const std::vector<std::string> words = accessWords(s);
    StartWindow& w = s.Start();
    // Case does not count; blanks do.
    const std::string typed = toUpper(w.Text1.caption);
    st.ServiceLevel = 2;
    if (toUpper(words[0]) == typed) st.ServiceLevel = 0;
    if (toUpper(words[1]) == typed) st.ServiceLevel = 1;
    if (st.ServiceLevel == 2) {
        s.endProgram("wrong access word");
        return;
    }
    w.mnuDatalogger.enabled = true;
    applyLevelMenus(s);
    s.Parametres().Check1.visible = st.ServiceLevel != 0;
    w.Text1.caption.clear();
    w.Picture8.visible = false;
}

void mnuPESERVICE_Click(Station& s) {
    showPasswordBox(s);
}

void mnuPEMUser_Click(Station& s) {
    s.state.ServiceLevel = 0;
    applyLevelMenus(s);
}

} // namespace orbek::app
