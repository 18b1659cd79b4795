#include "run/RememberedAnswer.h"

#include <windows.h>

#include "res/resource.h"
#include "run/AskUser.h"

namespace kalvorin::setup {

namespace {

constexpr UINT kRememberQuestionFlags = MB_YESNO | MB_ICONQUESTION;

bool ValidKind(int kind) {
    return kind >= 0 && kind < RememberedAnswer::kKinds;
}

}  // namespace

int RememberedAnswer::Ask(int kind, const std::function<int()>& askQuestion) {
    if (!ValidKind(kind)) return askQuestion();
    int32_t& slot = slots_[static_cast<size_t>(kind)];
    if (slot == IDYES || slot == IDNO) return slot;

    const int answer = askQuestion();
    if (slot == kNotAsked) {
        const int remember = AskUser(static_cast<UINT>(IDS_REMEMBER_ANSWER), kRememberQuestionFlags);
        slot = remember == IDYES ? answer : kDeclined;
    }
    return answer;
}

int32_t RememberedAnswer::Slot(int kind) const {
    return ValidKind(kind) ? slots_[static_cast<size_t>(kind)] : kNotAsked;
}

void RememberedAnswer::SetSlot(int kind, int32_t value) {
    if (ValidKind(kind)) slots_[static_cast<size_t>(kind)] = value;
}

}  // namespace kalvorin::setup
