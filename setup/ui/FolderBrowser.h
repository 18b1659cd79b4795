// The shell's folder browser as both folder fields of the program use it:
// rooted at the computer's drives, file-system folders only, opening on the
// folder that is typed in the field.
#pragma once

#include <windows.h>

#include <string>

namespace kalvorin::setup {

// Shows the browser owned by `owner` with `title`, opening on `startFolder`
// when it exists. Returns true and the picked folder's path in `picked` when
// the user chose a folder; false when the browser was cancelled. The item
// lists are released with the shell's allocator either way.
bool BrowseForFolder(HWND owner, const std::string& title, const std::string& startFolder, std::string& picked);

}  // namespace kalvorin::setup
