#include "ui/FolderBrowser.h"

#include <objbase.h>
#include <shlobj.h>

namespace kalvorin::setup {

namespace {

// Reacts to the browser's initialisation only: selects the typed folder.
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) ::SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

// The shell's folder browser wants COM in a single-threaded apartment on the
// calling thread; it is set up for the browser's lifetime only.
class ComApartment {
public:
    ComApartment() : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (initialised_) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_;
};

}  // namespace

bool BrowseForFolder(HWND owner, const std::string& title, const std::string& startFolder, std::string& picked) {
    const ComApartment apartment;
    LPITEMIDLIST root = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(owner, CSIDL_DRIVES, &root))) root = nullptr;

    char path[MAX_PATH + 1] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = root;
    info.pszDisplayName = path;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(startFolder.c_str());

    LPITEMIDLIST chosen = ::SHBrowseForFolderA(&info);
    const bool ok = chosen != nullptr && ::SHGetPathFromIDListA(chosen, path);
    if (ok) picked = path;

    IMalloc* allocator = nullptr;
    if (SUCCEEDED(::SHGetMalloc(&allocator)) && allocator != nullptr) {
        if (chosen != nullptr) allocator->Free(chosen);
        if (root != nullptr) allocator->Free(root);
        allocator->Release();
    }
    return ok;
}

}  // namespace kalvorin::setup
