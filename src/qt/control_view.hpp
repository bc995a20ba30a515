// Rendering of window-model controls onto widgets: each widget carries its control's name as
// objectName and an accessible name, and shows the control's caption, state and colours. A view
// draws again only the controls that changed since it last drew.
#pragma once

#include "core/window.hpp"
#include "qt/colours.hpp"

#include <QAbstractListModel>
#include <QImage>
#include <QLabel>
#include <QObject>
#include <QPalette>
#include <QSize>
#include <QString>

#include <string>
#include <unordered_map>
#include <vector>

class QAbstractButton;
class QAction;
class QLabel;
class QWidget;

namespace orbek::qt {

// Names a widget after its control and gives it something a screen reader can speak.
void nameWidget(QWidget* widget, const Control& control, const QString& accessible = {});

// The room a window manager's title bar and borders take at most around a window.
inline constexpr QSize kFrameAllowance{16, 44};

// The size a window opens at: `wanted` (what its contents ask), within a 1366 x 768 screen above a
// 48 px desktop panel and within its own screen's room (with the window's frame), never below what
// its contents need.
QSize openingSize(const QWidget& window, QSize wanted);

// The width a window needs to show `title` whole beside its title bar's icon and buttons.
int titleBarWidth(const QWidget& window, const QString& title);

// A caption with its keyboard key underlined: `&` before the first `key` in it (any case), the
// caption's own `&` kept as text. No key, or a key not in the caption: the caption as it is.
QString withMnemonic(const QString& caption, QChar key);

// A word-wrapped label whose text may also break after a folder separator: a file's path shows
// whole however long it is.
void breakAtSeparators(QLabel* label);

// A button that resets or erases takes Space or a click, never Enter: an Enter typed on after a
// value must not wipe anything (every other push button of the views takes Enter when focused).
void keepFromEnter(QAbstractButton* button);

// Buttons that make one choice between them (a group of radio buttons, the interval buttons): one
// Tab stop, on the chosen button or else the first, and the arrow keys move within the group; a
// radio button an arrow reaches is chosen, as on the usual desktops.
class ChoiceGroup : public QObject {
  public:
    explicit ChoiceGroup(QObject* parent) : QObject(parent) {}
    void add(QAbstractButton* button);
    // Puts the Tab stop on `chosen`, or on the first button when none is chosen.
    void settle(const QAbstractButton* chosen);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::vector<QAbstractButton*> buttons_;
};

// A reading's cell: a label whose figures change many times a second. A new figure repaints
// the inside only, as a picture kept for each of the last few figures shown (a reading wanders
// among a few values): laid out, shaped and drawn once, then copied. It looks as the label does.
class ValueLabel : public QLabel {
  public:
    using QLabel::QLabel;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // The inside of the cell showing `text`, with its background.
    const QImage& inside(const QString& text);
    void drawText(QPainter& painter, const QString& text) const;

    static constexpr std::size_t kKept = 16;
    std::vector<std::pair<QString, QImage>> kept_;
    std::size_t next_ = 0;
};

// The widgets and menu entries of one window's controls.
class ControlWidgets {
  public:
    // The window whose controls these are: its state texts reach the screen reader.
    explicit ControlWidgets(const WindowModel& window) : window_(window) {}
    // The widget's look without the model's colours is its palette now. A label speaks its text
    // (its value) after the role its accessible name gives; a button's caption shows `key`
    // underlined (Alt and the key press it). A push button takes Enter when focused.
    void add(const Control& control, QWidget* widget, QChar key = {});
    // A menu entry, its caption shown with `key` underlined while the entry is shown: a hidden
    // menu's key does nothing.
    void add(const Control& control, QAction* action, QChar key = {});
    QWidget* widget(const std::string& name) const;
    QAction* action(const std::string& name) const;

    // Draws the controls that changed since the last pass.
    void render();
    // The next pass draws every control: after the user's input a widget may show what the
    // model did not take.
    void invalidate() { all_ = true; }

  private:
    struct Entry {
        const Control* control = nullptr;
        QWidget* widget = nullptr;
        QAction* action = nullptr;
        QPalette base;
        bool baseFill = false;
        bool nameFromCaption = false; // the accessible name follows the caption
        QChar key;
        uint64_t shown = 0;
        uint32_t back = 0;
        uint32_t fore = 0;
        bool coloured = false;
    };
    void draw(Entry& e);
    void describe(Entry& e);

    const WindowModel& window_;
    std::vector<Entry> entries_;
    std::unordered_map<std::string, std::size_t> byName_;
    uint64_t renderedAt_ = 0;
    uint64_t describedAt_ = 0;
    bool all_ = true;
};

// A list box's lines as a list model that grows by the rows added since the last sync, so a list
// of a million lines takes one more line without looking at the others.
class ListItemsModel : public QAbstractListModel {
    Q_OBJECT
  public:
    explicit ListItemsModel(const Control& list, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Brings the rows in line with the control's lines; true when rows were added.
    bool sync();

  private:
    const Control& list_;
    int rows_ = 0;
    uint64_t resets_ = 0;
};

} // namespace orbek::qt
