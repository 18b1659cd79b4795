// Pixels of the screen (the X display Wine draws on) and PNG files of them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// An RGB picture, one 0x00RRGGBB value per pixel, rows from the top.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The screen's pixels in `rect` (screen coordinates); the whole screen when
// no rectangle is given. Throws Error when the screen cannot be read.
Image CaptureScreen();
Image CaptureScreen(const RECT& rect);

// Writes the image as an 8-bit RGB PNG; throws Error when the file cannot be written.
void SavePng(const Image& image, const std::string& path);

// Saves the whole screen as PNG into "<KALVORIN_BUILD>/screenshots/<name>.png"
// (or the current folder when KALVORIN_BUILD is not set) and returns the path;
// returns an empty string when anything fails (a screenshot is a diagnosis,
// never a reason of its own to fail).
std::string SaveScreenshot(const std::string& name);

}  // namespace e2e
