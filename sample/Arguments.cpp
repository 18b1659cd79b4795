#include "Arguments.h"

#include <cctype>

namespace kalvorin_sample {

namespace {

void SkipBlanks(const std::string& s, size_t& at) {
    while (at < s.size() && (s[at] == ' ' || s[at] == '\t')) {
        ++at;
    }
}

// A window handle in decimal, as Windows writes it; 0 when there is none or
// when the text is not a number.
std::uintptr_t ReadHandle(const std::string& s, size_t at) {
    SkipBlanks(s, at);
    if (at < s.size() && s[at] == ':') {
        ++at;
        SkipBlanks(s, at);
    }
    std::uintptr_t value = 0;
    size_t digits = 0;
    while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) {
        const std::uintptr_t next = value * 10 + static_cast<std::uintptr_t>(s[at] - '0');
        if (next / 10 != value) {
            return 0;  // overflow: no valid handle
        }
        value = next;
        ++at;
        ++digits;
    }
    SkipBlanks(s, at);
    if (digits == 0 || at != s.size()) {
        return 0;
    }
    return value;
}

}  // namespace

Arguments ParseArguments(const std::string& commandLine) {
    Arguments args;
    size_t at = 0;
    SkipBlanks(commandLine, at);
    if (at == commandLine.size()) {
        return args;  // no arguments: the settings
    }
    if (commandLine[at] != '/' && commandLine[at] != '-') {
        args.mode = Mode::Invalid;
        return args;
    }
    ++at;
    if (at == commandLine.size()) {
        args.mode = Mode::Invalid;
        return args;
    }
    const char option = static_cast<char>(std::tolower(static_cast<unsigned char>(commandLine[at])));
    ++at;
    switch (option) {
    case 's':
        args.mode = Mode::FullScreen;
        break;
    case 'p':
        args.mode = Mode::Preview;
        args.window = ReadHandle(commandLine, at);
        if (args.window == 0) {
            args.mode = Mode::Invalid;  // a preview needs its window
        }
        break;
    case 'c':
        args.mode = Mode::Configure;
        args.window = ReadHandle(commandLine, at);
        break;
    case 'a':
        args.mode = Mode::ChangePassword;
        args.window = ReadHandle(commandLine, at);
        break;
    default:
        args.mode = Mode::Invalid;
        break;
    }
    return args;
}

}  // namespace kalvorin_sample
