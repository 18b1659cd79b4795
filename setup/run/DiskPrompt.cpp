#include "run/DiskPrompt.h"

#include <windows.h>

#include <atomic>

namespace kalvorin::setup {

namespace {

// Without a registered prompt there is nobody to ask: Cancel.
class NoPrompt : public VolumePrompt {
public:
    bool Ask(const std::string&, const std::string&, unsigned, std::string&) override { return false; }
};

std::atomic<VolumePrompt*> registered{nullptr};

}  // namespace

void VolumePrompt::Beep() {
    ::MessageBeep(MB_ICONEXCLAMATION);
}

void SetDiskPrompt(VolumePrompt* prompt) {
    registered.store(prompt);
}

VolumePrompt& DiskPrompt() {
    static NoPrompt none;
    VolumePrompt* prompt = registered.load();
    return prompt != nullptr ? *prompt : none;
}

}  // namespace kalvorin::setup
