// What a prefix holds, before and after: the files and folders below some
// folders (size, time, attributes; content hashed where asked) and the
// values of some registry keys with their subkeys. Changes() lists what
// differs; Restore() takes the registry back and removes what was added, so
// that one test's installation never meets the next test.
//
//   e2e::Snapshot before = e2e::Snapshot::Take(e2e::Snapshot::SetupScope({folder.Path()}));
//   ... run the program ...
//   auto changes = e2e::Snapshot::Take(before.scope()).Changes(before);
//   // "+ file C:\x", "- folder C:\y", "~ file C:\z", "+ value HKLM\Software\k [name]", ...
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

class Snapshot {
public:
    struct Scope {
        std::vector<std::string> folders;                // whole trees: size, write time, attributes
        std::vector<std::string> hashedFolders;          // content compared, too
        std::vector<std::string> excludedFolders;        // left out entirely
        std::vector<std::string> shallowFolders;         // only the entries directly in them (size, time, attributes)
        std::vector<std::pair<HKEY, std::string>> keys;  // whole subtrees
        std::vector<std::string> files;                  // single files, content compared
        struct Value {
            HKEY root;
            std::string key;
            std::string name;
        };
        std::vector<Value> values;  // single values
    };

    // The scope every setup and uninstaller test needs: drive C: (metadata;
    // without C:\kalvstages, where the unit tests that may run at the same
    // time keep their files), the given folders hashed, and the registry
    // keys a setup reads or
    // writes (the product keys, Uninstall, SharedDLLs, RunOnce, the
    // CurrentVersion values, the pending renames, the desktop's screensaver).
    static Scope SetupScope(const std::vector<std::string>& hashedFolders = {});

    static Snapshot Take(const Scope& scope);

    const Scope& scope() const { return scope_; }

    // One line per difference from `before`, sorted: "+ file P", "- file P",
    // "~ file P" (content, size or attributes), "+ folder P", "- folder P",
    // "+ key K", "- key K", "+ value K [N]", "- value K [N]", "~ value K [N]".
    // Lines starting with one of `ignored` (for example "+ file C:\x\") are
    // left out.
    std::vector<std::string> Changes(const Snapshot& before, const std::vector<std::string>& ignored = {}) const;

    // Takes the present state back to `before` as far as its scope goes:
    // files and folders added since are removed (read-only ones too) except
    // below the folders in `keep`, the registry keys and values added since
    // are removed, changed and removed values are written back. Files that
    // changed or went are not restored.
    static void Restore(const Snapshot& before, const std::vector<std::string>& keep = {});

    // The value data (type, bytes) as recorded, if present.

private:
    struct FileState {
        bool folder = false;
        uint64_t size = 0;
        uint64_t writeTime = 0;
        DWORD attributes = 0;
        uint64_t hash = 0;
    };

    Scope scope_;
    std::map<std::string, FileState> files_;                       // by upper-cased path
    std::map<std::string, std::string> names_;                     // upper-cased path -> path as found
    std::set<std::string> keys_;                                   // "HKLM\path"
    std::map<std::string, std::pair<DWORD, std::string>> values_;  // "HKLM\path [name]"
};

// A GoogleTest listener that gives every test the prefix as the one before
// left it: a snapshot at the start of each test, restored at its end (the
// test folders below C:\kalv-e2e stay, to be looked at).
class PrefixIsolation : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo& test) override;
    void OnTestEnd(const testing::TestInfo& test) override;

    // Adds the listener to GoogleTest's listeners.
    static void Install();

private:
    std::vector<Snapshot> before_;
};

}  // namespace e2e
