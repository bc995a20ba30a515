#include "qt/control_view.hpp"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>

#include <algorithm>

namespace orbek::qt {

void nameWidget(QWidget* widget, const Control& control, const QString& accessible) {
    widget->setObjectName(QString::fromStdString(control.name));
    QString spoken = accessible;
    if (spoken.isEmpty()) spoken = QString::fromStdString(control.caption).trimmed();
    if (spoken.isEmpty()) spoken = QString::fromStdString(control.name);
    widget->setAccessibleName(spoken);
}

QSize openingSize(const QWidget& window, QSize wanted) {
    QSize room = QSize(1366, 768 - 48) - kFrameAllowance;
    if (const QScreen* screen = window.screen())
        room = room.boundedTo(screen->availableGeometry().size() - kFrameAllowance);
    return wanted.boundedTo(room).expandedTo(window.minimumSizeHint());
}

int titleBarWidth(const QWidget& window, const QString& title) {
    // Title bars often set their text larger or bolder than the window's own font.
    constexpr int kTitleBarButtons = 110;
    return window.fontMetrics().horizontalAdvance(title) * 5 / 4 + kTitleBarButtons;
}

QString withMnemonic(const QString& caption, QChar key) {
    QString text;
    text.reserve(caption.size() + 2);
    bool placed = key.isNull();
    for (QChar c : caption) {
        if (!placed && c.toLower() == key.toLower()) {
            text += u'&';
            placed = true;
        }
        text += c;
        if (c == u'&') text += u'&';
    }
    return text;
}

namespace {

constexpr const char* kSpeaksText = "orbekSpeaksText";
constexpr const char* kBreaksPaths = "orbekBreaksPaths";

// A label as a screen reader meets it: its role (the accessible name) and what it shows now, so
// a reading cell says "Light intensity value: 96.0" and its value is "96.0".
class LabelAccessible : public QAccessibleWidget {
  public:
    explicit LabelAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        const auto* label = static_cast<const QLabel*>(widget());
        const QString shown = label->text().trimmed();
        const QString role = widget()->accessibleName();
        switch (t) {
        case QAccessible::Name:
            if (shown.isEmpty() || role.contains(shown)) return role;
            if (role.isEmpty() || role == widget()->objectName() || shown.contains(role))
                return shown;
            return role + ": " + shown;
        case QAccessible::Value:
            return shown;
        default:
            return QAccessibleWidget::text(t);
        }
    }
};

QAccessibleInterface* labelAccessible(const QString&, QObject* object) {
    if (object && object->isWidgetType() && object->property(kSpeaksText).toBool())
        return new LabelAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

namespace {

constexpr const char* kNoEnter = "orbekNoEnter";

// Enter on a focused push button presses it, as Space does; a dialog's default button (which
// takes Enter itself) and the buttons kept from Enter excepted.
class EnterPresses : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        auto* button = qobject_cast<QPushButton*>(watched);
        if ((key != Qt::Key_Return && key != Qt::Key_Enter) || !button || button->isDefault() ||
            button->autoDefault() || button->property(kNoEnter).toBool())
            return false;
        button->click();
        return true;
    }
};

QObject* enterPresses() {
    static EnterPresses filter;
    return &filter;
}

} // namespace

void keepFromEnter(QAbstractButton* button) {
    button->setProperty(kNoEnter, true);
}

void ChoiceGroup::add(QAbstractButton* button) {
    buttons_.push_back(button);
    button->installEventFilter(this);
}

void ChoiceGroup::settle(const QAbstractButton* chosen) {
    if (!chosen && !buttons_.empty()) chosen = buttons_.front();
    for (QAbstractButton* b : buttons_) {
        const Qt::FocusPolicy policy = b == chosen ? Qt::StrongFocus : Qt::ClickFocus;
        if (b->focusPolicy() != policy) b->setFocusPolicy(policy);
    }
}

bool ChoiceGroup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    int step = 0;
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        step = -1;
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        step = 1;
        break;
    default:
        return false;
    }
    const auto at = std::find(buttons_.begin(), buttons_.end(), watched);
    if (at == buttons_.end()) return false;
    // The next button in the group that can be used, round the end.
    const auto count = static_cast<std::ptrdiff_t>(buttons_.size());
    for (std::ptrdiff_t i = 1; i < count; ++i) {
        QAbstractButton* next = buttons_[static_cast<std::size_t>(
            ((at - buttons_.begin()) + step * i % count + count) % count)];
        if (!next->isVisible() || !next->isEnabled()) continue;
        next->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        if (qobject_cast<QRadioButton*>(next)) next->click();
        break;
    }
    return true;
}

void breakAtSeparators(QLabel* label) {
    label->setWordWrap(true);
    label->setProperty(kBreaksPaths, true);
}

void ControlWidgets::add(const Control& control, QWidget* widget, QChar key) {
    if (qobject_cast<QPushButton*>(widget)) widget->installEventFilter(enterPresses());
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        // Captions are plain text: no rich-text guess on every new text.
        label->setTextFormat(Qt::PlainText);
        static const bool installed = (QAccessible::installFactory(labelAccessible), true);
        (void)installed;
        label->setProperty(kSpeaksText, true);
        // Naming the label may have made the toolkit's own interface already; ours replaces it.
        QAccessibleInterface* made = QAccessible::queryAccessibleInterface(label);
        if (made && !dynamic_cast<LabelAccessible*>(made))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    }
    byName_[control.name] = entries_.size();
    Entry e;
    e.control = &control;
    e.widget = widget;
    e.base = widget->palette();
    e.baseFill = widget->autoFillBackground();
    const QString caption = QString::fromStdString(control.caption).trimmed();
    e.nameFromCaption = !caption.isEmpty() && widget->accessibleName() == caption;
    e.key = key;
    entries_.push_back(e);
    all_ = true;
}

void ControlWidgets::add(const Control& control, QAction* action, QChar key) {
    byName_[control.name] = entries_.size();
    Entry e;
    e.control = &control;
    e.action = action;
    e.key = key;
    entries_.push_back(e);
    all_ = true;
}

QWidget* ControlWidgets::widget(const std::string& name) const {
    const auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : entries_[it->second].widget;
}

QAction* ControlWidgets::action(const std::string& name) const {
    const auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : entries_[it->second].action;
}

void ControlWidgets::render() {
    const uint64_t now = Changes::count();
    // A state text follows its control, and may follow the window's timers too: it is worked
    // out again when either changed, not at every pass.
    const uint64_t texts = window_.stateTextsRevision();
    if (!all_ && now == renderedAt_ && texts == describedAt_) return;
    const bool allTexts = all_ || texts != describedAt_;
    for (Entry& e : entries_) {
        const bool changed = all_ || e.control->changedAt() > e.shown;
        if (e.widget && (changed || allTexts)) describe(e);
        if (!changed) continue;
        draw(e);
        e.shown = now;
    }
    renderedAt_ = now;
    describedAt_ = texts;
    all_ = false;
}

namespace {

void setText(QLabel* label, const QString& text) {
    if (label->text() == text) return;
    // The toolkit lays the text of a label that takes the keyboard focus (the holder cell) out
    // as a whole document at every new text; without the focus for that moment it draws it as
    // any other label.
    const Qt::FocusPolicy focus = label->focusPolicy();
    if (focus != Qt::NoFocus) label->setFocusPolicy(Qt::NoFocus);
    label->setText(text);
    if (focus != Qt::NoFocus) label->setFocusPolicy(focus);
}

} // namespace

void ValueLabel::paintEvent(QPaintEvent* event) {
    // Greyed, the style may draw the text its own way; and the rest is rare.
    if (!isEnabled() || textFormat() != Qt::PlainText || wordWrap())
        return QLabel::paintEvent(event);
    QPainter painter(this);
    // A new text repaints the inside only: the frame is as it was.
    if (!contentsRect().contains(event->rect())) drawFrame(&painter);
    // The inside with its own background; without one, what is under it shows through.
    if (autoFillBackground())
        painter.drawImage(contentsRect().topLeft(), inside(text()));
    else
        drawText(painter, text());
}

void ValueLabel::drawText(QPainter& painter, const QString& text) const {
    if (text.isEmpty()) return;
    // Placed as the label places its text: inside the margins, an indent on the aligned side
    // of a framed label, aligned in what is left.
    QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const int shift = indent() >= 0      ? indent()
                      : frameWidth() > 0 ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2
                                         : 0;
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    if (align & Qt::AlignLeft) room.setLeft(room.left() + shift);
    if (align & Qt::AlignRight) room.setRight(room.right() - shift);
    if (align & Qt::AlignTop) room.setTop(room.top() + shift);
    if (align & Qt::AlignBottom) room.setBottom(room.bottom() - shift);
    QStyleOption option;
    option.initFrom(this);
    painter.setPen(option.palette.color(foregroundRole()));
    painter.setFont(font());
    painter.drawText(room, static_cast<int>(align), text);
}

const QImage& ValueLabel::inside(const QString& text) {
    const double ratio = devicePixelRatioF();
    if (!kept_.empty() && kept_.front().second.devicePixelRatio() != ratio) kept_.clear();
    for (const auto& [shown, picture] : kept_)
        if (shown == text) return picture;
    const QRect area = contentsRect();
    QImage picture((QSizeF(area.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    {
        QStyleOption option;
        option.initFrom(this);
        QPainter painter(&picture);
        painter.fillRect(QRect(QPoint(0, 0), area.size()), option.palette.brush(backgroundRole()));
        painter.translate(-area.topLeft());
        drawText(painter, text);
    }
    if (kept_.size() < kKept) {
        kept_.emplace_back(text, std::move(picture));
        return kept_.back().second;
    }
    next_ = (next_ + 1) % kKept;
    kept_[next_] = {text, std::move(picture)};
    return kept_[next_].second;
}

void ValueLabel::changeEvent(QEvent* event) {
    // What the kept pictures were drawn with.
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::EnabledChange:
    case QEvent::ActivationChange:
    case QEvent::LayoutDirectionChange:
        kept_.clear();
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}

void ValueLabel::resizeEvent(QResizeEvent* event) {
    kept_.clear();
    QLabel::resizeEvent(event);
}

void ControlWidgets::describe(Entry& e) {
    const std::string state = window_.stateText(*e.control);
    const QString text = QString::fromStdString(state);
    if (e.widget->accessibleDescription() != text) e.widget->setAccessibleDescription(text);
}

void ControlWidgets::draw(Entry& e) {
    const Control& control = *e.control;
    const QString caption = QString::fromStdString(control.caption);
    if (QAction* action = e.action) {
        // A separator is drawn as a line, never as its "-" caption.
        const QString text = action->isSeparator()
                                 ? QString()
                                 : withMnemonic(caption, control.visible ? e.key : QChar());
        if (action->text() != text) action->setText(text);
        if (action->isVisible() != control.visible) action->setVisible(control.visible);
        if (action->isEnabled() != control.enabled) action->setEnabled(control.enabled);
        if (action->isChecked() != control.checked) {
            action->setCheckable(true);
            action->setChecked(control.checked);
        }
        return;
    }
    QWidget* widget = e.widget;
    if (e.nameFromCaption && !caption.trimmed().isEmpty() &&
        widget->accessibleName() != caption.trimmed())
        widget->setAccessibleName(caption.trimmed());
    bool colours = false;
    ColourRole role = ColourRole::Window;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        QString text = caption;
        // A zero-width space after each separator lets the line break there.
        if (label->wordWrap() && label->property(kBreaksPaths).toBool())
            text.replace('/', QStringLiteral("/\u200B")).replace('\\', QStringLiteral("\\\u200B"));
        setText(label, text);
        colours = true;
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        if (edit->text() != caption) edit->setText(caption);
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        if (check->text() != withMnemonic(caption, e.key))
            check->setText(withMnemonic(caption, e.key));
        if (check->isChecked() != control.checked) check->setChecked(control.checked);
        colours = true; // its text reads on the window, greyed or not
    } else if (auto* option = qobject_cast<QRadioButton*>(widget)) {
        if (option->text() != caption) option->setText(caption);
        if (option->isChecked() != control.checked) option->setChecked(control.checked);
        colours = true;
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        if (button->text() != withMnemonic(caption, e.key))
            button->setText(withMnemonic(caption, e.key));
        colours = true;
        role = ColourRole::Button;
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
        if (slider->minimum() != control.min || slider->maximum() != control.max)
            slider->setRange(std::min<int>(control.min, control.max),
                             std::max<int>(control.min, control.max));
        if (slider->value() != control.value) slider->setValue(control.value);
    } else if (auto* bar = qobject_cast<QProgressBar*>(widget)) {
        if (bar->maximum() != control.max) bar->setRange(control.min, control.max);
        if (bar->value() != control.value) bar->setValue(control.value);
    }
    if (colours && (!e.coloured || e.back != control.backColour || e.fore != control.foreColour)) {
        applyColours(widget, e.base, e.baseFill, role, control.backColour, control.foreColour);
        e.back = control.backColour;
        e.fore = control.foreColour;
        e.coloured = true;
    }
    if (widget->isEnabled() != control.enabled) widget->setEnabled(control.enabled);
    if (widget->isVisibleTo(widget->parentWidget()) != control.visible)
        widget->setVisible(control.visible);
}

ListItemsModel::ListItemsModel(const Control& list, QObject* parent)
    : QAbstractListModel(parent), list_(list), resets_(list.items.resets()) {}

int ListItemsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant ListItemsModel::data(const QModelIndex& index, int role) const {
    if ((role != Qt::DisplayRole && role != Qt::AccessibleTextRole) || !index.isValid() ||
        index.row() >= rows_ || static_cast<std::size_t>(index.row()) >= list_.items.size())
        return {};
    const std::string_view line = list_.items[static_cast<std::size_t>(index.row())];
    return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}

bool ListItemsModel::sync() {
    const LineList& items = list_.items;
    const int size = static_cast<int>(items.size());
    if (items.resets() != resets_) {
        // Emptied or replaced since the last sync: the rows shown are no longer the lines.
        beginResetModel();
        rows_ = size;
        resets_ = items.resets();
        endResetModel();
        return size > 0;
    }
    if (size <= rows_) return false;
    beginInsertRows({}, rows_, size - 1);
    rows_ = size;
    endInsertRows();
    return true;
}

} // namespace orbek::qt
