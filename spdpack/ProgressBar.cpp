#include "spdpack/ProgressBar.h"

#include <unistd.h>

namespace spdpack {

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

ProgressBar::ProgressBar(std::FILE* out, bool enabled, std::string label)
    : out_(out), enabled_(enabled), label_(std::move(label)) {}

ProgressBar::~ProgressBar() {
    Finish();
}

std::string ProgressBar::Render(const std::string& label, std::uint64_t done, std::uint64_t total, int width) {
    if (total == 0) total = 1;
    if (done > total) done = total;
    int filled = static_cast<int>(done * static_cast<std::uint64_t>(width) / total);
    int percent = static_cast<int>(done * 100 / total);
    std::string s = label + " [";
    s.append(static_cast<std::size_t>(filled), '#');
    s.append(static_cast<std::size_t>(width - filled), ' ');
    s += "] " + std::to_string(percent) + "%  " + std::to_string(done / 1024) + " / " + std::to_string(total / 1024) +
         " KiB";
    return s;
}

void ProgressBar::Update(std::uint64_t done, std::uint64_t total) {
    if (!enabled_) return;
    auto now = std::chrono::steady_clock::now();
    if (drawn_ && done < total && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    std::fprintf(out_, "\r%s", Render(label_, done, total, 40).c_str());
    std::fflush(out_);
    drawn_ = true;
}

void ProgressBar::Finish() {
    if (enabled_ && drawn_) {
        std::fputc('\n', out_);
        std::fflush(out_);
    }
    drawn_ = false;
    enabled_ = false;
}

}  // namespace spdpack
