#include "framework/LibrarySearch.h"

#include <windows.h>

#include "framework/SystemLibrary.h"

namespace kalvorin {

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32; the headers of the oldest target lack it.
constexpr DWORD kSearchSystem32 = 0x00000800;

}  // namespace

LibrarySearch RestrictLibrarySearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
    if (const auto setDefault = KernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories")) {
        if (setDefault(kSearchSystem32)) return LibrarySearch::SystemFolderOnly;
    }
    if (const auto setDirectory = KernelFunction<SetDllDirectoryFn>("SetDllDirectoryA")) {
        if (setDirectory("")) return LibrarySearch::NotInCurrentFolder;
    }
    return LibrarySearch::Unchanged;
}

bool LoadCommonControls() {
    HMODULE controls = ::LoadLibraryA("comctl32.dll");
    if (controls == nullptr) return false;
    using InitCommonControlsFn = void(WINAPI*)();
    const auto init = reinterpret_cast<InitCommonControlsFn>(
        reinterpret_cast<void*>(::GetProcAddress(controls, "InitCommonControls")));
    if (init != nullptr) init();
    return true;
}

}  // namespace kalvorin
