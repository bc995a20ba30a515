// The view of the main window `Start`: built once from the model, every widget named after its
// control; it renders the model after every handled event and turns clicks, typing, slider
// moves and menu choices into the window's handlers.
#pragma once

#include <QMainWindow>

#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QGridLayout;
class QListView;
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
class ListItemsModel;
class PictureView;

class StartView : public QMainWindow {
    Q_OBJECT
  public:
    explicit StartView(Station& station, QWidget* parent = nullptr);
    ~StartView() override;
    void render();

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

  private:
    void buildMenus();
    QWidget* buildPanel();
    QWidget* buildThermometer();
    QWidget* buildRunColumn();
    QWidget* buildPlotArea();
    QWidget* buildPowerColumn();
    void buildPasswordBox(QWidget* central);
    QWidget* add(QWidget* widget, const Control& control, const QString& accessible = {});
    void fire(const std::string& event);
    void placePasswordBox();
    void fitPlot();
    void storeGeometry();

    Station& station_;
    std::map<std::string, QWidget*> widgets_;
    std::map<std::string, QAction*> menus_;
    std::vector<PictureView*> pictures_;
    PictureView* plot_ = nullptr;
    PictureView* scale_ = nullptr;
    QWidget* plotArea_ = nullptr;
    ListItemsModel* events_ = nullptr;
    QListView* eventList_ = nullptr;
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
    uint64_t focusRequest_ = 0;
    bool rendering_ = false;
};

} // namespace orbek::qt
