// A picture area of a window model (plot, scale strip, thermometer bar) drawn from its canvas,
// scaled to the room the window gives it; the canvas (and the saved bitmap) keep their size.
#pragma once

#include "app/start_window.hpp"

#include <QImage>
#include <QWidget>

namespace orbek::qt {

class PictureView : public QWidget {
    Q_OBJECT
  public:
    // `visibleHeight` cuts the canvas to the part the window shows (0: all of it).
    PictureView(PictureCanvas& canvas, int visibleHeight = 0, QWidget* parent = nullptr);

    // The size on screen: the canvas times `scale`, smoothed below 1, sharp pixels above.
    void setScale(double scale);
    double scale() const { return scale_; }
    QSize canvasSize() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // Redraws what changed on the canvas since the last call, and only that.
    void refresh();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // The screen's picture of the canvas area `area`, scaled; the part of the widget it covers.
    QRect scaleArea(const PictureCanvas::Area& area);

    PictureCanvas& canvas_;
    int visibleHeight_;
    double scale_ = 1.0;
    uint64_t shownRevision_ = ~uint64_t{0};
    // The canvas as drawn, and as shown: scaled to the widget's device pixels, so a paint is a
    // plain copy of the part exposed (a scaled paint would be spread over Qt's thread pool,
    // two more wake-ups each time).
    QImage image_;
    QImage shown_;
};

} // namespace orbek::qt
