#include "Snapshot.h"

#include <cstdint>
#include <vector>

#include "Registry.h"

namespace e2e {

namespace {

// FNV-1a, enough to tell two contents apart in a test.
std::string Hash(const std::string& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) {
        h = (h ^ c) * 1099511628211ull;
    }
    return std::to_string(h);
}

std::string ReadAll(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "(unreadable)";
    }
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    return bytes;
}

void TakeFile(const std::string& path, DWORD attributes, State& state) {
    const std::string content = ReadAll(path);
    state["file " + path] = "size " + std::to_string(content.size()) + " hash " + Hash(content) + " attributes " +
                            std::to_string(attributes);
}

void TakeFolder(const std::string& path, State& state) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return;
    }
    state["folder " + path] = "attributes " + std::to_string(attributes);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string full = path + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            TakeFolder(full, state);
        } else {
            TakeFile(full, found.dwFileAttributes, state);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::string RootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) return "HKLM";
    if (root == HKEY_CURRENT_USER) return "HKCU";
    return "root";
}

std::string ValueLine(DWORD type, const std::string& data) {
    return "type " + std::to_string(type) + " size " + std::to_string(data.size()) + " hash " + Hash(data);
}

void TakeKey(HKEY root, const std::string& path, State& state) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    const std::string prefix = RootName(root) + "\\" + path;
    state["key " + prefix] = "";
    std::vector<std::string> subkeys;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        subkeys.emplace_back(name, length);
    }
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        const std::string valueName(name, length);
        DWORD type = 0;
        const auto data = ReadRegistryValue(root, path, valueName, &type);
        state["value " + prefix + "\\" + valueName] = data ? ValueLine(type, *data) : "(unreadable)";
    }
    RegCloseKey(key);
    for (const std::string& subkey : subkeys) {
        TakeKey(root, path + "\\" + subkey, state);
    }
}

}  // namespace

Snapshot& Snapshot::Folder(const std::string& path) {
    places_.push_back({Place::Kind::Folder, nullptr, path, ""});
    return *this;
}

Snapshot& Snapshot::File(const std::string& path) {
    places_.push_back({Place::Kind::File, nullptr, path, ""});
    return *this;
}

Snapshot& Snapshot::Key(HKEY root, const std::string& key) {
    places_.push_back({Place::Kind::Key, root, key, ""});
    return *this;
}

Snapshot& Snapshot::Value(HKEY root, const std::string& key, const std::string& name) {
    places_.push_back({Place::Kind::Value, root, key, name});
    return *this;
}

State Snapshot::Take() const {
    State state;
    for (const Place& place : places_) {
        switch (place.kind) {
        case Place::Kind::Folder:
            TakeFolder(place.path, state);
            break;
        case Place::Kind::File: {
            const DWORD attributes = GetFileAttributesA(place.path.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                TakeFile(place.path, attributes, state);
            }
            break;
        }
        case Place::Kind::Key:
            TakeKey(place.root, place.path, state);
            break;
        case Place::Kind::Value: {
            DWORD type = 0;
            if (const auto data = ReadRegistryValue(place.root, place.path, place.name, &type)) {
                state["value " + RootName(place.root) + "\\" + place.path + "\\" + place.name] =
                    ValueLine(type, *data);
            }
            break;
        }
        }
    }
    return state;
}

std::string Difference(const State& before, const State& after) {
    std::string lines;
    for (const auto& [place, line] : before) {
        const auto now = after.find(place);
        if (now == after.end()) {
            lines += "gone: " + place + "\n";
        } else if (now->second != line) {
            lines += "changed: " + place + " (" + line + " -> " + now->second + ")\n";
        }
    }
    for (const auto& [place, line] : after) {
        if (before.find(place) == before.end()) {
            lines += "new: " + place + "\n";
        }
    }
    return lines;
}

}  // namespace e2e
