// A library loaded from the Windows system folder by its full path, never
// by a bare name: a bare name is looked for in the program's own folder and
// the current folder first, where anyone can put a file of that name.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace kalvorin {

class SystemLibrary {
public:
    SystemLibrary() = default;
    // Loads "<system folder>\<fileName>"; Loaded() tells whether it worked.
    explicit SystemLibrary(const std::string& fileName);
    ~SystemLibrary();
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;
    SystemLibrary(SystemLibrary&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
    SystemLibrary& operator=(SystemLibrary&& other) noexcept;

    bool Loaded() const { return module_ != nullptr; }
    HMODULE Module() const { return module_; }

    // The export `name` as a function pointer of type F, or nullptr.
    template <typename F>
    F Proc(const char* name) const {
        if (module_ == nullptr) return nullptr;
        return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module_, name)));
    }

    // Unloads the library now (also done by the destructor).
    void Free();

private:
    HMODULE module_ = nullptr;
};

// "<system folder>\<fileName>"; empty when the system folder is not known.
std::string SystemFolderPath(const std::string& fileName);

// The export `name` of kernel32 (always loaded) as a function pointer of
// type F, or nullptr: for functions newer than the oldest supported Windows.
template <typename F>
F KernelFunction(const char* name) {
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(kernel, name)));
}

}  // namespace kalvorin
