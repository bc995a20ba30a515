// A drawable picture area in pixels: the plot, its scale strip, the thermometer bar.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orbek {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

class Canvas {
  public:
    virtual ~Canvas() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void clear() = 0; // fills with the background colour
    virtual void setBackground(Rgb colour) = 0;
    virtual void line(int x1, int y1, int x2, int y2, Rgb colour) = 0;
    // Outline of the rectangle with corners (x1, y1) and (x2, y2), or filled.
    virtual void box(int x1, int y1, int x2, int y2, Rgb colour, bool filled) = 0;
    virtual void point(int x, int y, Rgb colour) = 0;
    virtual void text(int x, int y, const std::string& text, Rgb colour) = 0;
    virtual Rgb pixel(int x, int y) const = 0;
    // Writes the picture whole as a Windows bitmap; on failure nothing is left behind and
    // `error` says why.
    virtual bool saveBmp(const std::filesystem::path& path, std::string* error) const = 0;
};

// An in-memory canvas with a 24-bit bitmap writer. Text is printed into the pixels with a small
// built-in font, so the screen and the saved bitmap show the same.
class RasterCanvas : public Canvas {
  public:
    RasterCanvas(int width, int height, Rgb background = {});
    int width() const override { return width_; }
    int height() const override { return height_; }
    void clear() override;
    void setBackground(Rgb colour) override { background_ = colour; }
    Rgb background() const { return background_; }
    void line(int x1, int y1, int x2, int y2, Rgb colour) override;
    void box(int x1, int y1, int x2, int y2, Rgb colour, bool filled) override;
    void point(int x, int y, Rgb colour) override;
    void text(int x, int y, const std::string& text, Rgb colour) override;
    Rgb pixel(int x, int y) const override;
    bool saveBmp(const std::filesystem::path& path, std::string* error) const override;
    const std::vector<Rgb>& pixels() const { return pixels_; }

  protected:
    // One pixel, without telling anyone: the drawing operations are built on it.
    void set(int x, int y, Rgb colour) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
        pixels_[static_cast<std::size_t>(y * width_ + x)] = colour;
    }

  private:
    int width_;
    int height_;
    Rgb background_;
    std::vector<Rgb> pixels_;
};

// The bytes of a 24-bit bottom-up Windows bitmap of the pixels.
std::vector<uint8_t> encodeBmp(int width, int height, const std::vector<Rgb>& pixels);

} // namespace orbek
