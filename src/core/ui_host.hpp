// What the station asks of the screen: message boxes, the file dialog, modal windows and the
// end of the program. A modal call returns when the box or window closes; meanwhile timers and
// serial events keep running, so behaviour must stay sound when handlers nest.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orbek {

class WindowModel;

enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };

struct MessageBox {
    std::string title;
    std::string text;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
};

struct FileDialogRequest {
    std::string title;
    std::string filter; // "Text (*.txt)" and the like
    std::string initialFolder;
    std::string defaultName;
};

class UiHost {
  public:
    virtual ~UiHost() = default;
    virtual MsgAnswer message(const MessageBox& box) = 0;
    // Shows `window` modal and returns once it is hidden or unloaded.
    virtual void runModal(WindowModel& window) = 0;
    virtual std::optional<std::string> saveFileDialog(const FileDialogRequest& request) = 0;
    // The program ends once the current handler returns.
    virtual void endProgram() = 0;
    // Something the views show may have changed.
    virtual void changed() {}
};

} // namespace orbek
