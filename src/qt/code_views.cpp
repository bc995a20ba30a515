#include "qt/code_views.hpp"

#include "app/station.hpp"
#include "qt/control_view.hpp"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace orbek::qt {

namespace {
constexpr int kTwipsPerPixel = 15;
} // namespace

ModelDialog::ModelDialog(Station& station, WindowModel& model, std::string quitButton,
                         QWidget* parent)
    : QDialog(parent), station_(station), model_(model), quitButton_(std::move(quitButton)),
      controls_(model) {
    setObjectName(QString::fromStdString(model.name()));
    setModal(false);
}

QWidget* ModelDialog::addControlWidget(QWidget* widget, const std::string& name) {
    // Enter in a text box must not click whichever button a dialog would make its default (a
    // Reset or an erase): a window names its default button itself.
    if (auto* push = qobject_cast<QPushButton*>(widget)) push->setAutoDefault(false);
    nameWidget(widget, model_.ctl(name));
    widgets_[name] = widget;
    return widget;
}

void ModelDialog::fire(const std::string& event) {
    if (station_.ended()) return;
    model_.fire(event);
    controls_.invalidate();
    if (renderAll)
        renderAll();
    else
        render();
}

void ModelDialog::reject() {
    // Once the station has ended nothing answers the window: it just goes, so that closing
    // every window can end the program.
    if (station_.ended()) return QDialog::reject();
    fire(quitButton_);
}

void ModelDialog::render() {
    if (!bound_) {
        for (auto& [name, widget] : widgets_)
            controls_.add(model_.ctl(name), widget);
        bound_ = true;
    }
    if (!model_.shown()) {
        if (isVisible()) hide();
        return;
    }
    const QString title = QString::fromStdString(model_.caption);
    if (windowTitle() != title) {
        setWindowTitle(title);
        setAccessibleName(title.trimmed());
    }
    controls_.render();
    if (!isVisible()) {
        place();
        show();
        raise();
        placedLeft_ = model_.left;
    }
    // The window's own placement timer may set its left edge after it appeared.
    if (model_.left != placedLeft_) {
        place();
        placedLeft_ = model_.left;
    }
}

void ModelDialog::place() {
    QWidget* main = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen* shown = main ? main->screen() : screen();
    // As large as its contents ask and wide enough for its title (the layout's minimum then holds
    // it at least as large as its contents need).
    ensurePolished();
    resize(
        openingSize(*this, sizeHint().expandedTo(QSize(titleBarWidth(*this, windowTitle()), 0))));
    const QRect over = main ? main->frameGeometry() : QRect();
    // Centred over the main window, unless the window places itself (its left edge, in twips)
    // or the view names a point for it.
    QPoint at = over.center() - QPoint(width() / 2, height() / 2);
    if (anchor)
        at = anchor();
    else if (model_.left != 0)
        at.setX(model_.left / kTwipsPerPixel);
    if (shown) {
        const QRect room = shown->availableGeometry();
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - width())));
        at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - height())));
    }
    move(at);
}

CodeDialogueView::CodeDialogueView(Station& station, QWidget* parent)
    : ModelDialog(station, *station.models().CodeDialogue, "Command1", parent) {
    CodeDialogueWindow& w = *station.models().CodeDialogue;
    auto* layout = new QVBoxLayout(this);
    auto* headings = new QHBoxLayout;
    for (Control* c : {&w.Label1, &w.Label2, &w.Label3}) {
        auto* label = new QLabel(QString::fromStdString(c->caption), this);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        headings->addWidget(addControlWidget(label, c->name));
    }
    layout->addLayout(headings);

    auto* list = new QListView(this);
    list->setUniformItemSizes(true);
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lines_ = new ListItemsModel(w.List1, list);
    list->setModel(lines_);
    list->setMinimumSize(620, 420);
    nameWidget(list, w.List1, "Communication codes");
    layout->addWidget(list, 1);

    auto* quit = new QPushButton(this);
    addControlWidget(quit, "Command1");
    connect(quit, &QPushButton::clicked, this, [this] { fire("Command1"); });
    layout->addWidget(quit, 0, Qt::AlignRight);
}

void CodeDialogueView::render() {
    lines_->sync();
    ModelDialog::render();
}

CodeserreursView::CodeserreursView(Station& station, QWidget* parent)
    : ModelDialog(station, *station.models().Codeserreurs, "CodeError", parent) {
    CodeserreursWindow& w = *station.models().Codeserreurs;
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    for (int i = 0; i < CodeserreursWindow::kRows; ++i) {
        int column = 0;
        for (ControlArray* array : {&w.Label1, &w.Label2, &w.Label3}) {
            Control& c = (*array)[i];
            auto* label = new QLabel(this);
            nameWidget(label, c,
                       QString("Error code row %1, column %2").arg(i + 1).arg(column + 1));
            widgets_[c.name] = label;
            grid->addWidget(label, i, column++);
        }
    }
    layout->addLayout(grid);
    auto* quit = new QPushButton(this);
    addControlWidget(quit, "CodeError");
    connect(quit, &QPushButton::clicked, this, [this] { fire("CodeError"); });
    layout->addWidget(quit, 0, Qt::AlignRight);
}

} // namespace orbek::qt
