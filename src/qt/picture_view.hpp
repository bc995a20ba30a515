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
    PictureView(const PictureCanvas& canvas, int visibleHeight = 0, QWidget* parent = nullptr);

    // The size on screen: the canvas times `scale`, smoothed below 1, sharp pixels above.
    void setScale(double scale);
    double scale() const { return scale_; }
    QSize canvasSize() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // Redraws when the canvas changed since the last call.
    void refresh();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const PictureCanvas& canvas_;
    int visibleHeight_;
    double scale_ = 1.0;
    uint64_t shownRevision_ = ~uint64_t{0};
    QImage image_;
};

} // namespace orbek::qt
