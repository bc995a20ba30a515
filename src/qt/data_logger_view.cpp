#include "qt/data_logger_view.hpp"

#include "app/station.hpp"
#include "qt/control_view.hpp"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orbek::qt {

namespace {

void bold(QWidget* widget, double scale = 1.0) {
    QFont font = widget->font();
    font.setBold(true);
    if (scale != 1.0) font.setPointSizeF(font.pointSizeF() * scale);
    widget->setFont(font);
}

// Text in a colour of its own on the window's face.
void textColour(QWidget* widget, const QColor& colour) {
    const QPalette base = widget->palette();
    widget->setPalette(paletteWith(base, ColourRole::Window, base.color(QPalette::Window), colour));
}

QLabel* stepLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    bold(label, 1.2);
    textColour(label, QColor(0x1d, 0x4e, 0x89));
    return label;
}

} // namespace

DataLoggerView::DataLoggerView(Station& station, QWidget* parent)
    : ModelDialog(station, *station.models().DataLogger, "Form_QueryUnload", parent) {
    // The main window takes no input while the set-up is open; the event loop still runs.
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->addWidget(buildFileStep());
    layout->addWidget(buildSensorStep());
    layout->addWidget(buildIntervalStep());
    layout->addWidget(buildStartStep());
}

QWidget* DataLoggerView::buildFileStep() {
    DataLoggerWindow& w = *station_.models().DataLogger;
    auto* step = new QWidget(this);
    auto* row = new QHBoxLayout(step);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(addControlWidget(stepLabel(step), "Label1"), 0, Qt::AlignTop);

    auto* choices = new QVBoxLayout;
    const struct {
        const char* frame;
        ControlArray* options;
        int count;
    } groups[] = {{"Frame1", &w.Option1, DataLoggerWindow::kFileTypes}, {"Frame2", &w.Option2, 2}};
    for (const auto& g : groups) {
        auto* box = new QGroupBox(QString::fromStdString(w.ctl(g.frame).caption).trimmed(), step);
        addControlWidget(box, g.frame);
        auto* options = new QVBoxLayout(box);
        Choice& choice = choices_.emplace_back(Choice{new ChoiceGroup(box), g.options, {}});
        for (int i = 0; i < g.count; ++i) {
            Control& c = (*g.options)[i];
            auto* option = new QRadioButton(box);
            choice.group->add(option);
            choice.buttons.push_back(option);
            // The model keeps one option of the group chosen; the view only shows it.
            option->setAutoExclusive(false);
            const std::string event = c.name;
            connect(option, &QRadioButton::clicked, this, [this, event] { fire(event); });
            options->addWidget(addControlWidget(option, c.name));
        }
        choices->addWidget(box);
    }
    choices->addStretch(1);
    row->addLayout(choices);

    auto* file = new QVBoxLayout;
    auto* create = new QPushButton(step);
    connect(create, &QPushButton::clicked, this, [this] { fire("Command1"); });
    file->addWidget(addControlWidget(create, "Command1"));
    auto* path = new QLabel(step);
    path->setFrameStyle(QFrame::Box | QFrame::Plain);
    path->setMargin(3);
    path->setMinimumWidth(320);
    breakAtSeparators(path);
    path->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    addControlWidget(path, "Label7")->setAccessibleName("Log file");
    file->addWidget(path);
    files_ = new QListWidget(step);
    files_->setMaximumHeight(90);
    addControlWidget(files_, "List1")->setAccessibleName("Files in the data folder");
    file->addWidget(files_);

    auto* exists = new QFrame(step);
    exists->setFrameShape(QFrame::StyledPanel);
    addControlWidget(exists, "Picture1")->setAccessibleName("File exists already");
    auto* existsRow = new QHBoxLayout(exists);
    auto* warning = new QLabel(exists);
    bold(warning);
    textColour(warning, QColor(0xb0, 0, 0));
    existsRow->addWidget(addControlWidget(warning, "Label42"), 1);
    for (const char* name : {"EErase", "EAppend"}) {
        auto* button = new QPushButton(exists);
        if (std::string(name) == "EErase") keepFromEnter(button);
        const std::string event = name;
        connect(button, &QPushButton::clicked, this, [this, event] { fire(event); });
        existsRow->addWidget(addControlWidget(button, name));
    }
    file->addWidget(exists);
    row->addLayout(file, 1);
    return step;
}

QWidget* DataLoggerView::buildSensorStep() {
    DataLoggerWindow& w = *station_.models().DataLogger;
    auto* step = new QWidget(this);
    auto* layout = new QVBoxLayout(step);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* heading = new QHBoxLayout;
    heading->addWidget(addControlWidget(stepLabel(step), "Label2"));
    heading->addWidget(addControlWidget(new QLabel(step), "Label5"), 1);
    layout->addLayout(heading);

    // Two columns of eight boxes, each with its quantity and unit.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(2);
    for (int i = 0; i < DataLoggerWindow::kSensorBoxes; ++i) {
        const int row = i % 8;
        const int column = (i / 8) * 3;
        Control& c = w.Check1[i];
        auto* box = new QCheckBox(step);
        nameWidget(box, c, QString::fromStdString(w.Label11[i].caption));
        widgets_[c.name] = box;
        const std::string event = c.name;
        connect(box, &QCheckBox::clicked, this, [this, event](bool checked) {
            if (station_.ended()) return;
            model_.ctl(event).checked = checked;
            fire(event);
        });
        grid->addWidget(box, row, column);
        grid->addWidget(addControlWidget(new QLabel(step), w.Label11[i].name), row, column + 1);
        auto* unit = new QLabel(step);
        nameWidget(unit, w.Label12[i], QString("Unit %1").arg(i + 1));
        widgets_[w.Label12[i].name] = unit;
        grid->addWidget(unit, row, column + 2);
    }
    layout->addLayout(grid);
    return step;
}

QWidget* DataLoggerView::buildIntervalStep() {
    DataLoggerWindow& w = *station_.models().DataLogger;
    auto* step = new QWidget(this);
    auto* layout = new QGridLayout(step);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(4);
    layout->addWidget(addControlWidget(stepLabel(step), "Label3"), 0, 0);
    layout->addWidget(addControlWidget(new QLabel(step), "Label8"), 0, 1, 1, 12);
    layout->addWidget(addControlWidget(new QLabel(step), "Label6"), 1, 1, 1, 6, Qt::AlignHCenter);
    layout->addWidget(addControlWidget(new QLabel(step), "Label10"), 1, 7, 1, 5, Qt::AlignHCenter);
    intervals_ = new ChoiceGroup(step);
    for (int i = 0; i < DataLoggerWindow::kIntervals; ++i) {
        Control& c = w.Sel[i];
        auto* button = new QPushButton(step);
        intervals_->add(button);
        intervalButtons_.push_back(button);
        button->setFixedWidth(40);
        button->setAutoDefault(false);
        const QString unit = i < 6 ? (i == 0 ? "minute" : "minutes") : (i == 6 ? "hour" : "hours");
        nameWidget(button, c, QString::fromStdString(c.caption) + " " + unit);
        widgets_[c.name] = button;
        const std::string event = c.name;
        connect(button, &QPushButton::clicked, this, [this, event] { fire(event); });
        layout->addWidget(button, 2, 1 + i);
    }
    auto* chosen = new QLabel(step);
    bold(chosen);
    addControlWidget(chosen, "Label9")->setAccessibleName("Chosen interval");
    layout->addWidget(chosen, 2, 12);
    layout->setColumnStretch(13, 1);
    return step;
}

QWidget* DataLoggerView::buildStartStep() {
    auto* step = new QWidget(this);
    auto* row = new QHBoxLayout(step);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(addControlWidget(stepLabel(step), "Label4"));
    auto* start = new QPushButton(step);
    bold(start);
    start->setMinimumSize(260, 34);
    connect(start, &QPushButton::clicked, this, [this] { fire("Activation"); });
    row->addWidget(addControlWidget(start, "Activation"));
    row->addStretch(1);
    return step;
}

void DataLoggerView::render() {
    const DataLoggerWindow& w = *station_.models().DataLogger;
    if (w.List1.items.changedAt() != filesShown_) {
        filesShown_ = w.List1.items.changedAt();
        files_->clear();
        for (std::string_view name : w.List1.items)
            files_->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
    if (files_->currentRow() != w.List1.value) {
        if (w.List1.value < 0)
            files_->setCurrentRow(-1);
        else
            files_->setCurrentRow(w.List1.value);
    }
    ModelDialog::render();
    if (!w.shown()) return;
    // One Tab stop a choice: the option or interval chosen (the chosen interval shows light
    // green), else the first.
    for (const Choice& choice : choices_) {
        const QAbstractButton* chosen = nullptr;
        for (std::size_t i = 0; i < choice.buttons.size(); ++i)
            if ((*choice.options)[static_cast<int>(i)].checked) chosen = choice.buttons[i];
        choice.group->settle(chosen);
    }
    const QAbstractButton* interval = nullptr;
    for (int i = 0; i < DataLoggerWindow::kIntervals; ++i)
        if (w.Sel[i].backColour == colour::lightGreen)
            interval = intervalButtons_[static_cast<std::size_t>(i)];
    intervals_->settle(interval);
    if (w.focusRequest != focusRequest_) {
        focusRequest_ = w.focusRequest;
        const auto it = widgets_.find(w.focusControl);
        if (it != widgets_.end()) it->second->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace orbek::qt
