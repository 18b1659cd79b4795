// Which names a setup may install, and when two names are the same file.
//
// One rule for the packer and the setup program: a name the packer writes
// is one the setup program installs, and a name the setup program refuses
// as damaged data is one the packer never writes. Names are code page 1252
// bytes, folders separated by backslashes.
//
//   spd::NameProblem p = spd::CheckFileName("Kalvorin.scr");     // None
//   spd::CheckFolderPath("Bilder\\Winter");                      // None
//   spd::CheckFolderPath("Bilder\\CON");                         // DeviceName
//   spd::SameName("\xC4rger.txt", "\xE4rger.txt");               // true
#pragma once

#include <string>
#include <string_view>

namespace spd {

enum class NameProblem {
    None,
    Empty,               // a file name of no characters
    EmptyComponent,      // two backslashes in a row, or one at the end
    Absolute,            // starts with a backslash or slash (also \\server\share)
    Drive,               // a drive letter and colon ("C:x", "C:\x")
    ParentFolder,        // a ".." component: one folder up
    DotsAndBlanks,       // a component of dots and blanks only (".", "...", ". .")
    ForbiddenCharacter,  // < > : " / \ | ? * or a control character (0-31)
    TrailingDotOrBlank,  // Windows drops a trailing dot or blank: "a." is "a"
    DeviceName,          // CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9, LPT0-9 (any extension)
};

// English description of a problem, for messages ("is a device name ...").
const char* NameProblemText(NameProblem problem);

// A file name that names a file in its folder: no folder part, none of the
// problems above.
NameProblem CheckFileName(std::string_view name);

// A folder path below a base folder: components separated by backslashes,
// each one a valid file name; not absolute, no drive. Empty names the base
// folder itself and is valid. No leading or trailing backslash is dropped
// here: a caller that allows them drops them first.
NameProblem CheckFolderPath(std::string_view path);

// The name as Windows compares names: letters of code page 1252 in upper
// case (a-z, the accented letters, š œ ž ÿ), every other byte as it is.
// Two names are the same file when their folded forms are equal.
std::string FoldName(std::string_view name);

// True when a and b name the same file or folder (compared folded).
bool SameName(std::string_view a, std::string_view b);

}  // namespace spd
