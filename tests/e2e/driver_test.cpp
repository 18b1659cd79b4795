// The driver proves itself on the fixture program: every read must return
// what the fixture really shows, every action must reach the fixture's own
// message loop, and every wait must fail when the awaited thing never comes.
#include <gtest/gtest.h>

#include <zlib.h>

#include <fstream>
#include <iterator>
#include <set>

#include "FixtureIds.h"
#include "e2e.h"

namespace {

using namespace e2e;

const std::string kCaption =
    "E2E Pr\xFC"
    "fstand";

std::string FixturePath() {
    return OwnFolder() + "\\e2e_fixture_app.exe";
}

struct Fixture {
    Process process;
    Window dialog;
};

StartOptions WithArguments(const std::string& arguments) {
    StartOptions options;
    options.arguments = arguments;
    return options;
}

Fixture StartFixture(const StartOptions& options = {}) {
    Process process = Process::Start(FixturePath(), options);
    Window dialog = WaitForWindow(process, kCaption);
    return {std::move(process), dialog};
}

// The fixture writes what its loop received into a static text.
std::string WaitForLog(const Window& dialog, const std::string& expected) {
    std::string log;
    Poll(kDefaultTimeoutMs, [&]() -> std::optional<bool> {
        log = dialog.ChildText(IDC_LOG);
        return log == expected ? std::optional<bool>(true) : std::nullopt;
    });
    return log;
}

std::string WaitForResult(const Window& dialog, const std::string& expected) {
    std::string result;
    Poll(kDefaultTimeoutMs, [&]() -> std::optional<bool> {
        result = dialog.ChildText(IDC_RESULT);
        return result == expected ? std::optional<bool>(true) : std::nullopt;
    });
    return result;
}

MessageBoxInfo OpenBox(const Fixture& f, unsigned flags, const std::string& text) {
    f.dialog.SetChildText(IDC_FLAGS, std::to_string(flags));
    f.dialog.SetChildText(IDC_BOXTEXT, text);
    f.dialog.Click(IDC_SHOWBOX);
    return WaitForMessageBox(f.process);
}

TEST(ProcessTest, ReturnsTheExitCode) {
    Process process = Process::Start(FixturePath(), WithArguments("--exit 7"));
    EXPECT_EQ(process.WaitForExit(), 7u);
    EXPECT_FALSE(process.Running());
}

TEST(ProcessTest, KillsAProgramThatDoesNotEndInTime) {
    Process process = Process::Start(FixturePath(), WithArguments("--hang"));
    EXPECT_THROW(process.WaitForExit(500), Error);
    EXPECT_FALSE(process.Running());
}

TEST(ProcessTest, WaitingForAWindowStopsWhenTheProgramEnds) {
    Process process = Process::Start(FixturePath(), WithArguments("--exit 3"));
    const ULONGLONG start = GetTickCount64();
    try {
        WaitForWindow(process, kCaption, "#32770", 20000);
        FAIL() << "a window was found although the program shows none";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("exit code 3"), std::string::npos) << e.what();
    }
    EXPECT_LT(GetTickCount64() - start, 10000u);
}

TEST(ProcessTest, StartsInTheGivenFolderWithTheGivenEnvironment) {
    TestFolder folder("driver-env");
    StartOptions options;
    options.workingFolder = folder.Path();
    options.env["KALV_FIXTURE"] = "Wert \xE4\xF6\xFC";
    Fixture f = StartFixture(options);
    const std::string env = f.dialog.ChildText(IDC_ENV);
    EXPECT_EQ(env.substr(0, env.rfind('|')), "Wert \xE4\xF6\xFC|C:\\kalv-e2e\\driver-env");
}

TEST(ProcessTest, WineReportsWindows98WhenToldSo) {
    {
        WineVersionOverride win98("e2e_fixture_app.exe", "win98");
        Fixture f = StartFixture();
        const std::string env = f.dialog.ChildText(IDC_ENV);
        EXPECT_EQ(env.substr(env.rfind('|') + 1), "1.4.10");
    }
    // The override is gone again: an NT platform (id 2).
    Fixture f = StartFixture();
    const std::string env = f.dialog.ChildText(IDC_ENV);
    EXPECT_EQ(env.substr(env.rfind('|') + 1, 2), "2.");
}

TEST(WindowTest, ReadsTextsAsCodePage1252Bytes) {
    Fixture f = StartFixture();
    EXPECT_EQ(f.dialog.Text(), kCaption);
    EXPECT_EQ(f.dialog.ClassName(), "#32770");
    EXPECT_EQ(f.dialog.ChildText(IDC_GREETING),
              "Gr\xFC\xDF"
              "e aus K\xF6"
              "ln: Ma\xDF & Spa\xDF");
    EXPECT_EQ(f.dialog.ChildText(IDC_EDIT), "C:\\Programme\\Kalvorin");
    EXPECT_FALSE(FindTopLevelWindow(f.process.Id(), "#32770", std::string("E2E Prufstand")));
    EXPECT_FALSE(FindTopLevelWindow(f.process.Id(), "Edit", kCaption));
    EXPECT_FALSE(FindTopLevelWindow(GetCurrentProcessId(), "#32770", kCaption));
}

TEST(WindowTest, FindsControlsAlsoOnChildDialogs) {
    Fixture f = StartFixture();
    EXPECT_FALSE(f.dialog.FindChild(4711));
    EXPECT_THROW(f.dialog.Child(4711), Error);
    const Window pageText = f.dialog.Child(IDC_PAGE_TEXT);
    EXPECT_NE(GetParent(pageText.Handle()), f.dialog.Handle());
    EXPECT_EQ(pageText.Text(), "Seite");
    f.dialog.Click(IDC_PAGE_BUTTON);
    EXPECT_EQ(WaitForLog(f.dialog, "PAGE;"), "PAGE;");
}

TEST(WindowTest, ReadsVisibleEnabledAndCheckedStates) {
    Fixture f = StartFixture();
    EXPECT_TRUE(f.dialog.Child(IDC_EDIT).Visible());
    EXPECT_FALSE(f.dialog.Child(IDC_HIDDEN).Visible());
    EXPECT_TRUE(f.dialog.Child(IDC_PLAIN).Enabled());
    EXPECT_FALSE(f.dialog.Child(IDC_DISABLED).Enabled());
    EXPECT_EQ(f.dialog.CheckState(IDC_CHECK), BST_CHECKED);

    f.dialog.Click(IDC_CHECK);
    EXPECT_EQ(WaitForLog(f.dialog, "CHECK0;"), "CHECK0;");
    EXPECT_EQ(f.dialog.CheckState(IDC_CHECK), BST_UNCHECKED);
}

TEST(WindowTest, RefusesClicksAUserCouldNotMake) {
    Fixture f = StartFixture();
    EXPECT_THROW(f.dialog.Click(IDC_DISABLED), Error);
    EXPECT_THROW(f.dialog.Click(IDC_HIDDEN), Error);
    f.dialog.Click(IDC_PLAIN);
    EXPECT_EQ(WaitForLog(f.dialog, "CLICK;"), "CLICK;");  // and nothing from the refused clicks
}

TEST(WindowTest, SetsEditTextExactly) {
    Fixture f = StartFixture();
    const std::string folder =
        "D:\\Spiele\\Gr\xF6\xDF"
        "e \xC4rger";
    f.dialog.SetChildText(IDC_EDIT, folder);
    EXPECT_EQ(f.dialog.ChildText(IDC_EDIT), folder);
    f.dialog.SetChildText(IDC_EDIT, "");
    EXPECT_EQ(f.dialog.ChildText(IDC_EDIT), "");
}

TEST(WindowTest, ReadsTheProgressBar) {
    Fixture f = StartFixture();
    const ProgressState progress = f.dialog.Progress(IDC_PROGRESS);
    EXPECT_EQ(progress.position, 123);
    EXPECT_EQ(progress.low, 0);
    EXPECT_EQ(progress.high, 500);
}

TEST(WindowTest, EnterAndEscapeReachTheDialogLoop) {
    Fixture f = StartFixture();
    f.dialog.PressEnter();
    EXPECT_EQ(WaitForLog(f.dialog, "OK;"), "OK;");
    f.dialog.PressEscape();
    EXPECT_EQ(WaitForLog(f.dialog, "OK;CANCEL;"), "OK;CANCEL;");
}

TEST(WindowTest, ExitCodeAfterTheProgramCloses) {
    Fixture f = StartFixture();
    const Window dialog = f.dialog;
    dialog.Click(IDC_QUIT);
    EXPECT_EQ(f.process.WaitForExit(), static_cast<DWORD>(FIXTURE_QUIT_CODE));
    EXPECT_FALSE(dialog.Exists());
    EXPECT_THROW(dialog.Text(), Error);
}

struct BoxCase {
    unsigned flags;
    IconKind icon;
    std::vector<int> buttons;
    int defaultButton;
};

TEST(MessageBoxTest, ReadsEveryIconButtonSetAndDefault) {
    const std::vector<BoxCase> cases = {
        {0x10, IconKind::Stop, {IDOK}, IDOK},
        {0x30, IconKind::Exclamation, {IDOK}, IDOK},
        {0x00, IconKind::None, {IDOK}, IDOK},
        {0x24, IconKind::Question, {IDYES, IDNO}, IDYES},
        {0x34, IconKind::Exclamation, {IDYES, IDNO}, IDYES},
        {0x134, IconKind::Exclamation, {IDYES, IDNO}, IDNO},
        {0x33, IconKind::Exclamation, {IDYES, IDNO, IDCANCEL}, IDYES},
        {0x35, IconKind::Exclamation, {IDRETRY, IDCANCEL}, IDRETRY},
        {0x40, IconKind::Information, {IDOK}, IDOK},
        {0x21, IconKind::Question, {IDOK, IDCANCEL}, IDOK},
    };
    Fixture f = StartFixture();
    for (const BoxCase& c : cases) {
        SCOPED_TRACE("flags " + std::to_string(c.flags));
        const std::string text = "Zeile eins \xFC\n\nZeile drei: \"%1\"";
        const MessageBoxInfo box = OpenBox(f, c.flags, text);
        EXPECT_EQ(box.caption, "e2e_fixture_app");
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(ToString(box.icon), std::string(ToString(c.icon)));
        EXPECT_EQ(box.buttons, c.buttons);
        EXPECT_EQ(box.defaultButton, c.defaultButton);
        EXPECT_EQ(box.owner.Handle(), f.dialog.Handle());
        EXPECT_FALSE(f.dialog.Enabled());  // the owner is disabled while the box is open
        EXPECT_FALSE(FindTopLevelWindow(f.process.Id(), "#32770", std::string("nicht da")));

        const int answer = c.buttons.back();
        AnswerMessageBox(box, answer);
        EXPECT_EQ(WaitForResult(f.dialog, "box=" + std::to_string(answer)), "box=" + std::to_string(answer));
        EXPECT_TRUE(f.dialog.Enabled());
        EXPECT_FALSE(FindMessageBox(f.process.Id()));
    }
}

TEST(MessageBoxTest, EnterAndEscapeAnswerABox) {
    Fixture f = StartFixture();
    MessageBoxInfo box = OpenBox(f, 0x24, "Enter?");
    box.window.PressEnter();
    box.window.WaitUntilGone();
    EXPECT_EQ(WaitForResult(f.dialog, "box=6"), "box=6");

    box = OpenBox(f, 0x21, "Escape?");
    box.window.PressEscape();
    box.window.WaitUntilGone();
    EXPECT_EQ(WaitForResult(f.dialog, "box=2"), "box=2");
}

TEST(MessageBoxTest, WaitingFailsWhenNoBoxComes) {
    Fixture f = StartFixture();
    EXPECT_FALSE(FindMessageBox(f.process.Id()));
    // The dialog itself is no message box.
    const ULONGLONG start = GetTickCount64();
    EXPECT_THROW(WaitForMessageBox(f.process, 300), Error);
    EXPECT_GE(GetTickCount64() - start, 300u);
}

TEST(MessageBoxTest, RefusesAButtonTheBoxDoesNotHave) {
    Fixture f = StartFixture();
    const MessageBoxInfo box = OpenBox(f, 0x10, "Nur OK");
    EXPECT_THROW(AnswerMessageBox(box, IDCANCEL), Error);
    EXPECT_THROW(AnswerMessageBox(box, IDYES), Error);
    EXPECT_TRUE(box.window.Exists());
    AnswerMessageBox(box, IDOK);
    EXPECT_FALSE(box.window.Exists());
}

// Reads a PNG written by SavePng back into pixels (8-bit RGB, filter 0 only).
Image ReadPng(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto be32 = [&](size_t at) {
        return (static_cast<uint32_t>(static_cast<unsigned char>(file[at])) << 24) |
               (static_cast<uint32_t>(static_cast<unsigned char>(file[at + 1])) << 16) |
               (static_cast<uint32_t>(static_cast<unsigned char>(file[at + 2])) << 8) |
               static_cast<unsigned char>(file[at + 3]);
    };
    Image image;
    EXPECT_EQ(file.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
    std::string data;
    size_t at = 8;
    while (at + 12 <= file.size()) {
        const uint32_t length = be32(at);
        const std::string type = file.substr(at + 4, 4);
        const std::string body = file.substr(at + 8, length);
        const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(file.data() + at + 4), length + 4);
        EXPECT_EQ(be32(at + 8 + length), static_cast<uint32_t>(crc)) << type;
        if (type == "IHDR") {
            image.width = static_cast<int>(be32(at + 8));
            image.height = static_cast<int>(be32(at + 12));
            EXPECT_EQ(body.substr(8), std::string("\x08\x02\x00\x00\x00", 5));
        } else if (type == "IDAT") {
            data += body;
        }
        at += 12 + length;
    }
    uLongf rawSize = static_cast<uLongf>(image.height) * (1 + 3 * static_cast<uLongf>(image.width));
    std::vector<unsigned char> raw(rawSize);
    EXPECT_EQ(
        uncompress(raw.data(), &rawSize, reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size())),
        Z_OK);
    for (int y = 0; y < image.height; ++y) {
        const unsigned char* row = raw.data() + static_cast<size_t>(y) * (1 + 3 * image.width);
        EXPECT_EQ(row[0], 0);
        for (int x = 0; x < image.width; ++x) {
            const unsigned char* p = row + 1 + 3 * x;
            image.pixels.push_back((static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2]);
        }
    }
    return image;
}

TEST(ScreenTest, ScreenshotHoldsTheScreen) {
    Fixture f = StartFixture();
    Sleep(300);  // let the dialog finish painting
    const std::string path = SaveScreenshot("driver-screen");
    ASSERT_FALSE(path.empty());
    const Image live = CaptureScreen();
    const Image saved = ReadPng(path);
    ASSERT_EQ(saved.width, GetSystemMetrics(SM_CXSCREEN));
    ASSERT_EQ(saved.height, GetSystemMetrics(SM_CYSCREEN));
    ASSERT_EQ(saved.pixels.size(), live.pixels.size());
    size_t differing = 0;
    for (size_t i = 0; i < live.pixels.size(); ++i) {
        differing += live.pixels[i] != saved.pixels[i];
    }
    EXPECT_LT(differing, 100u);  // the edit's blinking caret at most

    // The dialog's client area in the file is the dialog, not a blank.
    RECT client;
    GetClientRect(f.dialog.Handle(), &client);
    MapWindowPoints(f.dialog.Handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::set<uint32_t> colours;
    for (int y = client.top; y < client.bottom; ++y) {
        for (int x = client.left; x < client.right; ++x) {
            colours.insert(saved.At(x, y));
        }
    }
    EXPECT_GT(colours.size(), 4u);
    const uint32_t face = saved.At(client.left + 2, client.bottom - 2);
    const COLORREF system = GetSysColor(COLOR_3DFACE);
    EXPECT_EQ(face, (static_cast<uint32_t>(GetRValue(system)) << 16) | (GetGValue(system) << 8) | GetBValue(system));
}

// Fails on purpose; run only by the next test, in a child process.
TEST(ScreenshotProbe, DISABLED_FailsOnPurpose) {
    ADD_FAILURE() << "failing on purpose";
}

TEST(ScreenTest, AFailedCheckLeavesAScreenshot) {
    const std::string build = HostPathToWine(GetEnv("KALVORIN_BUILD"));
    ASSERT_FALSE(build.empty()) << "KALVORIN_BUILD is not set";
    const std::string expected = build + "\\screenshots\\ScreenshotProbe.DISABLED_FailsOnPurpose.png";
    DeleteFileA(expected.c_str());

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    TestFolder folder("driver-probe");
    StartOptions options;
    options.arguments = "--gtest_filter=ScreenshotProbe.* --gtest_also_run_disabled_tests";
    options.outputFile = folder.FilePath("probe.txt");
    Process probe = Process::Start(self, options);
    EXPECT_EQ(probe.WaitForExit(60000), 1u);
    EXPECT_NE(GetFileAttributesA(expected.c_str()), INVALID_FILE_ATTRIBUTES) << expected;
    const std::string output = folder.Read("probe.txt");
    EXPECT_NE(output.find("failing on purpose"), std::string::npos) << output;
    EXPECT_NE(output.find("[ screenshot ]"), std::string::npos) << output;
}

TEST(PreparationTest, TestFolderWritesReadsAndCopies) {
    TestFolder folder("driver-folder");
    EXPECT_EQ(folder.Path(), "C:\\kalv-e2e\\driver-folder");
    const std::string bytes("SETU\x10\0\0\xFF", 8);
    folder.Write("user.spd", bytes);
    EXPECT_TRUE(folder.Exists("user.spd"));
    EXPECT_EQ(folder.Read("user.spd"), bytes);
    folder.CopyIn(FixturePath(), "copy.exe");
    EXPECT_GT(folder.Read("copy.exe").size(), 1000u);

    TestFolder again("driver-folder");  // starts empty again
    EXPECT_FALSE(again.Exists("user.spd"));
}

TEST(PreparationTest, RegistryOverrideRestoresTheFormerState) {
    const std::string key = "Software\\KalvorinE2E";
    {
        RegistryOverride value(HKEY_CURRENT_USER, key, "Wert");
        value.SetString("eins");
        DWORD type = 0;
        EXPECT_EQ(ReadRegistryValue(HKEY_CURRENT_USER, key, "Wert", &type), std::string("eins\0", 5));
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    }
    EXPECT_FALSE(ReadRegistryValue(HKEY_CURRENT_USER, key, "Wert"));  // absent before, absent after

    const std::string programFiles = "Software\\Microsoft\\Windows\\CurrentVersion";
    const auto before = ReadRegistryValue(HKEY_LOCAL_MACHINE, programFiles, "ProgramFilesDir");
    ASSERT_TRUE(before);
    {
        RegistryOverride value(HKEY_LOCAL_MACHINE, programFiles, "ProgramFilesDir");
        value.Delete();
        EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, programFiles, "ProgramFilesDir"));
        value.SetDword(5);
        EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, programFiles, "ProgramFilesDir"), std::string("\x05\0\0\0", 4));
    }
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, programFiles, "ProgramFilesDir"), before);
}

TEST(PreparationTest, HeldFileCannotBeOpenedOrReplaced) {
    TestFolder folder("driver-held");
    folder.Write("locked.dat", "alt");
    folder.Write("new.dat", "neu");
    {
        HeldFile held(folder.FilePath("locked.dat"));
        HANDLE other = CreateFileA(folder.FilePath("locked.dat").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(other, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_FALSE(CopyFileA(folder.FilePath("new.dat").c_str(), folder.FilePath("locked.dat").c_str(), FALSE));
    }
    EXPECT_TRUE(CopyFileA(folder.FilePath("new.dat").c_str(), folder.FilePath("locked.dat").c_str(), FALSE));
    EXPECT_EQ(folder.Read("locked.dat"), "neu");
}

TEST(PreparationTest, TheRunsDrivesHaveTheirTypes) {
    EXPECT_EQ(GetDriveTypeA("A:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
    EXPECT_EQ(GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(GetDriveTypeA("N:\\"), static_cast<UINT>(DRIVE_REMOTE));
    EXPECT_EQ(GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
}

TEST(TextTest, UnixPathsBecomeDriveZPaths) {
    EXPECT_EQ(HostPathToWine("/work/build/setup.exe"), "Z:\\work\\build\\setup.exe");
    EXPECT_EQ(HostPathToWine("C:\\x"), "C:\\x");
    EXPECT_EQ(HostPathToWine(""), "");
}

}  // namespace
