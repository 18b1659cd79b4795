// The picture of the screensaver: a few coloured waves that drift across a
// dark sky and the name "Kalvorin" that glides between the screen's edges.
// Pure arithmetic; drawing is the window's business.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace kalvorin_sample {

struct Point {
    int x;
    int y;
};

struct Wave {
    std::uint32_t colour;       // 0x00BBGGRR, as GDI's COLORREF
    std::vector<Point> points;  // a polyline from the left edge to the right edge
};

class Waves {
public:
    static constexpr int kWaveCount = 5;

    Waves(int width, int height);

    // Advances the picture by one frame.
    void Step();

    std::array<Wave, kWaveCount> Lines() const;
    Point TitlePosition() const { return {titleX_, titleY_}; }
    // Keeps the title (of the given size) inside the screen.
    void SetTitleSize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    int width_;
    int height_;
    unsigned frame_ = 0;
    int titleX_ = 0;
    int titleY_ = 0;
    int titleDx_ = 2;
    int titleDy_ = 1;
    int titleWidth_ = 0;
    int titleHeight_ = 0;
};

}  // namespace kalvorin_sample
