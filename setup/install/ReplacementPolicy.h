// Whether an existing file at a target is replaced by the new one or kept:
// by the Required flag, by the version resources of both files (file version
// and languages) or, when neither has one, by their sizes. Some cases are
// decided silently, the others are asked as Yes/No questions whose answers
// the user can apply to every later file with the same problem.
//
// A version resource that can be read but has no valid fixed file
// information counts as no version information: there is no version to
// compare. A resource without a translation table has no languages to
// compare: two files of the same version are then kept silently unless both
// name their languages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kalvorin::setup {

class SetupWork;

enum class ReplaceDecision { Replace, Keep };

// The questions that may be remembered, by their slot.
enum class ReplacementQuestion : int {
    SizeDiffers = 0,    // IDS_REPLACE_NO_VERSIONS
    SizeEqual = 1,      // IDS_REPLACE_SAME_SIZE
    OldHasVersion = 2,  // IDS_KEEP_OLD_VERSIONED
    NewHasVersion = 3,  // IDS_REPLACE_NEW_VERSIONED
    RequiredFile = 4,   // IDS_KEEP_REQUIRED
};

// The decision for the extracted file at `extractedPath` over the existing
// file at `targetPath`, for a catalog entry with `flags`. Uses and updates
// work.answers; asks on the calling thread. Raises (FileInstallation,
// OutOfMemory) when a version block cannot be held and (FileInstallation,
// UnexpectedError) when a size cannot be read or a version question gets
// neither Yes nor No.
ReplaceDecision DecideReplacement(SetupWork& work, const std::string& extractedPath, const std::string& targetPath,
                                  uint8_t flags);

// The names of the languages, joined for the language question: "A",
// "A und B", "A, B und C" (the conjunction "und", "et" or "and" by the
// user's primary language 7, 12 or any other). Empty names are skipped.
std::string JoinLanguageNames(const std::vector<uint16_t>& languages, uint16_t userLanguage);

}  // namespace kalvorin::setup
