// The parameter window: machine parameters read from and written to the controller, its
// clock, the detector coefficients, the temperature unit and the sample-holder alarm switch.
// Modeless; the close box unloads the window, which saves changed coefficients.
#pragma once

#include "qt/code_views.hpp"

namespace orbek::qt {

class ParametresView : public ModelDialog {
    Q_OBJECT
  public:
    ParametresView(Station& station, QWidget* parent);

  private:
    QWidget* textBox(const std::string& name, const QString& accessible);
    QWidget* button(const std::string& name);
};

} // namespace orbek::qt
