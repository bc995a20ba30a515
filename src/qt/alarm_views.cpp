#include "qt/alarm_views.hpp"

#include "app/station.hpp"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orbek::qt {

AlarmHolderView::AlarmHolderView(Station& station, QWidget* parent)
    : ModelDialog(station, *station.models().AlarmHolder, "OKAnnuler", parent) {
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(this);
    addControlWidget(title, "Label1");
    auto* text = new QLabel(this);
    addControlWidget(text, "Label3");
    QFont bold = text->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    text->setFont(bold);
    layout->addWidget(title);
    layout->addWidget(text);
    layout->addWidget(addControlWidget(new QLabel(this), "Label2"));
    layout->addWidget(addControlWidget(new QLabel(this), "Label4"));
    auto* ok = new QPushButton(this);
    addControlWidget(ok, "OKAnnuler");
    ok->setDefault(true); // Enter closes the box
    connect(ok, &QPushButton::clicked, this, [this] { fire("OKAnnuler"); });
    layout->addWidget(ok, 0, Qt::AlignRight);
}

FenInfoHolderView::FenInfoHolderView(Station& station, QWidget* parent)
    : ModelDialog(station, *station.models().FenInfoHolder, "", parent) {
    setWindowFlag(Qt::Tool);
    // It appears beside the pointer or the keyboard focus and takes neither.
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* grid = new QGridLayout(this);
    const char* rows[3][3] = {{"Label1", "Label3", "Label5"},
                              {"Label2", "Label4", "Label6"},
                              {"Label7", "Label8", "Label9"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            auto* label = new QLabel(this);
            label->setAutoFillBackground(true);
            addControlWidget(label, rows[r][c]);
            grid->addWidget(label, r, c);
        }
}

void FenInfoHolderView::reject() {
    if (station_.ended()) return QDialog::reject();
    station_.models().Start->fire("Form_MouseMove");
    if (renderAll) renderAll();
}

} // namespace orbek::qt
