// Views of the two maintenance windows: the wear counters (modeless) and the component tests
// (modal over the main window; its model's modal loop is the host's).
#pragma once

#include "qt/code_views.hpp"

#include <cstdint>

namespace orbek::qt {

class UsuresView : public ModelDialog {
    Q_OBJECT
  public:
    UsuresView(Station& station, QWidget* parent);
    void render() override;

  private:
    uint64_t focusRequest_ = 0;
};

class TestsMVView : public ModelDialog {
    Q_OBJECT
  public:
    TestsMVView(Station& station, QWidget* parent);
    void render() override;

  private:
    ListItemsModel* motor_ = nullptr;
    ListItemsModel* fans_ = nullptr;
};

} // namespace orbek::qt
