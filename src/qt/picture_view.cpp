#include "qt/picture_view.hpp"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace orbek::qt {

PictureView::PictureView(PictureCanvas& canvas, int visibleHeight, QWidget* parent)
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
    shown_ = QImage(); // scaled afresh at the next paint
    update();
}

void PictureView::refresh() {
    if (canvas_.revision() == shownRevision_ && !image_.isNull()) return;
    shownRevision_ = canvas_.revision();
    PictureCanvas::Area area = canvas_.takeChanged();
    if (image_.size() != canvasSize()) {
        image_ = QImage(canvasSize(), QImage::Format_RGB32);
        area = {0, 0, canvas_.width() - 1, canvas_.height() - 1};
    }
    area.bottom = std::min(area.bottom, visibleHeight_ - 1);
    if (area.empty()) return;
    const int w = canvas_.width();
    const auto& pixels = canvas_.pixels();
    for (int y = area.top; y <= area.bottom; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        for (int x = area.left; x <= area.right; ++x) {
            const Rgb& p = pixels[static_cast<std::size_t>(y * w + x)];
            line[x] = qRgb(p.r, p.g, p.b);
        }
    }
    if (shown_.isNull()) return update();
    update(scaleArea(area));
}

QRect PictureView::scaleArea(const PictureCanvas::Area& area) {
    // Every pixel on the screen is worked out from the canvas on its own, so a part scaled
    // now matches the parts scaled before. Shrunk, it blends the canvas pixels around it (the
    // one-pixel traces are not dropped); enlarged, it takes the one it falls in (sharp pixels).
    const double ratio = devicePixelRatioF();
    const double s = scale_ * ratio;
    const bool smooth = scale_ < 1.0;
    const int sw = image_.width();
    const int sh = image_.height();
    // The screen pixels whose samples reach into the area.
    const int reach = smooth ? 1 : 0;
    const int x0 = std::max(0, static_cast<int>(std::floor((area.left - reach) * s)));
    const int y0 = std::max(0, static_cast<int>(std::floor((area.top - reach) * s)));
    const int x1 = std::min(shown_.width() - 1, static_cast<int>(std::ceil((area.right + 1 + reach) * s)));
    const int y1 = std::min(shown_.height() - 1, static_cast<int>(std::ceil((area.bottom + 1 + reach) * s)));
    for (int y = y0; y <= y1; ++y) {
        auto* out = reinterpret_cast<QRgb*>(shown_.scanLine(y));
        if (!smooth) {
            const auto* in = reinterpret_cast<const QRgb*>(
                image_.constScanLine(std::min(sh - 1, static_cast<int>(y / s))));
            for (int x = x0; x <= x1; ++x)
                out[x] = in[std::min(sw - 1, static_cast<int>(x / s))];
            continue;
        }
        const double fy = std::clamp((y + 0.5) / s - 0.5, 0.0, sh - 1.0);
        const int ya = static_cast<int>(fy);
        const int yb = std::min(sh - 1, ya + 1);
        const double wy = fy - ya;
        const auto* a = reinterpret_cast<const QRgb*>(image_.constScanLine(ya));
        const auto* b = reinterpret_cast<const QRgb*>(image_.constScanLine(yb));
        for (int x = x0; x <= x1; ++x) {
            const double fx = std::clamp((x + 0.5) / s - 0.5, 0.0, sw - 1.0);
            const int xa = static_cast<int>(fx);
            const int xb = std::min(sw - 1, xa + 1);
            const double wx = fx - xa;
            const auto mix = [&](int (*channel)(QRgb)) {
                const double top = channel(a[xa]) * (1 - wx) + channel(a[xb]) * wx;
                const double bottom = channel(b[xa]) * (1 - wx) + channel(b[xb]) * wx;
                return static_cast<int>(top * (1 - wy) + bottom * wy + 0.5);
            };
            out[x] = qRgb(mix(qRed), mix(qGreen), mix(qBlue));
        }
    }
    return QRectF(x0 / ratio, y0 / ratio, (x1 - x0 + 1) / ratio, (y1 - y0 + 1) / ratio)
        .toAlignedRect();
}

void PictureView::paintEvent(QPaintEvent* event) {
    const double ratio = devicePixelRatioF();
    const QSize device = (QSizeF(sizeHint()) * ratio).toSize();
    if (shown_.size() != device) {
        shown_ = QImage(device, QImage::Format_RGB32);
        shown_.setDevicePixelRatio(ratio);
        scaleArea({0, 0, image_.width() - 1, image_.height() - 1});
    }
    // Text is part of the canvas pixels, as in the saved bitmap.
    QPainter painter(this);
    if (rect() != QRect(QPoint(0, 0), sizeHint()))
        painter.fillRect(event->rect(), palette().window());
    painter.drawImage(QPoint(0, 0), shown_);
}

} // namespace orbek::qt
