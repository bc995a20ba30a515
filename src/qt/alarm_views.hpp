// The sample-holder warning (modal) and the information window shown over its cell.
#pragma once

#include "qt/code_views.hpp"

namespace orbek::qt {

class AlarmHolderView : public ModelDialog {
    Q_OBJECT
  public:
    AlarmHolderView(Station& station, QWidget* parent);
};

class FenInfoHolderView : public ModelDialog {
    Q_OBJECT
  public:
    FenInfoHolderView(Station& station, QWidget* parent);

  protected:
    void reject() override; // the close box hides it as moving off the cell does
};

} // namespace orbek::qt
