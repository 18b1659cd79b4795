// The replacement questions as the user meets them: libraries with version
// resources, packed by spdpack, installed over earlier ones by the real
// setup.exe. Each question's text, icon, buttons and default button.
#include <gtest/gtest.h>

#include "SetupRun.h"

namespace {

using namespace e2e;

std::string LanguageName(WORD language) {
    char name[128] = {};
    VerLanguageNameA(language, name, sizeof name);
    return name;
}

// Packs the stage folder's manifest with the native spdpack into `out`.
void Pack(const std::string& stage, const std::string& out) {
    const unsigned long code =
        RunHostProgram("/bin/sh", "-c \"cd '" + HostPathOf(stage) + "' && '" + GetEnv("KALVORIN_SPDPACK") +
                                      "' build kalvorin.toml -o '" + HostPathOf(out) + "' > pack.log 2>&1\"");
    ASSERT_EQ(code, 0u) << ReadFileBytes(stage + "\\pack.log").value_or("");
}

TEST(VersionsTest, TheQuestionsAndSilentDecisionsOverEarlierLibraries) {
    TestFolder folder("versions");
    const std::string stage = folder.FilePath("stage");
    const std::string disk = folder.FilePath("disk");
    const std::string destination = folder.FilePath("Ziel");
    CreateDirectoryA(stage.c_str(), nullptr);
    CreateDirectoryA(destination.c_str(), nullptr);
    // What the setup brings, and what the destination holds already.
    struct Library {
        const char* name;
        const char* brought;
        const char* earlier;
        const char* flags;
    };
    const Library libraries[] = {
        {"pflicht.dll", "v2_de", "v1_de", "\"Required\""},  // 196, the default No replaces
        {"sprachen.dll", "v2_de_en", "v2_de", ""},          // same version, other languages: 193
        {"aelter.dll", "v1_de", "v2_de", ""},               // a lower version replaces silently
        {"gleich.dll", "v2_en_de", "v2_de_en", ""},         // the same library is kept silently
    };
    std::string manifest =
        "display_name = \"Kalvorin Versionen\"\ndefault_subfolder = \"Kalvorin Versionen\"\n"
        "setup_program = \"setup.exe\"\nuninstaller = \"UnScr.exe\"\n";
    for (const Library& l : libraries) {
        ASSERT_TRUE(CopyFileA(VersionLibraryPath(l.brought).c_str(), (stage + "\\" + l.name).c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(VersionLibraryPath(l.earlier).c_str(), (destination + "\\" + l.name).c_str(), FALSE));
        manifest += std::string("\n[[files]]\nsource = \"") + l.name + "\"\nbase = \"Destination\"\nflags = [" +
                    l.flags + "]\n";
    }
    folder.Write("stage\\kalvorin.toml", manifest);
    ASSERT_TRUE(CopyFileA(SetupExePath().c_str(), (stage + "\\setup.exe").c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA(HostPathToWine(GetEnv("KALVORIN_UNINSTALLER")).c_str(), (stage + "\\UnScr.exe").c_str(), FALSE));
    Pack(stage, disk);

    const std::string languageQuestion = "Die existierende Datei '" + destination +
                                         "\\sprachen.dll' unterst\xFCtzt\n\"" + LanguageName(0x407) +
                                         "\" w\xE4hrend die neue Datei unter anderem\ndie Systemsprache (" +
                                         LanguageName(0x407) + " und " + LanguageName(0x409) +
                                         ") unterst\xFCtzt. M\xF6"
                                         "chten Sie die alte Datei ersetzen? (Empfohlen!)";
    const std::string requiredQuestion =
        "Die Datei '" + destination +
        "\\pflicht.dll' soll durch eine gleichnamige Datei\nersetzt werden, die f\xFCr "
        "den Bildschirmschoner dringend ben\xF6tigt wird.\nM\xF6"
        "chten Sie die alte Datei trotzdem behalten? (Nicht "
        "empfohlen!)";
    const std::string remember =
        "M\xF6"
        "chten Sie k\xFCnftig Dateien mit dem selben Problem genauso behandeln?";

    RunOptions options;
    options.destination = destination;
    options.answer = [&](const MessageBoxInfo& box) {
        if (box.text == requiredQuestion) {
            EXPECT_EQ(box.icon, IconKind::Exclamation);
            EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
            EXPECT_EQ(box.defaultButton, IDNO);
            return box.defaultButton;  // Enter
        }
        if (box.text == languageQuestion) {
            EXPECT_EQ(box.icon, IconKind::Exclamation);
            EXPECT_EQ(box.defaultButton, IDYES);
            return IDYES;
        }
        if (box.text == remember) {
            EXPECT_EQ(box.icon, IconKind::Question);
            return IDNO;
        }
        ADD_FAILURE() << "unexpected box: " << box.text;
        return IDCANCEL;
    };
    TestFolder installFrom("versions-disk");
    for (const char* name : {"setup.exe", "user.spd", "_setup.spd"}) installFrom.CopyIn(disk + "\\" + name, name);
    const RunResult run = RunSetup(installFrom, options);
    EXPECT_TRUE(run.finishPage);
    std::vector<std::string> texts;
    for (const MessageBoxInfo& box : run.boxes) texts.push_back(box.text);
    EXPECT_EQ(texts, (std::vector<std::string>{requiredQuestion, remember, languageQuestion}));

    const auto bytesOf = [](const std::string& path) { return ReadFileBytes(path).value_or("(none)"); };
    EXPECT_EQ(bytesOf(destination + "\\pflicht.dll"), bytesOf(VersionLibraryPath("v2_de")));
    EXPECT_EQ(bytesOf(destination + "\\sprachen.dll"), bytesOf(VersionLibraryPath("v2_de_en")));
    EXPECT_EQ(bytesOf(destination + "\\aelter.dll"), bytesOf(VersionLibraryPath("v1_de")));
    EXPECT_EQ(bytesOf(destination + "\\gleich.dll"), bytesOf(VersionLibraryPath("v2_de_en")));
}

}  // namespace
