#include "Waves.h"

#include <algorithm>
#include <cmath>

namespace kalvorin_sample {

namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr std::array<std::uint32_t, Waves::kWaveCount> kColours = {
    0x00F0B040,  // light blue
    0x00C0E060,  // turquoise
    0x0060D0F0,  // gold
    0x00A070F0,  // rose
    0x00F0F0F0,  // white
};

}  // namespace

Waves::Waves(int width, int height)
    : width_(std::max(width, 1)), height_(std::max(height, 1)), titleX_(width_ / 3), titleY_(height_ / 3) {
    // Small previews move the title more slowly.
    if (width_ < 400) {
        titleDx_ = 1;
    }
}

void Waves::SetTitleSize(int width, int height) {
    titleWidth_ = std::min(width, width_);
    titleHeight_ = std::min(height, height_);
    titleX_ = std::clamp(titleX_, 0, width_ - titleWidth_);
    titleY_ = std::clamp(titleY_, 0, height_ - titleHeight_);
}

void Waves::Step() {
    ++frame_;
    titleX_ += titleDx_;
    titleY_ += titleDy_;
    if (titleX_ <= 0 || titleX_ >= width_ - titleWidth_) {
        titleDx_ = -titleDx_;
        titleX_ = std::clamp(titleX_, 0, width_ - titleWidth_);
    }
    if (titleY_ <= 0 || titleY_ >= height_ - titleHeight_) {
        titleDy_ = -titleDy_;
        titleY_ = std::clamp(titleY_, 0, height_ - titleHeight_);
    }
}

std::array<Wave, Waves::kWaveCount> Waves::Lines() const {
    std::array<Wave, kWaveCount> lines;
    const int step = std::max(width_ / 160, 2);
    for (int i = 0; i < kWaveCount; ++i) {
        Wave& wave = lines[static_cast<size_t>(i)];
        wave.colour = kColours[static_cast<size_t>(i)];
        const double base = height_ * (i + 1) / (kWaveCount + 1.0);
        const double amplitude = height_ / 10.0 * (1.0 + 0.5 * std::sin(frame_ * 0.01 + i));
        const double wavelength = width_ / (1.5 + 0.4 * i);
        const double phase = frame_ * (0.03 + 0.01 * i);
        for (int x = 0; x <= width_ + step; x += step) {
            const double y = base + amplitude * std::sin(2 * kPi * x / wavelength + phase) +
                             amplitude / 3 * std::sin(2 * kPi * x / (wavelength / 2.7) - phase * 1.3);
            wave.points.push_back({x, static_cast<int>(std::lround(y))});
        }
    }
    return lines;
}

}  // namespace kalvorin_sample
