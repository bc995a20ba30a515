#include "app/startup.hpp"

#include "app/port_selection.hpp"
#include "app/station.hpp"
#include "core/files.hpp"

namespace orbek::app {

void Form_Load(Station& s) {
    const auto status = s.appFile("status.ini");
    if (!files::exists(status)) {
        std::string why;
        if (!files::writeLines(status, {"2"}, &why)) s.reportFileProblem(status, "created", why);
        s.ui.message({" Attention !",
                      "Please Parametrate COM Ports.  \r\n No COM Port Was Assignated !",
                      MsgIcon::Critical, MsgButtons::Ok});
    }
    Lecture_MSCOM(s);
}

} // namespace orbek::app
