// The sample screensaver: its command line, its picture arithmetic, and the
// real .scr under Wine in each of its modes.
#include <gtest/gtest.h>

#include "Arguments.h"
#include "Waves.h"
#include "e2e.h"

namespace {

using namespace e2e;
using kalvorin_sample::Mode;
using kalvorin_sample::ParseArguments;

const std::string kSaverClass = "KalvorinSampleSaver";
const std::string kName = "Kalvorin Wellen";

TEST(SampleArgumentsTest, ModesAndWindows) {
    struct Case {
        const char* line;
        Mode mode;
        std::uintptr_t window;
    };
    const Case cases[] = {
        {"", Mode::Configure, 0},
        {"   ", Mode::Configure, 0},
        {"/s", Mode::FullScreen, 0},
        {"-S", Mode::FullScreen, 0},
        {"/s 1234", Mode::FullScreen, 0},
        {"/p 1234", Mode::Preview, 1234},
        {"/P:65538", Mode::Preview, 65538},
        {"-p  42 ", Mode::Preview, 42},
        {"/p", Mode::Invalid, 0},
        {"/p 0", Mode::Invalid, 0},
        {"/p abc", Mode::Invalid, 0},
        {"/p 12x", Mode::Invalid, 0},
        {"/p 99999999999999999999999999", Mode::Invalid, 0},
        {"/c", Mode::Configure, 0},
        {"/c:4711", Mode::Configure, 4711},
        {"/C 17", Mode::Configure, 17},
        {"/c:xyz", Mode::Configure, 0},
        {"/a 99", Mode::ChangePassword, 99},
        {"/x", Mode::Invalid, 0},
        {"/", Mode::Invalid, 0},
        {"s", Mode::Invalid, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.line + "\"");
        const auto args = ParseArguments(c.line);
        EXPECT_EQ(static_cast<int>(args.mode), static_cast<int>(c.mode));
        EXPECT_EQ(args.window, c.window);
    }
}

TEST(SampleWavesTest, WavesSpanTheWidthAndTheTitleStaysOnScreen) {
    for (auto [width, height] : {std::pair{1280, 1024}, std::pair{152, 112}, std::pair{1, 1}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        kalvorin_sample::Waves waves(width, height);
        const int titleWidth = std::min(300, width);
        const int titleHeight = std::min(60, height);
        waves.SetTitleSize(titleWidth, titleHeight);
        for (int frame = 0; frame < 5000; ++frame) {
            waves.Step();
            const auto title = waves.TitlePosition();
            ASSERT_GE(title.x, 0);
            ASSERT_GE(title.y, 0);
            ASSERT_LE(title.x + titleWidth, width);
            ASSERT_LE(title.y + titleHeight, height);
        }
        for (const auto& wave : waves.Lines()) {
            ASSERT_GE(wave.points.size(), 2u);
            EXPECT_EQ(wave.points.front().x, 0);
            EXPECT_GE(wave.points.back().x, width);
        }
    }
}

TEST(SampleWavesTest, ThePictureMoves) {
    kalvorin_sample::Waves waves(640, 480);
    waves.SetTitleSize(100, 20);
    const auto before = waves.Lines();
    const auto titleBefore = waves.TitlePosition();
    waves.Step();
    const auto after = waves.Lines();
    EXPECT_NE(before[0].points[10].y, after[0].points[10].y);
    EXPECT_NE(titleBefore.x, waves.TitlePosition().x);
}

std::string SaverPath() {
    const std::string path = GetEnv("KALVORIN_SAMPLE_SCR");
    if (path.empty()) {
        throw Error("KALVORIN_SAMPLE_SCR is not set");
    }
    return HostPathToWine(path);
}

Process StartSaver(const std::string& arguments) {
    TestFolder folder("sample");
    folder.CopyIn(SaverPath(), "Kalvorin.scr");
    StartOptions options;
    options.arguments = arguments;
    return Process::Start(folder.FilePath("Kalvorin.scr"), options);
}

// Delivers messages sent to this thread's windows while waiting.
void Pump(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Puts the mouse pointer at `p`, for the X server as well as for Wine. Wine's
// X11 driver leaves the pointer warp of SetCursorPos in the connection's
// buffer until the next round trip to the X server; the second call makes that
// trip. Otherwise a screensaver started next sees the pointer where the X
// server still has it, as a movement, and ends at once.
void MovePointer(POINT p) {
    ASSERT_TRUE(SetCursorPos(p.x, p.y));
    ASSERT_TRUE(SetCursorPos(p.x, p.y));
}

// A plain top-level window of the test process, for /p and /c to use.
class HostWindow {
public:
    HostWindow(int width, int height) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KalvorinSampleHost";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, "KalvorinSampleHost", "Vorschau", WS_POPUP | WS_VISIBLE, 100, 100, width, height,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (hwnd_ == nullptr) {
            ThrowLastError("cannot create the host window");
        }
    }
    ~HostWindow() { Destroy(); }
    void Destroy() {
        if (hwnd_ != nullptr) {
            DestroyWindow(hwnd_);
            hwnd_ = nullptr;
        }
    }
    HWND Handle() const { return hwnd_; }
    std::string HandleArgument() const { return std::to_string(reinterpret_cast<std::uintptr_t>(hwnd_)); }

private:
    HWND hwnd_ = nullptr;
};

void ExpectTextBox(Process& process, const std::string& text, IconKind icon, DWORD exitCode) {
    const MessageBoxInfo box = WaitForMessageBox(process);
    EXPECT_EQ(box.caption, kName);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(ToString(box.icon), std::string(ToString(icon)));
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    AnswerMessageBox(box, IDOK);
    EXPECT_EQ(process.WaitForExit(), exitCode);
}

const std::string kSettings =
    "Der Bildschirmschoner \x84Kalvorin Wellen\x93 hat keine Einstellungen.\n\n"
    "Er zeigt farbige Wellen \xFC"
    "ber einem n\xE4"
    "chtlichen Himmel.";

TEST(SampleSaverTest, SettingsWithoutArgumentsAndWithC) {
    for (const char* arguments : {"", "/c", "-C"}) {
        SCOPED_TRACE(arguments);
        Process process = StartSaver(arguments);
        ExpectTextBox(process, kSettings, IconKind::Information, 0);
    }
}

TEST(SampleSaverTest, SettingsBoxBelongsToTheGivenWindow) {
    HostWindow host(200, 150);
    Process process = StartSaver("/c:" + host.HandleArgument());
    std::optional<MessageBoxInfo> box;
    Poll(kDefaultTimeoutMs, [&] {
        Pump(20);
        box = FindMessageBox(process.Id());
        return box;
    });
    ASSERT_TRUE(box);
    EXPECT_EQ(box->owner.Handle(), host.Handle());
    EXPECT_EQ(box->text, kSettings);
    box->window.Click(IDOK);
    Poll(kDefaultTimeoutMs, [&]() -> std::optional<bool> {
        Pump(20);
        return process.Running() ? std::nullopt : std::optional<bool>(true);
    });
    EXPECT_EQ(process.WaitForExit(), 0u);
}

TEST(SampleSaverTest, PasswordAndUnknownOptions) {
    Process password = StartSaver("/a 0");
    ExpectTextBox(password, "Dieser Bildschirmschoner verwendet kein Kennwort.", IconKind::Information, 0);
    for (const char* arguments : {"/x", "/p", "/p abc"}) {
        SCOPED_TRACE(arguments);
        Process process = StartSaver(arguments);
        ExpectTextBox(process, "Aufruf: /s (Vollbild), /p Fenster (Vorschau), /c (Einstellungen).",
                      IconKind::Exclamation, 2);
    }
}

TEST(SampleSaverTest, FullScreenAnimatesAndEndsAtAKey) {
    MovePointer({400, 300});
    Process process = StartSaver("/s");
    const Window saver = WaitForWindow(process, kName, kSaverClass);
    const RECT rect = saver.ScreenRect();
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(rect.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(GetWindowLongA(saver.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    // The picture changes from frame to frame.
    const RECT middle{0, 0, 640, 512};
    Sleep(200);
    const Image first = CaptureScreen(middle);
    const auto changed = Poll(kDefaultTimeoutMs, [&]() -> std::optional<bool> {
        return CaptureScreen(middle).pixels != first.pixels ? std::optional<bool>(true) : std::nullopt;
    });
    EXPECT_TRUE(changed);

    saver.PressKey('A');
    EXPECT_EQ(process.WaitForExit(), 0u);
}

TEST(SampleSaverTest, FullScreenIgnoresATrembleButEndsWhenTheMouseMoves) {
    MovePointer({400, 300});
    Process process = StartSaver("/s");
    WaitForWindow(process, kName, kSaverClass);
    Sleep(200);
    // The real pointer moves (Wine warps the X pointer); 4 pixels are a tremble.
    for (POINT p : {POINT{404, 296}, POINT{396, 304}, POINT{400, 300}}) {
        MovePointer(p);
        Sleep(50);
    }
    EXPECT_FALSE(process.TryWaitForExit(500)) << "ended at a movement of 4 pixels";
    MovePointer({420, 300});
    EXPECT_EQ(process.WaitForExit(), 0u);
}

TEST(SampleSaverTest, FullScreenEndsAtAClick) {
    MovePointer({400, 300});
    Process process = StartSaver("/s");
    const Window saver = WaitForWindow(process, kName, kSaverClass);
    PostMessageA(saver.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(process.WaitForExit(), 0u);
}

TEST(SampleSaverTest, PreviewDrawsIntoTheGivenWindowUntilItCloses) {
    HostWindow host(152, 112);
    Process process = StartSaver("/p " + host.HandleArgument());
    HWND child = nullptr;
    Poll(kDefaultTimeoutMs, [&]() -> std::optional<bool> {
        Pump(20);
        child = FindWindowExA(host.Handle(), nullptr, kSaverClass.c_str(), nullptr);
        return child ? std::optional<bool>(true) : std::nullopt;
    });
    ASSERT_NE(child, nullptr);
    DWORD owner = 0;
    GetWindowThreadProcessId(child, &owner);
    EXPECT_EQ(owner, process.Id());
    RECT area;
    GetClientRect(child, &area);
    EXPECT_EQ(area.right, 152);
    EXPECT_EQ(area.bottom, 112);
    // Keys do not end a preview.
    Window(child).PressKey('A');
    Pump(300);
    EXPECT_TRUE(process.Running());

    host.Destroy();
    Poll(kDefaultTimeoutMs, [&]() -> std::optional<bool> {
        Pump(20);
        return process.Running() ? std::nullopt : std::optional<bool>(true);
    });
    EXPECT_EQ(process.WaitForExit(), 0u);
}

TEST(SampleSaverTest, PreviewOfAWindowThatDoesNotExistEndsAtOnce) {
    Process process = StartSaver("/p 12345678");
    EXPECT_EQ(process.WaitForExit(), 1u);
}

}  // namespace
