// The view of the main window `Start`: built once from the model, every widget named after its
// control; it draws what changed in the models, at most once per screen frame however many
// events the core handled, and turns clicks, typing, slider moves and menu choices into the
// window's handlers.
#pragma once

#include "qt/control_view.hpp"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMenu;

namespace orbek {
class Station;
struct Control;
} // namespace orbek

namespace orbek::qt {

class CodeDialogueView;
class CodeserreursView;
class BoitestopView;
class DataLoggerView;
class ParametresView;
class UsuresView;
class TestsMVView;
class AlarmHolderView;
class FenInfoHolderView;
class TelemetryView;
class LineListView;
class PictureView;

class StartView : public QMainWindow {
    Q_OBJECT
  public:
    // The views of the other windows are built with this one, or `Later`: at `buildWindows`,
    // or once one of those windows shows, whichever comes first (the program builds them after
    // its first paint, which does not need them).
    enum class Windows { Now, Later };
    explicit StartView(Station& station, QWidget* parent = nullptr, Windows windows = Windows::Now);
    void buildWindows();
    ~StartView() override;
    // Draws what changed in the models now.
    void render();
    // Draws what changed at the next screen frame; any number of requests make one pass. A
    // change in the models requests it by itself.
    void requestRender();
    // At the end of every event handled: draws what changed now when a screen frame has passed
    // since the last pass, so a steady stream of events draws on its own wake-ups; otherwise at
    // the next frame, a little late, so that an event coming meanwhile draws it instead.
    void renderSoon();

    // The view of another window (a dialog named after its model), brought to the front once
    // it is shown; null for a window without a view.
    QWidget* bringForward(const std::string& window);

    // The widget or menu entry of a control, for tests and screenshots.
    QWidget* widgetOf(const std::string& control) const;
    QAction* actionOf(const std::string& control) const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

  private:
    void buildMenus();
    QWidget* buildPanel();
    QWidget* buildThermometer();
    QWidget* buildRunColumn();
    QWidget* buildPlotArea();
    QWidget* buildPowerColumn();
    void buildPasswordBox(QWidget* central);
    QWidget* add(QWidget* widget, const Control& control, const QString& accessible = {});
    void draw();
    void fire(const std::string& event);
    void placePasswordBox();
    void setTabOrder();
    void focusFirstControl();
    void fitPlot();
    void storeGeometry();

    Station& station_;
    ControlWidgets controls_;
    std::vector<PictureView*> pictures_;
    PictureView* plot_ = nullptr;
    PictureView* scale_ = nullptr;
    QWidget* plotArea_ = nullptr;
    QWidget* traces_ = nullptr;
    ListItemsModel* events_ = nullptr;
    LineListView* eventList_ = nullptr;
    QWidget* setPower_ = nullptr;
    QLabel* holderCell_ = nullptr;
    QWidget* runColumn_ = nullptr;
    QFrame* passwordBox_ = nullptr;
    CodeDialogueView* codeDialogue_ = nullptr;
    CodeserreursView* codeserreurs_ = nullptr;
    BoitestopView* boitestop_ = nullptr;
    DataLoggerView* dataLogger_ = nullptr;
    ParametresView* parametres_ = nullptr;
    UsuresView* usures_ = nullptr;
    TestsMVView* testsMV_ = nullptr;
    AlarmHolderView* alarmHolder_ = nullptr;
    FenInfoHolderView* fenInfoHolder_ = nullptr;
    TelemetryView* telemetry_ = nullptr;
    uint64_t focusRequest_ = 0;
    uint64_t renderedAt_ = 0;
    uint64_t passwordBoxPlacedAt_ = 0;
    bool rendering_ = false;
    bool userTab_ = false; // while the user's Tab moves the focus
    QTimer frame_;
    QElapsedTimer sinceRender_;
};

} // namespace orbek::qt
