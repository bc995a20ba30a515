#include "core/canvas.hpp"

#include "core/files.hpp"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace orbek {

RasterCanvas::RasterCanvas(int width, int height, Rgb background)
    : width_(width), height_(height), background_(background),
      pixels_(static_cast<std::size_t>(width * height), background) {}

void RasterCanvas::clear() {
    std::fill(pixels_.begin(), pixels_.end(), background_);
}

void RasterCanvas::point(int x, int y, Rgb colour) {
    set(x, y, colour);
}

void RasterCanvas::line(int x1, int y1, int x2, int y2, Rgb colour) {
    // Bresenham; like the original picture boxes the last point is not drawn.
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1;
    int y = y1;
    while (x != x2 || y != y2) {
        set(x, y, colour);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void RasterCanvas::box(int x1, int y1, int x2, int y2, Rgb colour, bool filled) {
    const int left = std::min(x1, x2);
    const int right = std::max(x1, x2);
    const int top = std::min(y1, y2);
    const int bottom = std::max(y1, y2);
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            if (filled || y == top || y == bottom || x == left || x == right) set(x, y, colour);
}

namespace {

// A 5 x 7 pixel font for what the station prints on its pictures (numbers). Each row is five
// bits, the leftmost column in bit 4; characters without a glyph leave a blank cell.
struct Glyph {
    char c;
    uint8_t rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
};
constexpr int kCellWidth = 6;
constexpr int kGlyphTop = 3; // the cursor is the top of the text cell, above the digits

} // namespace

void RasterCanvas::text(int x, int y, const std::string& text, Rgb colour) {
    // Printed into the pixels, as a picture box does: the saved bitmap holds what is shown.
    for (char c : text) {
        const auto* glyph = std::find_if(std::begin(kGlyphs), std::end(kGlyphs),
                                         [c](const Glyph& g) { return g.c == c; });
        if (glyph != std::end(kGlyphs))
            for (int row = 0; row < 7; ++row)
                for (int column = 0; column < 5; ++column)
                    if (glyph->rows[row] & (0x10 >> column))
                        set(x + column, y + kGlyphTop + row, colour);
        x += kCellWidth;
    }
}

Rgb RasterCanvas::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
    return pixels_[static_cast<std::size_t>(y * width_ + x)];
}

std::vector<uint8_t> encodeBmp(int width, int height, const std::vector<Rgb>& pixels) {
    const int rowSize = (width * 3 + 3) / 4 * 4;
    const uint32_t imageSize = static_cast<uint32_t>(rowSize * height);
    const uint32_t fileSize = 54 + imageSize;
    std::vector<uint8_t> out(fileSize, 0);
    auto put16 = [&](std::size_t at, uint32_t v) {
        out[at] = static_cast<uint8_t>(v);
        out[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](std::size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, fileSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    put16(26, 1);
    put16(28, 24);
    put32(34, imageSize);
    put32(38, 3780); // 96 dpi
    put32(42, 3780);
    for (int y = 0; y < height; ++y) {
        const std::size_t row = 54 + static_cast<std::size_t>((height - 1 - y) * rowSize);
        for (int x = 0; x < width; ++x) {
            const Rgb& p = pixels[static_cast<std::size_t>(y * width + x)];
            out[row + static_cast<std::size_t>(x) * 3] = p.b;
            out[row + static_cast<std::size_t>(x) * 3 + 1] = p.g;
            out[row + static_cast<std::size_t>(x) * 3 + 2] = p.r;
        }
    }
    return out;
}

bool RasterCanvas::saveBmp(const std::filesystem::path& path, std::string* error) const {
    const auto bytes = encodeBmp(width_, height_, pixels_);
    return files::writeFile(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), error);
}

} // namespace orbek
