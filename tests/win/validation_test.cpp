// The destination folder rules, checked against the real drives of the test
// prefix: A: floppy, D: CD-ROM, N: network, C: and Z: fixed disks.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "ui/DestinationRules.h"

using namespace kalvorin;
using namespace kalvorin::setup;

namespace {

TEST(DestinationDrives, TestPrefixHasTheDriveTypesTheRulesAreCheckedWith) {
    EXPECT_EQ(::GetDriveTypeA("A:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
    EXPECT_EQ(::GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(::GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(::GetDriveTypeA("N:\\"), static_cast<UINT>(DRIVE_REMOTE));
    EXPECT_EQ(::GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

TEST(DestinationRules, EmptyAndTooShort) {
    EXPECT_FALSE(IsValidDestination(""));
    EXPECT_FALSE(IsValidDestination("C"));
    EXPECT_FALSE(IsValidDestination("\\"));
}

TEST(DestinationRules, LengthLimitIs259Characters) {
    std::string folder = "C:\\";
    folder.append(256, 'a');
    ASSERT_EQ(folder.size(), 259u);
    EXPECT_TRUE(IsValidDestination(folder));
    folder.push_back('b');
    ASSERT_EQ(folder.size(), 260u);
    EXPECT_FALSE(IsValidDestination(folder));
    // With path levels, as a user would type it.
    std::string nested = "C:\\Programme";
    while (nested.size() < 259) nested += "\\Ordner";
    nested.resize(259);
    if (nested.back() == '\\') nested.back() = 'x';
    EXPECT_TRUE(IsValidDestination(nested));
    EXPECT_FALSE(IsValidDestination(nested + "x"));
}

TEST(DestinationRules, ThirdCharacterMustBeABackslash) {
    EXPECT_FALSE(IsValidDestination("C:Programme"));
    EXPECT_FALSE(IsValidDestination("C:/Programme"));
    EXPECT_FALSE(IsValidDestination("Programme"));
    EXPECT_TRUE(IsValidDestination("C:\\"));
}

TEST(DestinationRules, ForbiddenCharacters) {
    for (const char c : std::string("/*?<>\"|")) {
        const std::string folder = std::string("C:\\Pro") + c + "gramme";
        EXPECT_FALSE(IsValidDestination(folder)) << folder;
        EXPECT_FALSE(IsValidDestination(std::string("C:\\Programme") + c)) << c;
    }
    // Characters Windows allows in names stay allowed.
    EXPECT_TRUE(IsValidDestination("C:\\Mein Ordner (neu) & Co; 1+1=2, \xE4\xF6\xFC\xDF #~'"));
}

TEST(DestinationRules, NetworkPathsAndDoubleBackslashes) {
    EXPECT_FALSE(IsValidDestination("\\\\server\\share\\Ordner"));
    EXPECT_FALSE(IsValidDestination("C:\\Programme\\\\Kalvorin"));
    EXPECT_FALSE(IsValidDestination("C:\\\\"));
    EXPECT_FALSE(IsValidDestination("C:\\Programme\\\\"));
}

TEST(DestinationRules, RemovableCdRomAndMissingDrivesAreRefused) {
    EXPECT_FALSE(IsValidDestination("A:\\Ordner"));
    EXPECT_FALSE(IsValidDestination("A:\\"));
    EXPECT_FALSE(IsValidDestination("A:"));
    EXPECT_FALSE(IsValidDestination("D:\\Ordner"));
    EXPECT_FALSE(IsValidDestination("D:"));
    EXPECT_FALSE(IsValidDestination("Q:\\Ordner"));
    EXPECT_FALSE(IsValidDestination("1:\\Ordner"));
    EXPECT_FALSE(IsValidDestination("ab"));
}

TEST(DestinationRules, FixedAndNetworkDrivesAreAccepted) {
    EXPECT_TRUE(IsValidDestination("C:"));
    EXPECT_TRUE(IsValidDestination("c:\\programme\\kalvorin"));
    EXPECT_TRUE(IsValidDestination("N:\\Ordner"));
    EXPECT_TRUE(IsValidDestination("N:"));
    EXPECT_TRUE(IsValidDestination("Z:\\tmp"));
}

TEST(DestinationRules, TrailingBackslashAndMissingFolderAreAccepted) {
    EXPECT_TRUE(IsValidDestination("C:\\Programme\\"));
    const std::string missing = "C:\\Gibt\\Es\\Noch\\Nicht";
    ASSERT_EQ(::GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(IsValidDestination(missing));
}

TEST(ProposedDestination, DefaultDestinationWins) {
    EXPECT_EQ(ProposedDestination("C:\\Program Files\\Brisvane\\Kalvorin", "C:\\Program Files", "Kalvorin"),
              "C:\\Program Files\\Brisvane\\Kalvorin");
}

TEST(ProposedDestination, WithoutDefaultProgramFilesAndDisplayName) {
    EXPECT_EQ(ProposedDestination("", "C:\\Program Files", "Kalvorin"), "C:\\Program Files\\Kalvorin");
    EXPECT_EQ(ProposedDestination("", "C:\\Programme", "Sch\xF6ne Tr\xE4ume"), "C:\\Programme\\Sch\xF6ne Tr\xE4ume");
}

}  // namespace
