#include "qt/telemetry_view.hpp"

#include "app/station.hpp"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orbek::qt {

TelemetryView::TelemetryView(Station& station, QWidget* parent)
    : ModelDialog(station, *station.models().Telemetry, "Close", parent) {
    TelemetryWindow& w = *station.models().Telemetry;
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    const Control* values[] = {&w.Broker,  &w.Topics,    &w.Connection,  &w.Sent,
                               &w.Dropped, &w.LastError, &w.EventCommand};
    for (int i = 0; i < TelemetryWindow::kRows; ++i) {
        grid->addWidget(addControlWidget(new QLabel(this), w.Label1[i].name), i, 0);
        auto* value = new QLabel(this);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        addControlWidget(value, values[i]->name)
            ->setAccessibleName(QString::fromStdString(w.Label1[i].caption));
        grid->addWidget(value, i, 1);
    }
    layout->addLayout(grid);
    auto* close = new QPushButton(this);
    addControlWidget(close, "Close");
    connect(close, &QPushButton::clicked, this, [this] { fire("Close"); });
    layout->addWidget(close, 0, Qt::AlignRight);
}

} // namespace orbek::qt
