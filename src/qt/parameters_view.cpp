#include "qt/parameters_view.hpp"

#include "app/station.hpp"
#include "maintenance/parameters.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace orbek::qt {

namespace {
constexpr int kResetRows[] = {4, 5, 10, 11};
}

ParametresView::ParametresView(Station& station, QWidget* parent)
    : ModelDialog(station, *station.models().Parametres, "Form_QueryUnload", parent) {
    ParametresWindow& w = *station.models().Parametres;
    auto* layout = new QHBoxLayout(this);

    // Left: the controller's parameters, the transfer buttons and their progress.
    auto* machine = new QGroupBox("Stamp", this);
    auto* machineLayout = new QVBoxLayout(machine);
    auto* rows = new QGridLayout;
    for (int i = 0; i < maintenance::kParameterCount; ++i) {
        const std::string rowName = element("Label1", i);
        if (w.find(rowName)) {
            auto* label = new QLabel(this);
            const QString hint = QString::fromStdString(maintenance::parameterHint(i));
            label->setToolTip(hint);
            rows->addWidget(addControlWidget(label, rowName), i, 0);
        }
        QWidget* box = textBox(element("Text1", i), QString("Parameter %1").arg(i));
        box->setToolTip(QString::fromStdString(maintenance::parameterHint(i)));
        rows->addWidget(box, i, 1);
        const std::string unit = element("Label5", i);
        if (w.find(unit)) rows->addWidget(addControlWidget(new QLabel(this), unit), i, 2);
    }
    for (int row : kResetRows) {
        auto* reset = static_cast<QPushButton*>(button("ResetAdr" + std::to_string(row)));
        keepFromEnter(reset);
        reset->setAccessibleName(QString("Reset parameter %1").arg(row));
        rows->addWidget(reset, row, 2);
        // Tab reaches a row's Reset right after its box.
        setTabOrder(widgets_[element("Text1", row)], reset);
    }
    // The box the design keeps hidden and never sends.
    textBox(element("Text1", 15), "Spare parameter")->hide();
    machineLayout->addLayout(rows);
    auto* transfer = new QHBoxLayout;
    for (const char* name : {"Lecture", "Validerwrite", "Setup"})
        transfer->addWidget(button(name));
    machineLayout->addLayout(transfer);
    auto* progress = new QGridLayout;
    progress->addWidget(addControlWidget(new QProgressBar(this), "ProgressBar1"), 0, 0);
    widgets_["ProgressBar1"]->setAccessibleName("Parameter transfer");
    progress->addWidget(addControlWidget(new QLabel(this), "Label2"), 0, 1);
    widgets_["Label2"]->setAccessibleName("Parameters sent");
    progress->addWidget(addControlWidget(new QProgressBar(this), "ProgressBar2"), 1, 0);
    widgets_["ProgressBar2"]->setAccessibleName("Clock transfer");
    progress->addWidget(addControlWidget(new QLabel(this), "Label51"), 1, 1);
    widgets_["Label51"]->setAccessibleName("Clock registers sent");
    machineLayout->addLayout(progress);
    auto* now = new QHBoxLayout;
    for (const char* name : {"Label52", "Label53"}) {
        // The clock labels keep a label's height however the window grows.
        auto* label = new QLabel(this);
        label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        label->setMargin(2);
        now->addWidget(addControlWidget(label, name));
    }
    widgets_["Label52"]->setAccessibleName("PC time");
    widgets_["Label53"]->setAccessibleName("PC date");
    now->addStretch(1);
    machineLayout->addLayout(now);
    machineLayout->addStretch(1);
    for (int k = 0; k <= 8; ++k)
        textBox(element("Text15", k), QString("Clock register %1").arg(k))->hide();
    layout->addWidget(machine);

    // Right: the station's own coefficients and settings.
    auto* station_box = new QGroupBox("PC", this);
    auto* coefficients = new QVBoxLayout(station_box);
    coefficients->addWidget(addControlWidget(new QLabel(this), "Label4"));
    auto* grid = new QGridLayout;
    for (int i = 0; i <= 14; ++i) {
        const std::string rowName = element("Label3", i);
        QWidget* box = textBox(element("Text2", i), QString("Coefficient %1").arg(i));
        if (!w.find(rowName)) {
            box->hide();
            continue;
        }
        grid->addWidget(addControlWidget(new QLabel(this), rowName), i, 0);
        grid->addWidget(box, i, 1);
    }
    coefficients->addLayout(grid);
    auto* unit = new QHBoxLayout;
    QWidget* celsius = button("Degres");
    celsius->setAccessibleName("Degrees Celsius");
    QWidget* fahrenheit = button("Fharen");
    fahrenheit->setAccessibleName("Fahrenheit");
    unit->addWidget(celsius);
    unit->addWidget(fahrenheit);
    unit->addStretch(1);
    coefficients->addLayout(unit);
    auto* alarm = new QCheckBox(this);
    addControlWidget(alarm, "Check1")->setAccessibleName("Sample holder alarm");
    connect(alarm, &QCheckBox::clicked, this, [this](bool checked) {
        if (station_.ended() || !model_.loaded()) return;
        model_.ctl("Check1").checked = checked;
        fire("Check1");
    });
    coefficients->addWidget(alarm);
    coefficients->addStretch(1);
    layout->addWidget(station_box);
}

QWidget* ParametresView::textBox(const std::string& name, const QString& accessible) {
    auto* edit = new QLineEdit(this);
    edit->setMaximumWidth(90);
    addControlWidget(edit, name)->setAccessibleName(accessible);
    // Every box tells its change, handled or not: a session recording keeps what was typed.
    connect(edit, &QLineEdit::textEdited, this, [this, name](const QString& text) {
        if (station_.ended() || !model_.loaded()) return;
        model_.ctl(name).caption = text.toStdString();
        fire(name + ":Change");
    });
    return edit;
}

QWidget* ParametresView::button(const std::string& name) {
    auto* push = new QPushButton(this);
    addControlWidget(push, name);
    connect(push, &QPushButton::clicked, this, [this, name] { fire(name); });
    return push;
}

} // namespace orbek::qt
