// A one-line progress bar on a terminal; silent when output goes elsewhere.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace spdpack {

class ProgressBar {
public:
    // Draws on out only when enabled (the caller decides, normally when out
    // is a terminal).
    ProgressBar(std::FILE* out, bool enabled, std::string label);
    ~ProgressBar();

    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Update(std::uint64_t done, std::uint64_t total);
    void Finish();

    // The text drawn for a state (without the leading carriage return).
    static std::string Render(const std::string& label, std::uint64_t done, std::uint64_t total, int width);

private:
    std::FILE* out_;
    bool enabled_;
    bool drawn_ = false;
    std::string label_;
    std::chrono::steady_clock::time_point last_{};
};

// True when the stream is a terminal.
bool IsTerminal(std::FILE* stream);

}  // namespace spdpack
