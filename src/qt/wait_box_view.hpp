// The cooling wait box: shown modal over the main window while the lamp cools down.
#pragma once

#include "qt/code_views.hpp"

namespace orbek::qt {

class BoitestopView : public ModelDialog {
    Q_OBJECT
  public:
    BoitestopView(Station& station, QWidget* parent);
};

} // namespace orbek::qt
