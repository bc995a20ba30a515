#include "qt/wait_box_view.hpp"

#include "app/station.hpp"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orbek::qt {

BoitestopView::BoitestopView(Station& station, QWidget* parent)
    : ModelDialog(station, *station.models().Boitestop, "OKQuitte", parent) {
    // The main window takes no input while the lamp cools; the event loop still runs.
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(addControlWidget(new QLabel(this), "Label4"));
    auto* row = new QHBoxLayout;
    row->addWidget(addControlWidget(new QLabel(this), "Label1"));
    auto* seconds = new QLabel(this);
    QFont big = seconds->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    seconds->setFont(big);
    seconds->setMinimumWidth(seconds->fontMetrics().horizontalAdvance("000"));
    seconds->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    addControlWidget(seconds, "Label2")->setAccessibleName("Seconds left");
    row->addWidget(seconds);
    row->addWidget(addControlWidget(new QLabel(this), "Label3"));
    row->addStretch(1);
    layout->addLayout(row);
    auto* ok = new QPushButton(this);
    addControlWidget(ok, "OKQuitte");
    ok->setDefault(true); // Enter closes the box
    connect(ok, &QPushButton::clicked, this, [this] { fire("OKQuitte"); });
    layout->addWidget(ok, 0, Qt::AlignRight);
}

} // namespace orbek::qt
