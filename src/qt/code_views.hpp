// Views of the two reference windows: the communication codes and the error codes. Modeless,
// shown while their models are shown; the close box does what their "Quit" button does.
#pragma once

#include "qt/control_view.hpp"

#include <QDialog>

#include <functional>
#include <map>
#include <string>

class QListView;

namespace orbek {
class Station;
class WindowModel;
} // namespace orbek

namespace orbek::qt {

// What both windows share: one dialog per model, its controls rendered by name.
class ModelDialog : public QDialog {
    Q_OBJECT
  public:
    ModelDialog(Station& station, WindowModel& model, std::string quitButton, QWidget* parent);
    // Follows the model: shown, placed, controls rendered; hidden once it is unloaded.
    virtual void render();
    // Renders every view after one of this window's handlers ran; set by the main view.
    std::function<void()> renderAll;
    // Where the window appears (its top left on the screen), when the view decides it.
    std::function<QPoint()> anchor;

  protected:
    void reject() override; // the close box and Escape
    QWidget* addControlWidget(QWidget* widget, const std::string& name);
    void fire(const std::string& event);
    void place();

    Station& station_;
    WindowModel& model_;
    std::string quitButton_;
    // The widgets by control name while the view is built; bound to their controls at the first
    // render, which from then on draws only what changed.
    std::map<std::string, QWidget*> widgets_;
    ControlWidgets controls_;
    bool bound_ = false;
    int placedLeft_ = 0;
};

class CodeDialogueView : public ModelDialog {
    Q_OBJECT
  public:
    CodeDialogueView(Station& station, QWidget* parent);
    void render() override;

  private:
    ListItemsModel* lines_ = nullptr;
};

class CodeserreursView : public ModelDialog {
    Q_OBJECT
  public:
    CodeserreursView(Station& station, QWidget* parent);
};

} // namespace orbek::qt
