// setup.exe at start-up, driven from outside: a missing or unusable user.spd
// or a missing Program Files value ends the program with one message box,
// "Konnte Kalvorin nicht initialisieren." with the stop icon; a header of the
// right version (whatever its magic) lets the program go on.
#include <gtest/gtest.h>

#include <cstdio>

#include "e2e.h"

namespace {

using namespace e2e;

const std::string kCannotInitialise = "Konnte Kalvorin nicht initialisieren.";

// A 192-byte user.spd header written field by field.
std::string Header(uint8_t version = 16, const std::string& magic = "SETU") {
    std::string h(192, '\0');
    h.replace(0, 4, magic);
    h[4] = static_cast<char>(version);
    h[12] = 1;                        // volumeCount
    h[32] = 1;                        // nonZeroMark
    h[40] = static_cast<char>(0xC0);  // catalogOffset 192
    h[44] = 1;                        // fileCount
    const std::string name = "Kalvorin Testschoner";
    h.replace(46, name.size(), name);  // displayName
    const std::string subfolder = "Kalvorin";
    h.replace(128, subfolder.size(), subfolder);  // defaultSubfolder
    return h;
}

// A folder holding setup.exe (under `exeName`) and, when given, user.spd.
TestFolder PrepareSetup(const std::string& name, const std::optional<std::string>& userSpd,
                        const std::string& exeName = "setup.exe") {
    TestFolder folder(name);
    folder.CopyIn(SetupExePath(), exeName);
    if (userSpd) {
        folder.Write("user.spd", *userSpd);
    }
    return folder;
}

// Starts the program from a working folder other than its own, which holds a
// good user.spd: the program must read the one beside itself.
Process StartFrom(const TestFolder& folder, const std::string& exeName = "setup.exe") {
    TestFolder elsewhere("startup-cwd");
    elsewhere.Write("user.spd", Header());
    StartOptions options;
    options.workingFolder = elsewhere.Path();
    return Process::Start(folder.FilePath(exeName), options);
}

// The start-up failure as the user sees it: exactly one box, 148 with the
// stop icon, the program's name as caption, one OK button; no dialog; exit 0.
void ExpectCannotInitialise(Process& process, const std::string& caption = "setup") {
    const MessageBoxInfo box = WaitForMessageBox(process);
    EXPECT_EQ(box.text, kCannotInitialise);
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(ToString(box.icon), std::string("stop"));
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_EQ(FindTopLevelWindows(process.Id(), "#32770").size(), 1u) << "another dialog beside the box";
    EXPECT_FALSE(FindTopLevelWindow(process.Id(), "#32770", std::string("Kalvorin")));
    // Nothing goes on behind the box.
    EXPECT_FALSE(process.TryWaitForExit(300));
    AnswerMessageBox(box, IDOK);
    EXPECT_EQ(process.WaitForExit(), 0u);
}

TEST(StartupTest, WithoutUserSpdShowsCannotInitialise) {
    TestFolder folder = PrepareSetup("startup-missing", std::nullopt);
    Process process = StartFrom(folder);
    ExpectCannotInitialise(process);
}

TEST(StartupTest, EmptyOrShortUserSpdShowsCannotInitialise) {
    for (size_t size : {size_t{0}, size_t{4}, size_t{191}}) {
        SCOPED_TRACE("user.spd of " + std::to_string(size) + " bytes");
        TestFolder folder = PrepareSetup("startup-short", Header().substr(0, size));
        Process process = StartFrom(folder);
        ExpectCannotInitialise(process);
    }
}

TEST(StartupTest, OtherVersionsShowCannotInitialise) {
    for (uint8_t version : {uint8_t{15}, uint8_t{17}, uint8_t{0}, uint8_t{0x90}}) {
        SCOPED_TRACE("version " + std::to_string(version));
        TestFolder folder = PrepareSetup("startup-version", Header(version));
        Process process = StartFrom(folder);
        ExpectCannotInitialise(process);
    }
}

TEST(StartupTest, UserSpdThatCannotBeOpenedShowsCannotInitialise) {
    TestFolder folder = PrepareSetup("startup-locked", Header());
    HeldFile held(folder.FilePath("user.spd"));
    Process process = StartFrom(folder);
    ExpectCannotInitialise(process);
}

TEST(StartupTest, CaptionIsTheExecutablesName) {
    TestFolder folder = PrepareSetup("startup-name", std::nullopt, "Installiere.exe");
    Process process = StartFrom(folder, "Installiere.exe");
    ExpectCannotInitialise(process, "Installiere");
}

TEST(StartupTest, EnterAnswersTheMessage) {
    TestFolder folder = PrepareSetup("startup-enter", Header(15));
    Process process = StartFrom(folder);
    const MessageBoxInfo box = WaitForMessageBox(process);
    ASSERT_EQ(box.text, kCannotInitialise);
    box.window.PressEnter();
    box.window.WaitUntilGone();
    EXPECT_EQ(process.WaitForExit(), 0u);
}

TEST(StartupTest, MissingProgramFilesValueShowsCannotInitialise) {
    TestFolder folder = PrepareSetup("startup-programfiles", Header());
    RegistryOverride programFiles(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                                  "ProgramFilesDir");
    programFiles.Delete();
    Process process = StartFrom(folder);
    ExpectCannotInitialise(process);
}

// What follows a successful start-up: until the main dialog exists the program
// ends at once with exit code 0; once it exists, the dialog "Kalvorin" shows
// and Cancel closes it with exit code 0. Anything else (a message box, another
// exit code, nothing at all) fails.
void ExpectStartupPasses(Process& process) {
    enum class Outcome { Exited, Dialog, Box };
    Outcome outcome{};
    const auto seen = Poll(kDefaultTimeoutMs, [&]() -> std::optional<bool> {
        if (FindMessageBox(process.Id())) {
            outcome = Outcome::Box;
            return true;
        }
        if (FindTopLevelWindow(process.Id(), "#32770", std::string("Kalvorin"))) {
            outcome = Outcome::Dialog;
            return true;
        }
        if (!process.Running()) {
            outcome = Outcome::Exited;
            return true;
        }
        return std::nullopt;
    });
    ASSERT_TRUE(seen) << "neither a dialog nor the end of the program";
    switch (outcome) {
    case Outcome::Box: {
        const auto box = FindMessageBox(process.Id());
        FAIL() << "unexpected message box: " << (box ? box->text : std::string("(closed)"));
    }
    case Outcome::Exited:
        std::printf("[ outcome    ] the program ended after start-up\n");
        EXPECT_EQ(process.WaitForExit(), 0u);
        break;
    case Outcome::Dialog: {
        std::printf("[ outcome    ] the main dialog showed\n");
        const Window dialog = WaitForWindow(process, "Kalvorin");
        EXPECT_FALSE(FindMessageBox(process.Id()));
        dialog.Click(IDCANCEL);
        EXPECT_EQ(process.WaitForExit(), 0u);
        EXPECT_FALSE(FindMessageBox(process.Id()));
        break;
    }
    }
}

TEST(StartupTest, WrongMagicOfVersion16PassesStartup) {
    TestFolder folder = PrepareSetup("startup-magic", Header(16, "XXXX"));
    Process process = StartFrom(folder);
    ExpectStartupPasses(process);
}

TEST(StartupTest, LongerUserSpdPassesStartup) {
    TestFolder folder = PrepareSetup("startup-long", Header() + std::string(1000, '\x5A'));
    Process process = StartFrom(folder);
    ExpectStartupPasses(process);
}

}  // namespace
