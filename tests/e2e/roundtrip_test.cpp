// Install, use, remove: the real setup.exe installs, the uninstaller it
// unpacked removes through the Uninstall entry's command line, and the
// prefix is as it was. Two screensavers share a library; a newer setup
// removes the older installation first.
#include <gtest/gtest.h>

#include "SetupRun.h"

namespace {

using namespace e2e;

std::string Named(const std::string& name) {
    return "\x84" + name + "\x93";
}

// A screensaver named `name` with its own files and a library shared with
// every other screensaver of these tests (in the system folder).
struct Saver {
    TestFolder folder;
    std::string name;
    std::string destination;
    std::string shared;
    SetupMedia media;

    Saver(const std::string& folderName, const std::string& displayName) : folder(folderName), name(displayName) {
        destination = folder.FilePath("Ziel");
        shared = SystemFolder() + "\\kalvteil.dll";
        media.displayName = name;
        media.folders = {MediaFolder(spd::FolderKind::Destination, "Bilder\\Winter")};
        media.files = {
            MediaFile(name + ".scr", spd::FolderKind::Destination, "", PseudoRandom(4000, 7),
                      spd::CatalogFlags::Screensaver),
            MediaFile("schnee.bmp", spd::FolderKind::Destination, "Bilder\\Winter", PseudoRandom(900, 8)),
            MediaFile("kalvteil.dll", spd::FolderKind::System, "", PseudoRandom(1200, 9), spd::CatalogFlags::Shared),
        };
    }

    void Install(std::function<int(const MessageBoxInfo&)> answer = nullptr) {
        WriteSetupMedia(folder, media);
        RunOptions options;
        options.destination = destination;
        options.answer = std::move(answer);
        const RunResult run = RunSetup(folder, options);
        ASSERT_EQ(run.exitCode, 0u);
        ASSERT_TRUE(run.finishPage);
    }

    // The Uninstall entry's command line.
    std::string UninstallString() const {
        const auto value = ReadRegistryValue(HKEY_LOCAL_MACHINE, kUninstallRoot + "\\" + name, "UninstallString");
        if (!value) throw Error("no Uninstall entry for " + name);
        return std::string(value->c_str());
    }

    // Runs the Uninstall entry's command line as the system's software list
    // would, answers the question with Yes and returns the result message.
    std::string Remove() const {
        const std::string command = UninstallString();
        const size_t blank = command.find(' ');
        StartOptions options;
        options.arguments = command.substr(blank + 1);
        Process process = Process::Start(command.substr(0, blank), options);
        const MessageBoxInfo question = WaitForMessageBox(process);
        EXPECT_EQ(question.text,
                  "M\xF6"
                  "chten Sie den Bildschirmschoner " +
                      Named(name) + " und alle zugeh\xF6rigen Dateien von Ihrem Computer entfernen?");
        AnswerMessageBox(question, IDYES);
        const MessageBoxInfo result = WaitForMessageBox(process);
        AnswerMessageBox(result, IDOK);
        EXPECT_EQ(process.WaitForExit(), 0u);
        return result.text;
    }
};

std::optional<std::string> SharedCount(const std::string& path) {
    return ReadRegistryValue(HKEY_LOCAL_MACHINE, kSharedDlls, path);
}

// What may stay after a removal: the key "Software\Brisvane Screensaver",
// and the uninstaller's copy in the temporary folder that deletes itself at
// the next restart (with its pending rename).
std::vector<std::string> Remaining(const std::vector<std::string>& changes) {
    std::vector<std::string> left;
    for (const std::string& line : changes) {
        if (line == "+ key HKLM\\" + kProductRoot) continue;
        if (line.rfind("+ file C:\\users\\", 0) == 0 && line.find("\\Temp\\") != std::string::npos && line.size() > 4 &&
            line.compare(line.size() - 4, 4, ".exe") == 0) {
            continue;
        }
        if (line.find("[PendingFileRenameOperations]") != std::string::npos) continue;
        left.push_back(line);
    }
    return left;
}

TEST(RoundTripTest, InstallThenRemoveLeavesThePrefixAsItWas) {
    // One level made below the test's folder; two below Program Files, the
    // upper of which the removal takes too.
    for (const std::string& destination : {std::string(), ProgramFilesFolder() + "\\Kalvorin Rundreise\\Aquarium"}) {
        SCOPED_TRACE(destination);
        Saver saver("roundtrip", "Kalvorin Rundreise");
        if (!destination.empty()) saver.destination = destination;
        const Snapshot before = Snapshot::Take(Snapshot::SetupScope());
        saver.Install();
        const std::string uninstaller = saver.UninstallString().substr(0, saver.UninstallString().find(' '));
        ASSERT_TRUE(ReadFileBytes(uninstaller));
        EXPECT_EQ(saver.Remove(), "Der Bildschirmschoner " + Named(saver.name) + " wurde von Ihrem Computer entfernt.");
        // The uninstaller has removed itself from the Windows folder.
        WaitUntil(10000, "the uninstaller to go", [&] { return !ReadFileBytes(uninstaller); });
        const std::vector<std::string> changes =
            Snapshot::Take(before.scope()).Changes(before, {"+ file C:\\kalv-e2e\\", "+ folder C:\\kalv-e2e\\"});
        EXPECT_EQ(Remaining(changes), std::vector<std::string>{});
    }
}

TEST(RoundTripTest, ALibraryTwoScreensaversShareStaysUntilTheLastIsRemoved) {
    Saver alpha("roundtrip-alpha", "Kalvorin Alpha");
    Saver beta("roundtrip-beta", "Kalvorin Beta");
    alpha.Install();
    // The library is there already: the second setup asks, and replaces it.
    beta.Install([](const MessageBoxInfo&) { return IDYES; });
    EXPECT_EQ(SharedCount(alpha.shared), std::string("\x02\0\0\0", 4));
    alpha.Remove();
    EXPECT_EQ(SharedCount(alpha.shared), std::string("\x01\0\0\0", 4));
    EXPECT_TRUE(ReadFileBytes(alpha.shared));
    EXPECT_FALSE(ReadFileBytes(alpha.destination + "\\Kalvorin Alpha.scr"));
    beta.Remove();
    EXPECT_FALSE(SharedCount(alpha.shared));
    EXPECT_FALSE(ReadFileBytes(alpha.shared));
}

TEST(RoundTripTest, ANewerSetupRemovesTheOlderInstallationFirst) {
    Saver older("roundtrip-old", "Kalvorin Neu");
    older.Install();
    const std::string oldSaver = older.destination + "\\Kalvorin Neu.scr";
    ASSERT_TRUE(ReadFileBytes(oldSaver));

    Saver newer("roundtrip-new", "Kalvorin Neu");
    newer.media.files[0].content = PseudoRandom(5000, 17);
    std::vector<std::string> questions;
    newer.Install([&](const MessageBoxInfo& box) {
        questions.push_back(box.text);
        return IDYES;  // remove the older installation now
    });
    ASSERT_EQ(questions.size(), 1u);
    // The old uninstaller ran silently and was waited for: the old files are
    // gone, the new ones and the new entries (written after it) are there.
    EXPECT_FALSE(ReadFileBytes(oldSaver));
    EXPECT_EQ(ReadFileBytes(newer.destination + "\\Kalvorin Neu.scr"),
              std::string(newer.media.files[0].content.begin(), newer.media.files[0].content.end()));
    EXPECT_EQ(SharedCount(newer.shared), std::string("\x01\0\0\0", 4));
    const std::string command = newer.UninstallString();
    EXPECT_NE(command.find(newer.destination + "\\Unscr.log"), std::string::npos) << command;
    const auto product = ReadRegistryValue(HKEY_LOCAL_MACHINE, kProductRoot, "KALVORIN NEU");
    ASSERT_TRUE(product);
    EXPECT_NE(product->find(newer.destination + "\\Unscr.log\" s"), std::string::npos);
}

}  // namespace
