// Test helper: answers the program's message boxes by script and records
// what was shown, through the framework's message box hook.
//
//   MessageBoxScript boxes({IDYES, IDNO});   // hook installed
//   ... code under test ...
//   ASSERT_EQ(boxes.Shown().size(), 2u);
//   EXPECT_EQ(boxes.Shown()[0].flags, 0x24u);
//   // hook removed when `boxes` goes out of scope
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class MessageBoxScript {
public:
    struct Box {
        std::string text;
        UINT flags;
        std::string caption;
    };

    // Installs the hook. Each box takes the next answer; when the script is
    // used up, boxes get `fallback`.
    explicit MessageBoxScript(std::vector<int> answers = {}, int fallback = IDOK);

    ~MessageBoxScript();
    MessageBoxScript(const MessageBoxScript&) = delete;
    MessageBoxScript& operator=(const MessageBoxScript&) = delete;

    void Answer(int answer);  // append an answer
    // From now on every box is answered by `rule` (the script is not used).
    void AnswerBy(std::function<int(const Box&)> rule);
    std::vector<Box> Shown() const;  // every box so far, in order
    size_t Count() const;
    void Clear();  // forget the boxes shown so far

private:
    int OnBox(const std::string& text, UINT flags, const std::string& caption);

    mutable std::mutex mutex_;
    std::deque<int> answers_;
    int fallback_;
    std::function<int(const Box&)> answer_;
    std::vector<Box> shown_;
};
