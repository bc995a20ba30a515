#include "qt/picture_view.hpp"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

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
    const int x1 =
        std::min(shown_.width() - 1, static_cast<int>(std::ceil((area.right + 1 + reach) * s)));
    const int y1 =
        std::min(shown_.height() - 1, static_cast<int>(std::ceil((area.bottom + 1 + reach) * s)));
    if (x1 < x0 || y1 < y0) return {};
    // Where each screen column samples the canvas: the pixel to its left and, shrunk, the weight
    // of the one to its right in 256ths.
    struct Column {
        int left, right, weight;
    };
    std::vector<Column> columns(static_cast<std::size_t>(x1 - x0 + 1));
    const auto sample = [&](int at, int size) {
        if (!smooth) return Column{std::min(size - 1, static_cast<int>(at / s)), 0, 0};
        const double f = std::clamp((at + 0.5) / s - 0.5, 0.0, size - 1.0);
        const int low = static_cast<int>(f);
        return Column{low, std::min(size - 1, low + 1), static_cast<int>((f - low) * 256 + 0.5)};
    };
    for (int x = x0; x <= x1; ++x)
        columns[static_cast<std::size_t>(x - x0)] = sample(x, sw);
    for (int y = y0; y <= y1; ++y) {
        auto* out = reinterpret_cast<QRgb*>(shown_.scanLine(y)) + x0;
        const Column row = sample(y, sh);
        const auto* a = reinterpret_cast<const QRgb*>(image_.constScanLine(row.left));
        if (!smooth) {
            for (const Column& c : columns)
                *out++ = a[c.left];
            continue;
        }
        const auto* b = reinterpret_cast<const QRgb*>(image_.constScanLine(row.right));
        const int wy = row.weight;
        for (const Column& c : columns) {
            // Red and blue, then green, blended in one go each (8-bit weights, 16-bit lanes).
            const auto mix = [](uint32_t p, uint32_t q, int w) {
                const uint32_t rb = ((p & 0xFF00FF) * (256 - w) + (q & 0xFF00FF) * w) >> 8;
                const uint32_t g = ((p & 0x00FF00) * (256 - w) + (q & 0x00FF00) * w) >> 8;
                return (rb & 0xFF00FF) | (g & 0x00FF00);
            };
            const uint32_t top = mix(a[c.left], a[c.right], c.weight);
            const uint32_t bottom = mix(b[c.left], b[c.right], c.weight);
            *out++ = 0xFF000000 | mix(top, bottom, wy);
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
