#include "codec/InstallableName.h"

namespace spd {

namespace {

bool IsForbidden(unsigned char c) {
    if (c < 0x20) return true;
    switch (c) {
    case '<':
    case '>':
    case ':':
    case '"':
    case '/':
    case '\\':
    case '|':
    case '?':
    case '*':
        return true;
    default:
        return false;
    }
}

// Windows opens a device for these names, whatever follows the first dot
// and whatever blanks stand before it: "nul.txt", "COM1 .log".
bool IsDeviceName(std::string_view component) {
    std::string_view base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    const std::string upper = FoldName(base);
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" || upper == "CONOUT$")
        return true;
    if (upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT"))) {
        auto digit = static_cast<unsigned char>(upper[3]);
        // The superscript digits of code page 1252 count as well (COM¹, LPT²).
        return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

NameProblem CheckComponent(std::string_view part) {
    if (part.empty()) return NameProblem::EmptyComponent;
    if (part == "..") return NameProblem::ParentFolder;
    if (part.find_first_not_of(". ") == std::string_view::npos) return NameProblem::DotsAndBlanks;
    for (char c : part)
        if (IsForbidden(static_cast<unsigned char>(c))) return NameProblem::ForbiddenCharacter;
    if (part.back() == '.' || part.back() == ' ') return NameProblem::TrailingDotOrBlank;
    if (IsDeviceName(part)) return NameProblem::DeviceName;
    return NameProblem::None;
}

unsigned char FoldByte(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 'a' + 'A');
    // à..þ to À..Þ, except ÷ (0xF7), which is no letter.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    switch (c) {
    case 0x9A:
        return 0x8A;  // š Š
    case 0x9C:
        return 0x8C;  // œ Œ
    case 0x9E:
        return 0x8E;  // ž Ž
    case 0xFF:
        return 0x9F;  // ÿ Ÿ
    default:
        return c;  // ß and µ have no upper case in the code page
    }
}

}  // namespace

const char* NameProblemText(NameProblem problem) {
    switch (problem) {
    case NameProblem::None:
        return "is a valid name";
    case NameProblem::Empty:
        return "is empty";
    case NameProblem::EmptyComponent:
        return "has an empty component (two backslashes in a row or one at the end)";
    case NameProblem::Absolute:
        return "starts with a backslash; give a path relative to the base folder";
    case NameProblem::Drive:
        return "names a drive; give a path relative to the base folder";
    case NameProblem::ParentFolder:
        return "has a \"..\" component";
    case NameProblem::DotsAndBlanks:
        return "has a component of dots and blanks only";
    case NameProblem::ForbiddenCharacter:
        return "holds a character Windows does not allow in names (< > : \" / \\ | ? * or a control character)";
    case NameProblem::TrailingDotOrBlank:
        return "has a name ending in a dot or blank, which Windows drops";
    case NameProblem::DeviceName:
        return "is a device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, also with an extension)";
    }
    return "is not a valid name";
}

NameProblem CheckFileName(std::string_view name) {
    if (name.empty()) return NameProblem::Empty;
    return CheckComponent(name);
}

NameProblem CheckFolderPath(std::string_view path) {
    if (path.empty()) return NameProblem::None;
    if (path.front() == '\\' || path.front() == '/') return NameProblem::Absolute;
    if (path.size() >= 2 && path[1] == ':') return NameProblem::Drive;
    for (std::size_t start = 0;;) {
        std::size_t end = path.find('\\', start);
        NameProblem p = CheckComponent(path.substr(start, end == std::string_view::npos ? end : end - start));
        if (p != NameProblem::None) return p;
        if (end == std::string_view::npos) return NameProblem::None;
        start = end + 1;
    }
}

std::string FoldName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
    return folded;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldByte(static_cast<unsigned char>(a[i])) != FoldByte(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace spd
