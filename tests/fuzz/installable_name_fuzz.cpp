// The installable-name rule, which the packer and the setup program both
// apply to names read from setup data: a name it accepts as a file name is
// a folder path of one component; every component of an accepted folder
// path is an accepted file name without any of the characters Windows
// forbids; folding for comparison is stable and equal names compare equal.
#include "FuzzCheck.h"

#include "codec/InstallableName.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (spd::CheckFileName(text) == spd::NameProblem::None) {
        FUZZ_CHECK(!text.empty());
        FUZZ_CHECK(text.find_first_of("<>:\"/\\|?*") == std::string::npos);
        FUZZ_CHECK(text.back() != '.' && text.back() != ' ');
        FUZZ_CHECK(spd::CheckFolderPath(text) == spd::NameProblem::None);
    }
    if (spd::CheckFolderPath(text) == spd::NameProblem::None && !text.empty()) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = text.find('\\', start);
            FUZZ_CHECK(spd::CheckFileName(text.substr(start, end - start)) == spd::NameProblem::None);
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    const std::string folded = spd::FoldName(text);
    FUZZ_CHECK(folded.size() == text.size());
    FUZZ_CHECK(spd::FoldName(folded) == folded);
    FUZZ_CHECK(spd::SameName(text, folded) && spd::SameName(folded, text));
    FUZZ_CHECK(spd::NameProblemText(spd::CheckFileName(text)) != nullptr);
    return 0;
}
