// The data logger dialog: modal over the main window while it is open; its four steps top to
// bottom, every widget named after its control.
#pragma once

#include "qt/code_views.hpp"

#include <cstdint>
#include <string>
#include <vector>

class QAbstractButton;
class QListWidget;

namespace orbek::qt {

class DataLoggerView : public ModelDialog {
    Q_OBJECT
  public:
    DataLoggerView(Station& station, QWidget* parent);
    void render() override;

  private:
    QWidget* buildFileStep();
    QWidget* buildSensorStep();
    QWidget* buildIntervalStep();
    QWidget* buildStartStep();

    struct Choice {
        ChoiceGroup* group;
        const ControlArray* options;
        std::vector<QAbstractButton*> buttons;
    };
    std::vector<Choice> choices_; // the file type and the separator
    ChoiceGroup* intervals_ = nullptr;
    std::vector<QAbstractButton*> intervalButtons_;
    QListWidget* files_ = nullptr;
    uint64_t filesShown_ = ~uint64_t{0};
    uint64_t focusRequest_ = 0;
};

} // namespace orbek::qt
