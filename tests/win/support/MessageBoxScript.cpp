#include "support/MessageBoxScript.h"

#include "framework/MessageBox.h"

MessageBoxScript::MessageBoxScript(std::vector<int> answers, int fallback)
    : answers_(answers.begin(), answers.end()), fallback_(fallback) {
    kalvorin::SetMessageBoxHook([this](const std::string& text, UINT flags, const std::string& caption) {
        return OnBox(text, flags, caption);
    });
}

MessageBoxScript::~MessageBoxScript() {
    kalvorin::SetMessageBoxHook(nullptr);
}

int MessageBoxScript::OnBox(const std::string& text, UINT flags, const std::string& caption) {
    std::lock_guard<std::mutex> lock(mutex_);
    shown_.push_back(Box{text, flags, caption});
    if (answer_) return answer_(shown_.back());
    if (answers_.empty()) return fallback_;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void MessageBoxScript::AnswerBy(std::function<int(const Box&)> rule) {
    std::lock_guard<std::mutex> lock(mutex_);
    answer_ = std::move(rule);
}

void MessageBoxScript::Answer(int answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(answer);
}

std::vector<MessageBoxScript::Box> MessageBoxScript::Shown() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_;
}

size_t MessageBoxScript::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_.size();
}

void MessageBoxScript::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    shown_.clear();
}
