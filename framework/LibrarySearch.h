// Where the program's libraries come from. A setup program runs from
// download folders and removable media, often with administrator rights: a
// library looked for by its bare name in the program's own folder or in the
// current folder is one that anybody can put there.
//
// - Static imports are resolved before any code runs, so a shipped program
//   imports only known DLLs (tests/ship/allowed-imports.txt); everything
//   else is loaded at run time.
// - RestrictLibrarySearch() is the first thing WinMain does: every later
//   load by a bare name, by the program or by a system library on its
//   behalf, searches the system folder only.
// - Libraries of the system are loaded by their full path
//   (framework/SystemLibrary.h), the common controls through the
//   application manifest (LoadCommonControls).
#pragma once

namespace kalvorin {

// How far the search could be restricted.
enum class LibrarySearch {
    SystemFolderOnly,    // SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)
    NotInCurrentFolder,  // SetDllDirectoryA(""): the program's folder is still searched
    Unchanged,           // neither function exists
};

// SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) where the system has
// it (Windows 8 and later; Vista and 7 with update KB2533623); otherwise
// SetDllDirectoryA(""), which takes the current folder out of the search
// (Windows XP SP1 and later). Both are looked up at run time: the oldest
// supported Windows lacks the first.
LibrarySearch RestrictLibrarySearch();

// Loads the common controls and registers their window classes (the
// progress bar). The library is asked for by its name after
// RestrictLibrarySearch(): the application manifest redirects the name to
// the system's common controls 6 (side by side) before any folder is
// searched, and a search that still takes place looks in the system folder
// only. The library stays loaded. False when it cannot be loaded.
bool LoadCommonControls();

}  // namespace kalvorin
