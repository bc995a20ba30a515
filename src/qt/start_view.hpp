// The view of the main window `Start`: renders the model, forwards clicks and menu choices.
#pragma once

#include <QMainWindow>

#include <map>
#include <string>

class QAction;
class QListView;

namespace orbek {
class Station;
}

namespace orbek::qt {

class ListItemsModel;

class StartView : public QMainWindow {
    Q_OBJECT
  public:
    explicit StartView(Station& station, QWidget* parent = nullptr);
    void render();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    Station& station_;
    std::map<std::string, QWidget*> widgets_;
    std::map<std::string, QAction*> menus_;
    ListItemsModel* events_ = nullptr;
    QListView* eventList_ = nullptr;
};

} // namespace orbek::qt
