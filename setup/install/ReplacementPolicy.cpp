#include "install/ReplacementPolicy.h"

#include <windows.h>

#include <optional>

#include "codec/CatalogEntry.h"
#include "framework/Format.h"
#include "install/VersionInfo.h"
#include "res/resource.h"
#include "run/AskUser.h"
#include "run/SetupException.h"
#include "run/SetupWork.h"
#include "setupdata/SetupFiles.h"

namespace kalvorin::setup {

namespace {

constexpr UINT kQuestion = MB_YESNO | MB_ICONEXCLAMATION;
constexpr UINT kRequiredQuestion = MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2;
constexpr UINT kVersionBlockError = MB_OK | MB_ICONSTOP;

[[noreturn]] void Fail(SetupCause cause) {
    throw CSetupException(SetupPhase::FileInstallation, cause);
}

// A question with a slot, through the same-problem memory.
int AskRemembered(SetupWork& work, ReplacementQuestion question, UINT text, const std::string& target, UINT flags) {
    return work.answers.Ask(static_cast<int>(question), [&] { return AskUser(FormatStringId(text, {target}), flags); });
}

// The version information of one file: nullopt when it has none (size 0),
// when its block cannot be read (then IDS_VERSION_BLOCK_ERROR names the file) or when the
// block has no valid fixed file information.
std::optional<FileVersion> ReadVersion(SetupWork& work, const std::string& path, DWORD size) {
    if (size == 0) return std::nullopt;
    const VersionApi& api = VersionApi::Instance();
    std::vector<uint8_t> block = work.Allocate(size, SetupPhase::FileInstallation);
    if (work.beforeVersionRead) work.beforeVersionRead(path);
    if (!api.ReadInfo(path, block)) {
        AskUser(FormatStringId(IDS_VERSION_BLOCK_ERROR, {path}), kVersionBlockError);
        return std::nullopt;
    }
    FileVersion version;
    if (!api.Parse(block, version)) return std::nullopt;
    return version;
}

ReplaceDecision BySize(SetupWork& work, const std::string& extractedPath, const std::string& targetPath) {
    uint64_t newSize = 0;
    uint64_t oldSize = 0;
    if (!GetFileSizeOf(extractedPath, newSize) || !GetFileSizeOf(targetPath, oldSize)) {
        Fail(SetupCause::UnexpectedError);
    }
    const int answer =
        newSize != oldSize
            ? AskRemembered(work, ReplacementQuestion::SizeDiffers, IDS_REPLACE_NO_VERSIONS, targetPath, kQuestion)
            : AskRemembered(work, ReplacementQuestion::SizeEqual, IDS_REPLACE_SAME_SIZE, targetPath, kQuestion);
    return answer == IDNO ? ReplaceDecision::Keep : ReplaceDecision::Replace;
}

unsigned LanguageSum(const std::vector<uint16_t>& languages) {
    unsigned sum = 0;
    for (uint16_t language : languages) sum += language;
    return sum;
}

ReplaceDecision ByVersions(SetupWork& work, const std::string& targetPath, const FileVersion& newer,
                           const FileVersion& older) {
    if (newer.versionMS != older.versionMS || newer.versionLS != older.versionLS) return ReplaceDecision::Replace;
    if (!newer.hasLanguages || !older.hasLanguages) return ReplaceDecision::Keep;
    if (LanguageSum(newer.languages) == LanguageSum(older.languages)) return ReplaceDecision::Keep;
    const uint16_t user = work.context.languageId;
    const std::string text = FormatStringId(IDS_REPLACE_LANGUAGE, {targetPath, JoinLanguageNames(older.languages, user),
                                                                   JoinLanguageNames(newer.languages, user)});
    return AskUser(text, kQuestion) == IDNO ? ReplaceDecision::Keep : ReplaceDecision::Replace;
}

}  // namespace

ReplaceDecision DecideReplacement(SetupWork& work, const std::string& extractedPath, const std::string& targetPath,
                                  uint8_t flags) {
    if (flags & spd::CatalogFlags::Required) {
        const int answer =
            AskRemembered(work, ReplacementQuestion::RequiredFile, IDS_KEEP_REQUIRED, targetPath, kRequiredQuestion);
        return answer == IDYES ? ReplaceDecision::Keep : ReplaceDecision::Replace;
    }

    const VersionApi& api = VersionApi::Instance();
    const DWORD newSize = api.InfoSize(extractedPath);
    const DWORD oldSize = api.InfoSize(targetPath);
    if (newSize == 0 && oldSize == 0) return BySize(work, extractedPath, targetPath);

    const std::optional<FileVersion> newer = ReadVersion(work, extractedPath, newSize);
    const std::optional<FileVersion> older = ReadVersion(work, targetPath, oldSize);
    if (!newer && !older) return BySize(work, extractedPath, targetPath);
    if (newer && older) return ByVersions(work, targetPath, *newer, *older);

    if (older) {
        const int answer =
            AskRemembered(work, ReplacementQuestion::OldHasVersion, IDS_KEEP_OLD_VERSIONED, targetPath, kQuestion);
        if (answer == IDYES) return ReplaceDecision::Keep;
        if (answer == IDNO) return ReplaceDecision::Replace;
    } else {
        const int answer =
            AskRemembered(work, ReplacementQuestion::NewHasVersion, IDS_REPLACE_NEW_VERSIONED, targetPath, kQuestion);
        if (answer == IDYES) return ReplaceDecision::Replace;
        if (answer == IDNO) return ReplaceDecision::Keep;
    }
    Fail(SetupCause::UnexpectedError);
}

std::string JoinLanguageNames(const std::vector<uint16_t>& languages, uint16_t userLanguage) {
    const char* conjunction = userLanguage == 7 ? "und " : userLanguage == 12 ? "et " : "and ";
    const VersionApi& api = VersionApi::Instance();
    std::string text;
    const size_t count = languages.size();
    for (size_t i = 0; i < count; ++i) {
        const std::string name = api.LanguageName(languages[i]);
        if (name.empty()) continue;
        if (i != 0 && i + 1 != count) {
            text += ", ";
        } else if (i + 1 == count && count > 1 && !text.empty()) {
            text += ' ';
            text += conjunction;
        }
        text += name;
    }
    return text;
}

}  // namespace kalvorin::setup
