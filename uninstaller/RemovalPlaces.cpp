#include "uninstaller/RemovalPlaces.h"

#include <windows.h>

#include "codec/InstallableName.h"
#include "codec/SetupHeader.h"
#include "system/RegistryRecords.h"
#include "system/SystemInfo.h"

namespace kalvorin::uninstaller {

namespace {

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// True when `inner` lies strictly below `outer` (both plain and folded).
bool StrictlyBelow(const std::string& inner, const std::string& outer) {
    return !outer.empty() && inner.size() > outer.size() + 1 && inner.compare(0, outer.size(), outer) == 0 &&
           inner[outer.size()] == '\\';
}

std::optional<std::string> FoldedPlain(const std::string& path) {
    const std::optional<std::string> plain = PlainAbsolutePath(path);
    if (!plain) return std::nullopt;
    return spd::FoldName(*plain);
}

// A key exactly one level below `parent` (both folded).
bool OneLevelBelow(const std::string& key, const std::string& parent) {
    return StrictlyBelow(key, parent) && key.find('\\', parent.size() + 1) == std::string::npos;
}

}  // namespace

std::optional<std::string> PlainAbsolutePath(const std::string& path) {
    std::string p = path;
    if (p.size() > 3 && p.back() == '\\') p.pop_back();
    if (p.size() < 4 || !IsDriveLetter(p[0]) || p[1] != ':' || p[2] != '\\') return std::nullopt;
    // Everything after "X:\" must be a folder path of installable names.
    if (spd::CheckFolderPath(std::string_view(p).substr(3)) != spd::NameProblem::None) return std::nullopt;
    return p;
}

RemovalPlaces::RemovalPlaces(const std::string& logFolder, const std::vector<std::string>& protectedBases,
                             AttributesOf attributes)
    : attributes_(std::move(attributes)) {
    logFolder_ = FoldedPlain(logFolder).value_or(std::string());
    for (const std::string& base : protectedBases) {
        if (auto folded = FoldedPlain(base)) protectedBases_.push_back(*folded);
    }
    if (!attributes_) {
        attributes_ = [](const std::string& path) -> unsigned long { return ::GetFileAttributesA(path.c_str()); };
    }
}

RemovalPlaces RemovalPlaces::OfThisComputer(const std::string& logFolder) {
    std::vector<std::string> bases{WindowsFolder(), SystemFolder()};
    for (const char* value : {"ProgramFilesDir", "CommonFilesDir"}) {
        if (auto folder = ReadFolderValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, value)) bases.push_back(*folder);
    }
    return RemovalPlaces(logFolder, bases);
}

bool RemovalPlaces::BelowSomeBase(const std::string& folded) const {
    if (StrictlyBelow(folded, logFolder_)) return true;
    for (const std::string& base : protectedBases_) {
        if (StrictlyBelow(folded, base)) return true;
    }
    return false;
}

size_t RemovalPlaces::AnchorLength(const std::string& folded) const {
    size_t anchor = 0;
    const auto consider = [&](const std::string& base) {
        if (StrictlyBelow(folded, base) && base.size() > anchor) anchor = base.size();
    };
    consider(logFolder_);
    if (anchor == 0) {
        for (const std::string& base : protectedBases_) consider(base);
    }
    return anchor != 0 ? anchor : 2;  // "X:"
}

bool RemovalPlaces::CrossesReparsePoint(const std::string& plain) const {
    const size_t anchor = AnchorLength(spd::FoldName(plain));
    for (size_t at = plain.find('\\', anchor + 1);; at = plain.find('\\', at + 1)) {
        const unsigned long attributes = attributes_(plain.substr(0, at));
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
        if (at == std::string::npos) return false;
    }
}

bool RemovalPlaces::MayRemoveFile(const std::string& path) const {
    const std::optional<std::string> plain = PlainAbsolutePath(path);
    if (!plain) return false;
    const std::string folded = spd::FoldName(*plain);
    if (folded == logFolder_) return false;
    for (const std::string& base : protectedBases_) {
        if (folded == base) return false;
    }
    return BelowSomeBase(folded) && !CrossesReparsePoint(*plain);
}

bool RemovalPlaces::MayRemoveFolder(const std::string& path) const {
    const std::optional<std::string> plain = PlainAbsolutePath(path);
    if (!plain) return false;
    const std::string folded = spd::FoldName(*plain);
    for (const std::string& base : protectedBases_) {
        if (folded == base || StrictlyBelow(base, folded)) return false;
    }
    const bool ownOrAbove = !logFolder_.empty() && (folded == logFolder_ || StrictlyBelow(logFolder_, folded));
    return (ownOrAbove || BelowSomeBase(folded)) && !CrossesReparsePoint(*plain);
}

bool MayRemoveRegistryEntry(const spd::RegistryEntryRecord& record, const std::string& displayName) {
    if (record.hive != spd::RegistryEntryRecord::kLocalMachine || !spd::IsStorableDisplayName(displayName)) {
        return false;
    }
    const std::string key = spd::FoldName(record.key);
    const std::string productRoot = spd::FoldName(kProductRootKey);
    if (!record.IsWholeKey()) {
        return key == productRoot && spd::FoldName(record.valueName) == spd::FoldName(ProductValueName(displayName));
    }
    return OneLevelBelow(key, productRoot) || key == spd::FoldName(std::string(kUninstallKey) + "\\" + displayName);
}

}  // namespace kalvorin::uninstaller
