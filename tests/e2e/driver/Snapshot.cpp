#include "Snapshot.h"

#include <algorithm>

#include "Error.h"

namespace e2e {

namespace {

std::string Upper(std::string text) {
    if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

const char* RootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) return "HKLM";
    if (root == HKEY_CURRENT_USER) return "HKCU";
    return "HKEY";
}

HKEY RootOf(const std::string& name) {
    return name == "HKCU" ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// FNV-1a over the file's bytes.
uint64_t HashOf(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    uint64_t hash = 1469598103934665603ull;
    std::vector<unsigned char> buffer(1 << 16);
    DWORD read = 0;
    while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) && read > 0) {
        for (DWORD i = 0; i < read; ++i) hash = (hash ^ buffer[i]) * 1099511628211ull;
    }
    CloseHandle(file);
    return hash;
}

bool Below(const std::string& path, const std::vector<std::string>& folders) {
    const std::string upper = Upper(path);
    for (const std::string& folder : folders) {
        const std::string f = Upper(folder);
        if (upper == f || (upper.size() > f.size() && upper.compare(0, f.size(), f) == 0 &&
                           (f.back() == '\\' || upper[f.size()] == '\\'))) {
            return true;
        }
    }
    return false;
}

}  // namespace

Snapshot::Scope Snapshot::SetupScope(const std::vector<std::string>& hashedFolders) {
    Scope scope;
    scope.folders = {"C:\\"};
    scope.hashedFolders = hashedFolders;
    scope.excludedFolders = {"C:\\kalvstages"};
    scope.keys = {
        {HKEY_LOCAL_MACHINE, "Software\\Brisvane Screensaver"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
        {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager"},
        {HKEY_CURRENT_USER, "Control Panel\\Desktop"},
    };
    return scope;
}

Snapshot Snapshot::Take(const Scope& scope) {
    Snapshot snapshot;
    snapshot.scope_ = scope;

    // Files and folders: the deep ones depth first, the shallow ones one
    // level only.
    const auto scan = [&](const std::string& start, bool deep) {
        std::vector<std::string> pending{start};
        while (!pending.empty()) {
            std::string folder = pending.back();
            pending.pop_back();
            if (!folder.empty() && folder.back() == '\\') folder.pop_back();
            WIN32_FIND_DATAA data;
            HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
            if (find == INVALID_HANDLE_VALUE) continue;
            do {
                const std::string name = data.cFileName;
                if (name == "." || name == "..") continue;
                const std::string path = folder + "\\" + name;
                if (Below(path, scope.excludedFolders)) continue;
                FileState state;
                state.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                state.attributes = data.dwFileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE);
                if (!state.folder) {
                    state.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
                    state.writeTime = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                      data.ftLastWriteTime.dwLowDateTime;
                    if (Below(path, scope.hashedFolders)) state.hash = HashOf(path);
                } else if (deep && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                    pending.push_back(path);
                }
                snapshot.files_[Upper(path)] = state;
                snapshot.names_[Upper(path)] = path;
            } while (FindNextFileA(find, &data));
            FindClose(find);
        }
    };
    for (const std::string& folder : scope.folders) scan(folder, true);
    for (const std::string& folder : scope.shallowFolders) scan(folder, false);

    // Single files.
    for (const std::string& path : scope.files) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) continue;
        FileState state;
        state.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        state.attributes = data.dwFileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE);
        state.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if (!state.folder) state.hash = HashOf(path);
        snapshot.files_[Upper(path)] = state;
        snapshot.names_[Upper(path)] = path;
    }
    // Single values.
    for (const Scope::Value& value : scope.values) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(value.root, value.key.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) continue;
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key, value.name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            std::string data(size, '\0');
            RegQueryValueExA(key, value.name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
            data.resize(size);
            snapshot.values_[std::string(RootName(value.root)) + "\\" + value.key + " [" + value.name + "]"] = {type,
                                                                                                                data};
        }
        RegCloseKey(key);
    }

    // Registry subtrees.
    std::vector<std::pair<HKEY, std::string>> keys(scope.keys.begin(), scope.keys.end());
    while (!keys.empty()) {
        const auto [root, path] = keys.back();
        keys.pop_back();
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        const std::string keyName = std::string(RootName(root)) + "\\" + path;
        snapshot.keys_.insert(keyName);
        for (DWORD i = 0;; ++i) {
            char name[16384];
            DWORD nameLength = sizeof name;
            DWORD type = 0;
            DWORD size = 0;
            if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
            std::string data(size, '\0');
            nameLength = sizeof name;
            RegEnumValueA(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
            data.resize(size);
            snapshot.values_[keyName + " [" + name + "]"] = {type, data};
        }
        for (DWORD i = 0;; ++i) {
            char name[1024];
            DWORD nameLength = sizeof name;
            if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            keys.emplace_back(root, path + "\\" + name);
        }
        RegCloseKey(key);
    }
    return snapshot;
}

std::vector<std::string> Snapshot::Changes(const Snapshot& before, const std::vector<std::string>& ignored) const {
    std::vector<std::string> lines;
    const auto add = [&](const std::string& line) {
        for (const std::string& prefix : ignored) {
            if (Upper(line).compare(0, prefix.size(), Upper(prefix)) == 0) return;
        }
        lines.push_back(line);
    };
    for (const auto& [key, state] : files_) {
        const char* kind = state.folder ? "folder " : "file ";
        const auto old = before.files_.find(key);
        if (old == before.files_.end()) {
            add(std::string("+ ") + kind + names_.at(key));
        } else if (!state.folder && (old->second.size != state.size || old->second.hash != state.hash ||
                                     old->second.attributes != state.attributes ||
                                     (state.hash == 0 && old->second.writeTime != state.writeTime))) {
            add(std::string("~ ") + kind + names_.at(key));
        }
    }
    for (const auto& [key, state] : before.files_) {
        if (files_.count(key) == 0)
            add(std::string("- ") + (state.folder ? "folder " : "file ") + before.names_.at(key));
    }
    for (const std::string& key : keys_) {
        if (before.keys_.count(key) == 0) add("+ key " + key);
    }
    for (const std::string& key : before.keys_) {
        if (keys_.count(key) == 0) add("- key " + key);
    }
    for (const auto& [name, value] : values_) {
        const auto old = before.values_.find(name);
        if (old == before.values_.end())
            add("+ value " + name);
        else if (old->second != value)
            add("~ value " + name);
    }
    for (const auto& [name, value] : before.values_) {
        if (values_.count(name) == 0) add("- value " + name);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

void Snapshot::Restore(const Snapshot& before, const std::vector<std::string>& keep) {
    const Snapshot now = Take(before.scope_);
    // Files first, then folders from the deepest.
    std::vector<std::string> folders;
    for (const auto& [key, state] : now.files_) {
        if (before.files_.count(key) != 0) continue;
        const std::string& path = now.names_.at(key);
        if (Below(path, keep)) continue;
        if (state.folder) {
            folders.push_back(path);
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    std::sort(folders.begin(), folders.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& folder : folders) RemoveDirectoryA(folder.c_str());

    // Values back as they were; added values and keys removed.
    for (const auto& [name, value] : before.values_) {
        const auto present = now.values_.find(name);
        if (present != now.values_.end() && present->second == value) continue;
        const size_t bracket = name.find(" [");
        const std::string keyName = name.substr(0, bracket);
        const std::string valueName = name.substr(bracket + 2, name.size() - bracket - 3);
        HKEY key = nullptr;
        if (RegCreateKeyExA(RootOf(keyName.substr(0, 4)), keyName.substr(5).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr) != ERROR_SUCCESS) {
            continue;
        }
        RegSetValueExA(key, valueName.c_str(), 0, value.first, reinterpret_cast<const BYTE*>(value.second.data()),
                       static_cast<DWORD>(value.second.size()));
        RegCloseKey(key);
    }
    for (const auto& [name, value] : now.values_) {
        if (before.values_.count(name) != 0) continue;
        const size_t bracket = name.find(" [");
        const std::string keyName = name.substr(0, bracket);
        const std::string valueName = name.substr(bracket + 2, name.size() - bracket - 3);
        HKEY key = nullptr;
        if (RegOpenKeyExA(RootOf(keyName.substr(0, 4)), keyName.substr(5).c_str(), 0, KEY_WRITE, &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueA(key, valueName.c_str());
            RegCloseKey(key);
        }
    }
    std::vector<std::string> added;
    for (const std::string& key : now.keys_) {
        if (before.keys_.count(key) == 0) added.push_back(key);
    }
    std::sort(added.begin(), added.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& key : added) RegDeleteKeyA(RootOf(key.substr(0, 4)), key.substr(5).c_str());
}

void PrefixIsolation::OnTestStart(const testing::TestInfo&) {
    before_.clear();
    before_.push_back(Snapshot::Take(Snapshot::SetupScope()));
}

void PrefixIsolation::OnTestEnd(const testing::TestInfo&) {
    if (before_.empty()) return;
    Snapshot::Restore(before_.front(), {"C:\\kalv-e2e"});
    before_.clear();
}

void PrefixIsolation::Install() {
    testing::UnitTest::GetInstance()->listeners().Append(new PrefixIsolation);
}

}  // namespace e2e
