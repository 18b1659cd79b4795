// The uninstaller's command line, which anybody who can start it chooses:
// every line is parsed into one of its three kinds, and what a kind carries
// is there (a log path without quotation marks; the original's path).
#include "FuzzCheck.h"

#include "uninstaller/CommandLine.h"

#include <string>

using kalvorin::uninstaller::CommandLine;
using kalvorin::uninstaller::ParseCommandLine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const char* const kModules[] = {"C:\\WINDOWS\\UnSc0417.exe", "C:\\Temp\\UnSc1234.exe",
                                           "C:\\Program Files\\x\\UnScr.exe", ""};
    const std::string module = kModules[data[0] % 4];
    const std::string line(reinterpret_cast<const char*>(data) + 1, size - 1);
    const CommandLine parsed = ParseCommandLine(line, module);
    switch (parsed.kind) {
    case CommandLine::Kind::Remove:
        FUZZ_CHECK(!parsed.logPath.empty());
        FUZZ_CHECK(parsed.logPath.find('"') == std::string::npos);
        break;
    case CommandLine::Kind::RemoveOriginal:
        FUZZ_CHECK(!parsed.originalPath.empty());
        FUZZ_CHECK(parsed.handle <= 0xFFFFFFFFu);
        FUZZ_CHECK(line.find(std::to_string(parsed.handle)) != std::string::npos);
        break;
    case CommandLine::Kind::Bad:
        break;
    }
    return 0;
}
