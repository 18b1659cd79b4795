#include "Stall.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <map>
#include <vector>

#include "Error.h"
#include "Screen.h"

namespace e2e {

namespace {

std::string TextOf(HWND window) {
    char buffer[512] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 500,
                             &copied)) {
        return "<no answer>";
    }
    std::string text(buffer, copied);
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return text;
}

std::string ClassOf(HWND window) {
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::map<DWORD, std::string> ProgramNames() {
    std::map<DWORD, std::string> names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return names;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        std::string name = entry.szExeFile;
        names[entry.th32ProcessID] = name.substr(name.find_last_of("\\/") + 1);
    }
    CloseHandle(snapshot);
    return names;
}

struct Listing {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM data) {
    auto* listing = reinterpret_cast<Listing*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (IsWindowVisible(window) && (listing->processId == 0 || owner == listing->processId)) {
        listing->windows.push_back(window);
    }
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM data) {
    if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    return TRUE;
}

}  // namespace

std::string DescribeWindows(DWORD processId) {
    Listing listing{processId, {}};
    EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&listing));
    const std::map<DWORD, std::string> programs = ProgramNames();
    std::string text;
    for (HWND window : listing.windows) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        const auto program = programs.find(owner);
        text += "process " + std::to_string(owner) + " " + (program != programs.end() ? program->second : "?") + ": " +
                ClassOf(window) + " \"" + TextOf(window) + "\"" + (IsWindowEnabled(window) ? "" : " disabled") + "\n";
        std::vector<HWND> children;
        EnumChildWindows(window, &CollectChild, reinterpret_cast<LPARAM>(&children));
        for (HWND child : children) {
            text += "  " + std::to_string(GetDlgCtrlID(child)) + " " + ClassOf(child) + " \"" + TextOf(child) + "\"" +
                    (IsWindowEnabled(child) ? "" : " disabled") + "\n";
        }
    }
    return text.empty() ? std::string("(no visible window)\n") : text;
}

std::string StallReport(const std::string& what, const std::string& name) {
    std::string shot = name;
    if (shot.empty()) {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        shot = test != nullptr ? std::string(test->test_suite_name()) + "." + test->name() : std::string("unnamed");
        shot += "-stalled";
    }
    const std::string path = SaveScreenshot(shot);
    return what + "\n[ screenshot ] " + (path.empty() ? std::string("(none)") : path) + "\nwindows seen:\n" +
           DescribeWindows();
}

void ThrowStalled(const std::string& what) {
    throw Error(StallReport(what));
}

}  // namespace e2e
