// What the uninstaller trusts: a log whose SHA-256 is the recorded one, and
// then only files and folders by their base folders, never through a
// reparse point, and only the registry entries of the log's own display
// name. Wine makes no junction or symbolic link that a program
// sees as a reparse point (its FSCTL_SET_REPARSE_POINT fails, and a Unix
// link looks like a plain folder), so the check reads attributes through a
// stand-in here.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "system/LogDigest.h"
#include "system/RegistryRecords.h"
#include "uninstaller/RemovalPlaces.h"

using namespace kalvorin;
using namespace kalvorin::uninstaller;

namespace {

const std::string kProgramFiles = "C:\\Program Files";

// The system's SHA-256, against the test vectors of FIPS 180-2.
TEST(LogDigest, TheSystemsSha256AndTheValueName) {
    const auto hex = [](const std::optional<Sha256Digest>& digest) {
        std::string text;
        char pair[3];
        for (uint8_t b : digest.value_or(Sha256Digest{})) text += (std::snprintf(pair, sizeof pair, "%02x", b), pair);
        return text;
    };
    const std::string abc = "abc";
    EXPECT_EQ(hex(Sha256Of({reinterpret_cast<const uint8_t*>(abc.data()), abc.size()})),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hex(Sha256Of({})), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(LogDigestValueName("Kalvorin \xE4rger"), "KALVORIN \xC4RGER\\Unscr.log SHA-256");
}

// Paths in `reparsePoints` carry FILE_ATTRIBUTE_REPARSE_POINT; every other
// path is a plain folder.
RemovalPlaces Places(const std::string& logFolder, std::set<std::string> reparsePoints) {
    return RemovalPlaces(
        logFolder, {"C:\\WINDOWS", "C:\\WINDOWS\\system32", kProgramFiles, kProgramFiles + "\\Common Files"},
        [reparsePoints](const std::string& path) -> unsigned long {
            return FILE_ATTRIBUTE_DIRECTORY | (reparsePoints.count(path) != 0 ? FILE_ATTRIBUTE_REPARSE_POINT : 0);
        });
}

struct PlaceRow {
    const char* path;
    bool file;
    const char* reparsePoint;  // "" for none
    bool allowed;
};

TEST(RemovalPlaces, FilesAndFoldersByBaseFolderAndNeverThroughAReparsePoint) {
    const std::string log = kProgramFiles + "\\Kalvorin\\Aquarium";
    const PlaceRow rows[] = {
        {"C:\\Program Files\\Kalvorin\\Aquarium\\Fische\\hai.bmp", true, "", true},
        {"C:\\Program Files\\Kalvorin\\Aquarium\\Fische\\hai.bmp", true,
         "C:\\Program Files\\Kalvorin\\Aquarium\\Fische", false},
        {"C:\\Program Files\\Kalvorin\\Aquarium\\Fische\\hai.bmp", true,
         "C:\\Program Files\\Kalvorin\\Aquarium\\Fische\\hai.bmp", false},
        // Above the log's folder: not its base, which lies below.
        {"C:\\Program Files\\Kalvorin\\Aquarium\\Fische\\hai.bmp", true, "C:\\Program Files\\Kalvorin", true},
        {"C:\\WINDOWS\\system32\\kalvteil.dll", true, "", true},
        {"C:\\WINDOWS\\system32\\Kalvorin\\kalvteil.dll", true, "C:\\WINDOWS\\system32\\Kalvorin", false},
        {"C:\\WINDOWS\\system32\\kalvteil.dll", true, "C:\\WINDOWS\\system32", true},
        {"C:\\WINDOWS\\system32", true, "", false},
        {"C:\\Anderswo\\datei.txt", true, "", false},
        // Folders: the destination, the level the setup created above it,
        // never a base or what lies above one.
        {"C:\\Program Files\\Kalvorin\\Aquarium\\Fische", false, "", true},
        {"C:\\Program Files\\Kalvorin\\Aquarium", false, "", true},
        {"C:\\Program Files\\Kalvorin", false, "", true},
        {"C:\\Program Files\\Kalvorin", false, "C:\\Program Files\\Kalvorin", false},
        {"C:\\Program Files\\Kalvorin\\Aquarium", false, "C:\\Program Files\\Kalvorin", false},
        {"C:\\Program Files", false, "", false},
        {"C:\\WINDOWS", false, "", false},
        {"C:\\Anderswo", false, "", false},
    };
    for (const PlaceRow& row : rows) {
        SCOPED_TRACE(std::string(row.path) + " through " + row.reparsePoint);
        const RemovalPlaces places = Places(log, {row.reparsePoint});
        EXPECT_EQ(row.file ? places.MayRemoveFile(row.path) : places.MayRemoveFolder(row.path), row.allowed);
    }
    // A destination outside the base folders: every level from the drive's
    // root down to it is checked, since no base lies above it.
    const std::string own = "D:\\Spiele\\Kalvorin";
    EXPECT_TRUE(Places(own, {}).MayRemoveFolder("D:\\Spiele"));
    EXPECT_TRUE(Places(own, {}).MayRemoveFolder(own));
    EXPECT_FALSE(Places(own, {"D:\\Spiele"}).MayRemoveFolder(own));
    EXPECT_FALSE(Places(own, {"D:\\Spiele"}).MayRemoveFolder("D:\\Spiele"));
    EXPECT_TRUE(Places(own, {"D:\\Spiele"}).MayRemoveFile(own + "\\Wellen.scr")) << "its base is the log's folder";
    EXPECT_FALSE(Places(own, {}).MayRemoveFolder("D:\\"));
}

TEST(RemovalPlaces, RegistryEntriesOfTheLogsOwnDisplayNameOnly) {
    const std::string uninstall = std::string(kUninstallKey) + "\\";
    const std::string root = kProductRootKey;
    const struct {
        spd::RegistryEntryRecord record;
        const char* displayName;
        bool allowed;
    } rows[] = {
        {{0x80000002, root + "\\C:/PROGRA~1/KALVOR~1/KALVORIN.SCR", ""}, "Kalvorin", true},
        {{0x80000002, uninstall + "Kalvorin", ""}, "Kalvorin", true},
        {{0x80000002, uninstall + "KALVORIN", ""}, "Kalvorin", true},
        {{0x80000002, root, "KALVORIN"}, "Kalvorin", true},
        {{0x80000002, root, "kalvorin \xC4rger"}, "Kalvorin \xE4rger", true},
        {{0x80000002, uninstall + "Anderer Schoner", ""}, "Kalvorin", false},
        {{0x80000002, root, "ANDERER SCHONER"}, "Kalvorin", false},
        {{0x80000002, root, "KALVORIN\\Unscr.log SHA-256"}, "Kalvorin", false},
        {{0x80000002, root, ""}, "Kalvorin", false},
        {{0x80000002, root + "\\A\\B", ""}, "Kalvorin", false},
        {{0x80000001, uninstall + "Kalvorin", ""}, "Kalvorin", false},
        {{0x80000002, uninstall + "Kalvorin\\Winter", ""}, "Kalvorin\\Winter", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.record.key + " [" + row.record.valueName + "] of " + row.displayName);
        EXPECT_EQ(MayRemoveRegistryEntry(row.record, row.displayName), row.allowed);
    }
}

}  // namespace
