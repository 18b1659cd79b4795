// Volume names, GUID text, folder kinds and flags, target paths, code page
// 1252 conversion and the progress bar text.
#include "codec/CatalogEntry.h"
#include "codec/FolderKind.h"
#include "codec/Guid.h"
#include "codec/VolumeName.h"
#include "spdpack/Cp1252.h"
#include "spdpack/Manifest.h"
#include "spdpack/OutputFolder.h"
#include "spdpack/ProgressBar.h"

#include <gtest/gtest.h>

TEST(Names, VolumeFileNames) {
    EXPECT_EQ(spd::VolumeFileName(1), "user.001");
    EXPECT_EQ(spd::VolumeFileName(42), "user.042");
    EXPECT_EQ(spd::VolumeFileName(999), "user.999");
    EXPECT_EQ(spd::VolumeFileName(1000), "user.1000");
    EXPECT_EQ(spd::VolumeFileName(65535), "user.65535");
    EXPECT_EQ(spd::DiskFolderName(2), "Disk 2");
    EXPECT_EQ(spd::DiskFolderName(12), "Disk 12");
}

TEST(Names, GuidText) {
    auto g = spd::Guid::Parse("{3f2504e0-4f89-11d3-9a0c-0305e82c3301}");
    ASSERT_TRUE(g);
    EXPECT_EQ(g->Format(), "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
    EXPECT_EQ(spd::Guid::Parse("3F2504E0-4F89-11D3-9A0C-0305E82C3301"), g);
    for (const char* bad : {"", "{}", "{3F2504E0-4F89-11D3-9A0C-0305E82C330}",
                            "{3F2504E0-4F89-11D3-9A0C-0305E82C33011}", "{3F2504E0+4F89-11D3-9A0C-0305E82C3301}",
                            "{3F2504E0-4F89-11D3-9A0C0-305E82C3301}", "(3F2504E0-4F89-11D3-9A0C-0305E82C3301)",
                            "{3F2504G0-4F89-11D3-9A0C-0305E82C3301}", "{3F2504E0-4F89-11D3-9A0C-0305E82C3301"}) {
        EXPECT_FALSE(spd::Guid::Parse(bad)) << bad;
    }
    std::array<std::uint8_t, 16> zeros{};
    spd::Guid v4 = spd::Guid::FromRandomBytes(zeros);
    EXPECT_EQ(v4.Format(), "{00000000-0000-4000-8000-000000000000}");
}

TEST(Names, FolderKindsAndFlags) {
    EXPECT_EQ(spd::ParseFolderKind("Windows"), spd::FolderKind::Windows);
    EXPECT_EQ(spd::ParseFolderKind("system"), spd::FolderKind::System);
    EXPECT_EQ(spd::ParseFolderKind("PROGRAMFILES"), spd::FolderKind::ProgramFiles);
    EXPECT_EQ(spd::ParseFolderKind("CommonFiles"), spd::FolderKind::CommonFiles);
    EXPECT_EQ(spd::ParseFolderKind("Destination"), spd::FolderKind::Destination);
    EXPECT_FALSE(spd::ParseFolderKind("Desktop"));
    EXPECT_FALSE(spd::ParseFolderKind(""));
    EXPECT_EQ(static_cast<int>(spd::FolderKind::Destination), 5);
    EXPECT_FALSE(spd::IsValidFolderKind(0));
    EXPECT_TRUE(spd::IsValidFolderKind(1));
    EXPECT_TRUE(spd::IsValidFolderKind(5));
    EXPECT_FALSE(spd::IsValidFolderKind(6));
    EXPECT_EQ(spd::FolderKindName(6), nullptr);

    EXPECT_EQ(spd::ParseCatalogFlag("Shared"), 0x01);
    EXPECT_EQ(spd::ParseCatalogFlag("required"), 0x02);
    EXPECT_EQ(spd::ParseCatalogFlag("Screensaver"), 0x04);
    EXPECT_EQ(spd::ParseCatalogFlag("Config"), 0x08);
    EXPECT_EQ(spd::ParseCatalogFlag("Configs"), 0);
}

TEST(Names, TargetPaths) {
    spd::CatalogEntry e;
    e.fileName = "Kalvorin.scr";
    EXPECT_EQ(e.TargetPath("C:\\WINDOWS\\SYSTEM"), "C:\\WINDOWS\\SYSTEM\\Kalvorin.scr");
    e.subfolder = "Bilder\\Winter";
    EXPECT_EQ(e.TargetPath("C:\\Programme\\Kalvorin"), "C:\\Programme\\Kalvorin\\Bilder\\Winter\\Kalvorin.scr");
    e.flags = 0xF0;
    EXPECT_FALSE(e.Has(spd::CatalogFlags::Shared));
}

TEST(Names, CodePage1252) {
    EXPECT_EQ(spdpack::Utf8ToCp1252("Viel Spa\xC3\x9F \xE2\x82\xAC \xC3\x84"), "Viel Spa\xDF \x80 \xC4");
    EXPECT_EQ(spdpack::Utf8ToCp1252("\xE2\x80\x9Equote\xE2\x80\x9C"), "\x84quote\x93");
    EXPECT_FALSE(spdpack::Utf8ToCp1252("\xE6\x97\xA5"));  // a CJK character
    EXPECT_FALSE(spdpack::Utf8ToCp1252("\xC3"));          // cut sequence
    EXPECT_FALSE(spdpack::Utf8ToCp1252("\xC0\x80"));      // overlong
    EXPECT_FALSE(spdpack::Utf8ToCp1252("\xC2\x81"));      // U+0081 is not in the code page
    EXPECT_EQ(spdpack::Cp1252ToUtf8("Spa\xDF \x80\x9F"), "Spa\xC3\x9F \xE2\x82\xAC\xC5\xB8");
    EXPECT_EQ(spdpack::Cp1252ToUtf8("\x81"), "\xC2\x81");
}

TEST(Names, VolumeSizeText) {
    EXPECT_EQ(spdpack::ParseVolumeSize("1440K"), 1440u * 1024);
    EXPECT_EQ(spdpack::ParseVolumeSize("2m"), 2u * 1024 * 1024);
    EXPECT_EQ(spdpack::ParseVolumeSize("1457664"), 1457664u);
    for (const char* bad : {"", "K", "1.44M", "-5", "12 K", "1G", "9999999999999"})
        EXPECT_FALSE(spdpack::ParseVolumeSize(bad)) << bad;
}

TEST(Names, OutputNamesThatABuildOwns) {
    for (const char* own : {"user.spd", "_setup.spd", "setup.exe", "user.001", "user.1000"})
        EXPECT_TRUE(spdpack::IsBuildOutputName(own)) << own;
    for (const char* other : {"user.01", "user.txt", "readme.txt", "user.00a", "Setup.exe"})
        EXPECT_FALSE(spdpack::IsBuildOutputName(other)) << other;
    EXPECT_TRUE(spdpack::IsDiskFolderName("Disk 3"));
    EXPECT_FALSE(spdpack::IsDiskFolderName("Disk"));
    EXPECT_FALSE(spdpack::IsDiskFolderName("Disk x"));
}

TEST(Names, ProgressBarText) {
    EXPECT_EQ(spdpack::ProgressBar::Render("packing", 512 * 1024, 1024 * 1024, 10),
              "packing [#####     ] 50%  512 / 1024 KiB");
    EXPECT_EQ(spdpack::ProgressBar::Render("p", 5, 0, 4), "p [####] 100%  0 / 0 KiB");
}
