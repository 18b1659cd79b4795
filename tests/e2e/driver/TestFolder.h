// A fresh folder under C:\ for one test: the program under test is copied
// into it together with the data files the test writes. Nothing is removed
// at the end, so a failed test can be looked at; the next use of the same
// name starts empty again.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace e2e {

class TestFolder {
public:
    // C:\kalv-e2e\<name> (or <parent>\<name>, such as D:\<name> on the
    // CD-ROM drive), emptied (and created) now.
    explicit TestFolder(const std::string& name, const std::string& parent = "C:\\kalv-e2e");

    const std::string& Path() const { return path_; }
    std::string FilePath(const std::string& name) const { return path_ + "\\" + name; }

    // Writes `bytes` to the file `name` (created or replaced); throws Error on failure.
    void Write(const std::string& name, const std::string& bytes) const;
    // Copies the file `source` (any Windows path) to `name`; throws Error on failure.
    void CopyIn(const std::string& source, const std::string& name) const;
    bool Exists(const std::string& name) const;
    // The content of the file `name`; throws Error when it cannot be read.
    std::string Read(const std::string& name) const;
    // Gives every file in the folder the read-only attribute, as the files
    // on a CD-ROM have; throws Error when one cannot be changed.
    void MakeFilesReadOnly() const;

private:
    std::string path_;
};

// The content of a file (any Windows path), or nullopt when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path);

// Removes a folder with everything in it, read-only files too; missing
// folders are fine.
void RemoveTree(const std::string& path);

// Names of the files and folders in `path` (without "." and ".."), sorted;
// empty when the folder does not exist.
std::vector<std::string> FolderEntries(const std::string& path);

// The program under test, from KALVORIN_SETUP_EXE (a Unix or Windows path).
// Throws Error when the variable is not set.
std::string SetupExePath();

// The uninstaller under test, from KALVORIN_UNINSTALLER (a Unix or
// Windows path). Throws Error when the variable is not set.
std::string UninstallerExePath();

// The folder that holds this test program (its build folder, as a Windows path).
std::string OwnFolder();

}  // namespace e2e
