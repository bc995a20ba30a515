#include "qt/control_view.hpp"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

namespace orbek::qt {

QColor toQColor(uint32_t colour, const QColor& systemFallback) {
    if (colour & 0x80000000u) return systemFallback;
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

void nameWidget(QWidget* widget, const Control& control, const QString& accessible) {
    widget->setObjectName(QString::fromStdString(control.name));
    QString spoken = accessible;
    if (spoken.isEmpty()) spoken = QString::fromStdString(control.caption).trimmed();
    if (spoken.isEmpty()) spoken = QString::fromStdString(control.name);
    widget->setAccessibleName(spoken);
}

namespace {

void setColours(const Control& control, QWidget* widget, bool transparentFace) {
    const bool systemBack = control.backColour & 0x80000000u;
    // The view's own look of the widget (borders, fonts) stays under the model's colours.
    QString style = widget->property(kBaseStyle).toString();
    if (!systemBack)
        style += QString("background-color: %1;").arg(toQColor(control.backColour, {}).name());
    else if (!transparentFace)
        style += "";
    if (!(control.foreColour & 0x80000000u))
        style += QString("color: %1;").arg(toQColor(control.foreColour, {}).name());
    if (widget->styleSheet() != style) widget->setStyleSheet(style);
}

} // namespace

void renderControl(const Control& control, QWidget* widget) {
    if (!widget) return;
    const QString caption = QString::fromStdString(control.caption);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (label->text() != caption) label->setText(caption);
        setColours(control, widget, true);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        if (edit->text() != caption) edit->setText(caption);
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        if (check->text() != caption) check->setText(caption);
        if (check->isChecked() != control.checked) check->setChecked(control.checked);
    } else if (auto* option = qobject_cast<QRadioButton*>(widget)) {
        if (option->text() != caption) option->setText(caption);
        if (option->isChecked() != control.checked) option->setChecked(control.checked);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        if (button->text() != caption) button->setText(caption);
        setColours(control, widget, false);
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
        if (slider->minimum() != control.min || slider->maximum() != control.max)
            slider->setRange(std::min(control.min, control.max),
                             std::max(control.min, control.max));
        if (slider->value() != control.value) slider->setValue(control.value);
    } else if (auto* bar = qobject_cast<QProgressBar*>(widget)) {
        if (bar->maximum() != control.max) bar->setRange(control.min, control.max);
        if (bar->value() != control.value) bar->setValue(control.value);
    }
    if (widget->isEnabled() != control.enabled) widget->setEnabled(control.enabled);
    if (widget->isVisibleTo(widget->parentWidget()) != control.visible)
        widget->setVisible(control.visible);
}

void renderMenu(const Control& control, QAction* action) {
    if (!action) return;
    const QString caption = QString::fromStdString(control.caption);
    if (action->text() != caption) action->setText(caption);
    if (action->isVisible() != control.visible) action->setVisible(control.visible);
    if (action->isEnabled() != control.enabled) action->setEnabled(control.enabled);
    if (action->isChecked() != control.checked) {
        action->setCheckable(true);
        action->setChecked(control.checked);
    }
}

ListItemsModel::ListItemsModel(const Control& list, QObject* parent)
    : QAbstractListModel(parent), list_(list) {}

int ListItemsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant ListItemsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_ ||
        static_cast<std::size_t>(index.row()) >= list_.items.size())
        return {};
    return QString::fromStdString(list_.items[static_cast<std::size_t>(index.row())]);
}

bool ListItemsModel::sync() {
    const int size = static_cast<int>(list_.items.size());
    if (size == rows_) return false;
    if (size < rows_) {
        beginResetModel();
        rows_ = size;
        endResetModel();
        return false;
    }
    // Rows already shown may hold other lines when the list was emptied and refilled between
    // two syncs.
    if (rows_ > 0) emit dataChanged(index(0), index(rows_ - 1));
    beginInsertRows({}, rows_, size - 1);
    rows_ = size;
    endInsertRows();
    return true;
}

} // namespace orbek::qt
