// Rendering of window-model controls onto widgets: each widget carries its control's name as
// objectName and an accessible name, and shows the control's caption, state and colours.
#pragma once

#include "core/window.hpp"

#include <QAbstractListModel>
#include <QColor>
#include <QString>

class QAction;
class QWidget;

namespace orbek::qt {

// A 00BBGGRR colour of the design; system colours (high bit set) map to the palette.
QColor toQColor(uint32_t colour, const QColor& systemFallback);

// A widget property holding the view's own style sheet, kept when the model's colours change.
inline constexpr const char* kBaseStyle = "orbekBaseStyle";

// Names a widget after its control and gives it something a screen reader can speak.
void nameWidget(QWidget* widget, const Control& control, const QString& accessible = {});

// Shows the control's state on its widget (labels, buttons, text boxes, check and option
// buttons, sliders, progress bars); touches only what differs, so it is cheap to call often.
void renderControl(const Control& control, QWidget* widget);

// Shows a menu entry's caption, visibility, enabled state and tick.
void renderMenu(const Control& control, QAction* action);

// A list box's items as a list model that grows by the rows added since the last sync, so a
// list of a million lines stays smooth.
class ListItemsModel : public QAbstractListModel {
    Q_OBJECT
  public:
    explicit ListItemsModel(const Control& list, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Brings the view's rows in line with the control's items; true when rows were added.
    bool sync();

  private:
    const Control& list_;
    int rows_ = 0;
};

} // namespace orbek::qt
