#include "uninstaller/CommandLine.h"

#include <optional>
#include <vector>

#include "codec/InstallableName.h"

namespace kalvorin::uninstaller {

const char kRemoveOriginalSwitch[] = "/remove-original";

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The position after the program at the start of the command line.
size_t SkipProgram(const std::string& line, const std::string& modulePath) {
    if (!line.empty() && line[0] == '"') {
        const size_t close = line.find('"', 1);
        return close == std::string::npos ? line.size() : close + 1;
    }
    if (!modulePath.empty() && line.size() >= modulePath.size() &&
        spd::SameName(line.substr(0, modulePath.size()), modulePath) &&
        (line.size() == modulePath.size() || IsBlank(line[modulePath.size()]))) {
        return modulePath.size();
    }
    size_t end = 0;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    return end;
}

// The arguments after `from`; nullopt when a quotation mark is not closed or
// a closing one is followed by anything but a blank.
std::optional<std::vector<std::string>> SplitArguments(const std::string& line, size_t from) {
    std::vector<std::string> arguments;
    size_t i = from;
    for (;;) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) return arguments;
        if (line[i] == '"') {
            const size_t close = line.find('"', i + 1);
            if (close == std::string::npos) return std::nullopt;
            if (close + 1 < line.size() && !IsBlank(line[close + 1])) return std::nullopt;
            arguments.push_back(line.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            const size_t start = i;
            while (i < line.size() && !IsBlank(line[i])) {
                if (line[i] == '"') return std::nullopt;
                ++i;
            }
            arguments.push_back(line.substr(start, i - start));
        }
    }
}

// A handle's value: decimal digits of a number below 2^32 (every handle a
// process can inherit is; a larger number would wrap around in the 32-bit
// program and name some other handle).
std::optional<uintptr_t> ParseNumber(const std::string& text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<uintptr_t>(value);
}

}  // namespace

CommandLine ParseCommandLine(const std::string& commandLine, const std::string& modulePath) {
    CommandLine parsed;
    const auto arguments = SplitArguments(commandLine, SkipProgram(commandLine, modulePath));
    if (!arguments || arguments->empty()) return parsed;
    const std::vector<std::string>& args = *arguments;

    if (args[0] == kRemoveOriginalSwitch) {
        const auto handle = args.size() == 3 ? ParseNumber(args[1]) : std::nullopt;
        if (!handle || args[2].empty()) return parsed;
        parsed.kind = CommandLine::Kind::RemoveOriginal;
        parsed.handle = *handle;
        parsed.originalPath = args[2];
        return parsed;
    }
    if (args[0].empty() || args.size() > 2) return parsed;
    if (args.size() == 2 && args[1] != "s" && args[1] != "S") return parsed;
    parsed.kind = CommandLine::Kind::Remove;
    parsed.logPath = args[0];
    parsed.silent = args.size() == 2;
    return parsed;
}

}  // namespace kalvorin::uninstaller
