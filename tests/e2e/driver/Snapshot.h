// "Nothing left, nothing lost": the state of chosen folders and registry keys
// of the prefix, taken before and after a program ran, and what differs.
//
//   e2e::Snapshot places;
//   places.Folder("C:\\kalv-e2e\\x").Key(HKEY_LOCAL_MACHINE, "Software\\Brisvane Screensaver");
//   const e2e::State before = places.Take();
//   ... run the program ...
//   EXPECT_EQ(e2e::Difference(before, places.Take()), "");
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace e2e {

// One line per file, folder, key and value: "file C:\x\a.txt" -> its size
// and a hash of its content and attributes, "value HKLM\key\name" -> its type
// and data, and so on.
using State = std::map<std::string, std::string>;

class Snapshot {
public:
    // The folder with every file and folder below it (content, attributes).
    Snapshot& Folder(const std::string& path);
    // One file (also when it does not exist).
    Snapshot& File(const std::string& path);
    // The key with its values and every key below it.
    Snapshot& Key(HKEY root, const std::string& key);
    // One value of a key (also when it does not exist).
    Snapshot& Value(HKEY root, const std::string& key, const std::string& name);

    // The state of every place now; a missing folder or key has no lines.
    State Take() const;

private:
    struct Place {
        enum class Kind { Folder, File, Key, Value } kind;
        HKEY root;
        std::string path;
        std::string name;
    };
    std::vector<Place> places_;
};

// What differs, one line each: first "gone: ..." and "changed: ..." lines,
// then "new: ..." lines, each group in order; empty when both are the same.
std::string Difference(const State& before, const State& after);

}  // namespace e2e
