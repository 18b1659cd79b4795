// The same-problem memory: per kind of question, whether the user wants the
// answer applied to every later file with the same problem.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace kalvorin::setup {

class RememberedAnswer {
public:
    static constexpr int kKinds = 5;
    // Slot values.
    static constexpr int32_t kNotAsked = 0;   // IDS_REMEMBER_ANSWER not offered yet
    static constexpr int32_t kDeclined = -1;  // never offer IDS_REMEMBER_ANSWER again

    // Sets every slot to 0 (done when the file loop begins).
    void Clear() { slots_.fill(kNotAsked); }

    // Answers the question of kind `kind`:
    // 1. slot IDYES or IDNO: returns it without asking;
    // 2. otherwise calls `askQuestion` (answer A);
    // 3. slot 0: asks IDS_REMEMBER_ANSWER with MB_YESNO | MB_ICONQUESTION; Yes stores A, anything else -1;
    // 4. returns A.
    // A kind outside 0..4 is asked every time and never remembered.
    int Ask(int kind, const std::function<int()>& askQuestion);

    int32_t Slot(int kind) const;
    void SetSlot(int kind, int32_t value);

private:
    std::array<int32_t, kKinds> slots_{};
};

}  // namespace kalvorin::setup
