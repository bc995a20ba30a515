#include "qt/maintenance_views.hpp"

#include "app/station.hpp"
#include "qt/control_view.hpp"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace orbek::qt {

namespace {

QLabel* newLabel(QWidget* parent, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* label = new QLabel(parent);
    label->setAlignment(align);
    return label;
}

// The fixed illustration: the motor and the two fans as the technician finds them.
QPixmap illustration() {
    QPixmap pixmap(180, 90);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const struct {
        int x;
        const char* name;
    } parts[] = {{30, "V1"}, {90, "M"}, {150, "V2"}};
    for (const auto& part : parts) {
        p.drawEllipse(QPoint(part.x, 40), 24, 24);
        p.drawText(QRect(part.x - 24, 16, 48, 48), Qt::AlignCenter, part.name);
    }
    p.drawText(QRect(0, 68, 180, 20), Qt::AlignCenter, "Fan  -  Motor  -  Fan");
    return pixmap;
}

} // namespace

UsuresView::UsuresView(Station& station, QWidget* parent)
    : ModelDialog(station, *station.models().Usures, "Form_Unload", parent) {
    UsuresWindow& w = *station.models().Usures;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(addControlWidget(newLabel(this, Qt::AlignCenter), "Label4"));

    // One row per counter: decimal values over bit patterns, high byte on the left, then hours.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const char* const titles[] = {"Label10", "Label11", "Label12", nullptr};
    const char* const units[] = {"Label7", "Label8", "Label9", "Label14"};
    for (int group = 0; group < 4; ++group) {
        const int row = 2 * group;
        if (titles[group]) {
            grid->addWidget(addControlWidget(newLabel(this), titles[group]), row, 0, 2, 1);
        } else {
            auto* hdd = newLabel(this);
            hdd->setText("[Hdd]");
            hdd->setObjectName("UptimeTitle");
            hdd->setAccessibleName("Station uptime");
            grid->addWidget(hdd, row, 0, 2, 1);
        }
        const int first = 5 * group;
        for (int column = 0; column < 3; ++column) {
            const int n = first + 2 - column;
            auto* decimal = newLabel(this, Qt::AlignCenter);
            decimal->setFont(fixed);
            nameWidget(decimal, w.Label15[n], QString("Slot %1 value").arg(n));
            widgets_[w.Label15[n].name] = decimal;
            grid->addWidget(decimal, row, 1 + column);
            auto* bits = newLabel(this, Qt::AlignCenter);
            bits->setFont(fixed);
            nameWidget(bits, w.Label6[n], QString("Slot %1 bits").arg(n));
            widgets_[w.Label6[n].name] = bits;
            grid->addWidget(bits, row + 1, 1 + column);
        }
        auto* hours = newLabel(this, Qt::AlignRight | Qt::AlignVCenter);
        hours->setFont(fixed);
        hours->setMinimumWidth(hours->fontMetrics().horizontalAdvance("0000000"));
        nameWidget(hours, w.Label5[group], QString("Hours of counter %1").arg(group + 1));
        widgets_[w.Label5[group].name] = hours;
        grid->addWidget(hours, row, 4, 2, 1);
        grid->addWidget(addControlWidget(newLabel(this), units[group]), row, 5, 2, 1);
    }
    layout->addLayout(grid);

    // The hidden slots and copies exist for the behaviour; they are never drawn.
    auto* hidden = new QWidget(this);
    hidden->setObjectName("HiddenCells");
    auto* hiddenLayout = new QHBoxLayout(hidden);
    for (int n : {3, 4, 8, 9, 13, 14}) {
        for (ControlArray* array : {&w.Label6, &w.Label15}) {
            auto* cell = newLabel(hidden);
            nameWidget(cell, (*array)[n], QString("Hidden slot %1").arg(n));
            widgets_[(*array)[n].name] = cell;
            hiddenLayout->addWidget(cell);
        }
    }
    for (const char* name : {"Label27", "Label28", "Label29", "Label32", "Label33", "Label34"})
        hiddenLayout->addWidget(addControlWidget(newLabel(hidden), name));
    hidden->hide();

    auto* erase = new QGroupBox(this);
    erase->setObjectName("EraseGroup");
    erase->setAccessibleName("Erase counters");
    auto* eraseGrid = new QGridLayout(erase);
    eraseGrid->addWidget(addControlWidget(newLabel(erase), "Label2"), 0, 0, 1, 3);
    eraseGrid->addWidget(addControlWidget(newLabel(erase), "Label1"), 1, 0);
    eraseGrid->addWidget(addControlWidget(newLabel(erase), "Label3"), 2, 0);
    const char* const counters[] = {"S-Lamp", "H-Lamp", "Magnetron"};
    for (int i = 0; i < 3; ++i) {
        auto* code = new QLineEdit(erase);
        code->setEchoMode(QLineEdit::Password);
        nameWidget(code, w.Text1[i], QString("Access code %1").arg(counters[i]));
        widgets_[w.Text1[i].name] = code;
        connect(code, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            if (station_.ended()) return;
            Control& box = station_.models().Usures->Text1[i];
            box.caption = text.toStdString();
            fire(box.name + ":Change");
        });
        // Enter in the box acts as its erase button, once, and only when that button could.
        const std::string button = w.Activation[i].name;
        connect(code, &QLineEdit::returnPressed, this, [this, button] {
            if (!station_.ended() && model_.ctl(button).enabled) fire(button);
        });
        eraseGrid->addWidget(code, 1, 1 + i);
        auto* activate = new QPushButton(erase);
        addControlWidget(activate, button);
        keepFromEnter(activate);
        connect(activate, &QPushButton::clicked, this, [this, button] { fire(button); });
        eraseGrid->addWidget(activate, 2, 1 + i);
    }
    layout->addWidget(erase);

    auto* reset = new QPushButton(this);
    addControlWidget(reset, "ResetCompteurManuel");
    keepFromEnter(reset);
    connect(reset, &QPushButton::clicked, this, [this] { fire("ResetCompteurManuel"); });
    layout->addWidget(reset, 0, Qt::AlignRight);
}

void UsuresView::render() {
    ModelDialog::render();
    const UsuresWindow& w = *station_.models().Usures;
    if (w.shown() && w.focusRequest != focusRequest_) {
        focusRequest_ = w.focusRequest;
        const auto it = widgets_.find(w.focusControl);
        if (it != widgets_.end()) it->second->setFocus(Qt::OtherFocusReason);
    }
}

TestsMVView::TestsMVView(Station& station, QWidget* parent)
    : ModelDialog(station, *station.models().TestsMV, "Form_Unload", parent) {
    // The main window takes no input meanwhile; its timers and the link keep running.
    setWindowModality(Qt::ApplicationModal);
    TestsMVWindow& w = *station.models().TestsMV;
    auto* layout = new QVBoxLayout(this);
    auto* picture = newLabel(this, Qt::AlignCenter);
    picture->setPixmap(illustration());
    addControlWidget(picture, "Image2")->setAccessibleName("Motor and fans");
    layout->addWidget(picture);

    auto* grid = new QGridLayout;
    const auto button = [this](const std::string& name) {
        auto* b = new QPushButton(this);
        addControlWidget(b, name);
        connect(b, &QPushButton::clicked, this, [this, name] { fire(name); });
        return b;
    };
    grid->addWidget(button("MoteurOnFast"), 0, 0);
    grid->addWidget(button("MoteurOff"), 1, 0);
    grid->addWidget(button("TestSpeedM"), 2, 0);
    grid->addWidget(button("VentilOnFast"), 0, 1);
    grid->addWidget(button("VentilOff"), 1, 1);
    grid->addWidget(button("TestSpeedV"), 2, 1);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const auto list = [&](Control& control, const QString& spoken, ListItemsModel*& model) {
        auto* view = new QListView(this);
        view->setFont(fixed);
        view->setUniformItemSizes(true);
        view->setMinimumSize(160, 90);
        model = new ListItemsModel(control, view);
        view->setModel(model);
        nameWidget(view, control, spoken);
        return view;
    };
    grid->addWidget(list(w.List3, "Motor speeds", motor_), 3, 0);
    grid->addWidget(list(w.List4, "Fan speeds", fans_), 3, 1);
    layout->addLayout(grid);
}

void TestsMVView::render() {
    motor_->sync();
    fans_->sync();
    ModelDialog::render();
}

} // namespace orbek::qt
