#include "qt/picture_view.hpp"

#include <QPainter>

namespace orbek::qt {

PictureView::PictureView(const PictureCanvas& canvas, int visibleHeight, QWidget* parent)
    : QWidget(parent), canvas_(canvas),
      visibleHeight_(visibleHeight > 0 ? std::min(visibleHeight, canvas.height())
                                       : canvas.height()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(sizeHint());
    refresh();
}

QSize PictureView::canvasSize() const {
    return {canvas_.width(), visibleHeight_};
}

QSize PictureView::sizeHint() const {
    return (QSizeF(canvasSize()) * scale_).toSize();
}

void PictureView::setScale(double scale) {
    if (scale <= 0 || scale == scale_) return;
    scale_ = scale;
    setFixedSize(sizeHint());
    updateGeometry();
    update();
}

void PictureView::refresh() {
    if (canvas_.revision() == shownRevision_) return;
    shownRevision_ = canvas_.revision();
    const int w = canvas_.width();
    if (image_.size() != canvasSize()) image_ = QImage(canvasSize(), QImage::Format_RGB32);
    const auto& pixels = canvas_.pixels();
    for (int y = 0; y < visibleHeight_; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const Rgb& p = pixels[static_cast<std::size_t>(y * w + x)];
            line[x] = qRgb(p.r, p.g, p.b);
        }
    }
    update();
}

void PictureView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    // Text is part of the canvas pixels, as in the saved bitmap.
    // Shrunk, the one-pixel traces are blended rather than dropped; enlarged, pixels stay sharp.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, scale_ < 1.0);
    painter.drawImage(QRect(QPoint(0, 0), sizeHint()), image_);
}

} // namespace orbek::qt
