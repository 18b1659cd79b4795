// Drives one installation for `make bench` from start to end, as fast as the
// setup program lets it, and reports what it cost.
//
//   e2e_bench_driver SETUP_EXE [--phases]
//   e2e_bench_driver --silent PROGRAM [ARGUMENT...]
//
// Starts the program, presses Install as soon as it can be pressed, answers
// any message box with its default button (and names it: a benchmark run
// should see none), and on the finish page reads the program's peak working
// set (GetProcessMemoryInfo, PeakWorkingSetSize: the high-water mark of its
// resident memory) before pressing "Beenden". Prints, one per line:
//   elapsed_ms N        from the start of the program to its end
//   peak_working_set N  bytes, read on the finish page
//   peak_before_install N  the same, read when Install was pressed
//   exit_code N
// With --phases, every change of the status line is printed with the time
// since the start and the program's resident memory: where the time and the
// memory of an installation go.
// Exit code 0 when the program reached the finish page and ended with 0.
//
// With --silent, a program that installs without a window (the NSIS
// installer with /S, msiexec with /qn) is started the same way with its
// arguments and waited for; the time runs from its start to its end, or to
// the end of the last process of the same program that it left running (a
// second msiexec that goes on installing, say). Prints elapsed_ms, exit_code
// and left_running (the processes of the program's name it started and that
// outlived it). Exit code 0 when the program ended with 0.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e.h"

namespace {

using namespace e2e;

constexpr DWORD kRunLimitMs = 900000;
constexpr int kCancel = IDCANCEL;
constexpr DWORD kInstallPollMs = 100;

double MillisecondsSince(const LARGE_INTEGER& started) {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart - started.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

struct MemoryState {
    SIZE_T now = 0;   // resident memory
    SIZE_T peak = 0;  // its high-water mark so far
};

MemoryState Memory(const Process& process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process.Handle(), &counters, sizeof counters)) return {};
    return {counters.WorkingSetSize, counters.PeakWorkingSetSize};
}

SIZE_T PeakWorkingSet(const Process& process) {
    return Memory(process).peak;
}

int Run(const std::string& setupExe, bool phases) {
    LARGE_INTEGER started;
    QueryPerformanceCounter(&started);
    Process setup = Process::Start(setupExe);

    bool installed = false;
    bool finished = false;
    SIZE_T peak = 0;
    SIZE_T peakBefore = 0;
    std::string lastStatus;
    const ULONGLONG deadline = GetTickCount64() + kRunLimitMs;
    while (setup.Running()) {
        if (GetTickCount64() > deadline) {
            std::printf("the setup program did not end in time\n");
            setup.Kill();
            return 1;
        }
        try {
            if (FindMessageBox(setup.Id())) {
                const MessageBoxInfo box = WaitForMessageBox(setup);
                const int answer = box.defaultButton != 0 ? box.defaultButton : box.buttons.front();
                std::printf("message box \"%s\", answered with button %d\n", box.text.c_str(), answer);
                AnswerMessageBox(box, answer);
                continue;
            }
            const auto dialog = FindTopLevelWindow(setup.Id(), "#32770", std::string("Kalvorin"));
            if (dialog && phases) {
                const auto status = dialog->FindChild(kStatus);
                const std::string text = status ? OneLine(status->Text()) : std::string();
                if (text != lastStatus) {
                    lastStatus = text;
                    const MemoryState memory = Memory(setup);
                    std::printf("%8.0f ms  %7.1f MiB (peak %7.1f MiB)  %s\n", MillisecondsSince(started),
                                memory.now / 1048576.0, memory.peak / 1048576.0, text.c_str());
                }
            }
            if (dialog) {
                const auto install = dialog->FindChild(kInstall);
                if (!installed && install && install->Visible() && install->Enabled()) {
                    installed = true;
                    peakBefore = PeakWorkingSet(setup);
                    dialog->Click(kInstall);
                    continue;
                }
                const auto cancel = dialog->FindChild(kCancel);
                if (installed && !finished && cancel && cancel->Text() == kFinishCaption) {
                    finished = true;
                    peak = PeakWorkingSet(setup);
                    dialog->Click(kCancel);
                    continue;
                }
            }
        } catch (const Error&) {
            // A window went away while it was read: the loop sees what follows.
        }
        // While the files are installed, look less often: every look is a
        // few messages the dialog has to answer between the worker's own.
        Sleep(installed && !phases ? kInstallPollMs : kPollIntervalMs);
    }
    const DWORD code = setup.WaitForExit();
    const double ms = MillisecondsSince(started);
    std::printf("elapsed_ms %.0f\npeak_working_set %llu\npeak_before_install %llu\nexit_code %lu\n", ms,
                static_cast<unsigned long long>(peak), static_cast<unsigned long long>(peakBefore),
                static_cast<unsigned long>(code));
    if (!finished) {
        std::printf("the setup program ended before its finish page\n");
    }
    return finished && code == 0 ? 0 : 1;
}

std::string ExeName(const std::string& program) {
    return program.substr(program.find_last_of("\\/") + 1);
}

int RunSilent(const std::string& program, const std::string& arguments) {
    const std::string exeName = ExeName(program);
    const std::vector<DWORD> before = ProcessIdsNamed(exeName);
    LARGE_INTEGER started;
    QueryPerformanceCounter(&started);
    StartOptions options;
    options.arguments = arguments;
    Process process = Process::Start(program, options);
    const DWORD code = process.WaitForExit(kRunLimitMs);
    // What the program left running under its own name is part of its work.
    int leftRunning = 0;
    for (const DWORD id : ProcessIdsNamed(exeName)) {
        if (id == process.Id() || std::find(before.begin(), before.end(), id) != before.end()) continue;
        HANDLE other = OpenProcess(SYNCHRONIZE, FALSE, id);
        if (other == nullptr) continue;  // ended in between
        ++leftRunning;
        const DWORD waited = WaitForSingleObject(other, kRunLimitMs);
        CloseHandle(other);
        if (waited != WAIT_OBJECT_0) {
            std::printf("process %lu of %s did not end in time\n", static_cast<unsigned long>(id), exeName.c_str());
            return 1;
        }
    }
    const double ms = MillisecondsSince(started);
    std::printf("elapsed_ms %.0f\nexit_code %lu\nleft_running %d\n", ms, static_cast<unsigned long>(code), leftRunning);
    return code == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--silent") {
        std::string arguments;
        for (int i = 3; i < argc; ++i) {
            if (!arguments.empty()) arguments += ' ';
            arguments += argv[i];
        }
        try {
            return RunSilent(HostPathToWine(argv[2]), arguments);
        } catch (const Error& e) {
            std::printf("bench driver stopped: %s\n", e.what());
            return 1;
        }
    }
    const bool phases = argc == 3 && std::string(argv[2]) == "--phases";
    if (argc != 2 && !phases) {
        std::fprintf(stderr,
                     "usage: e2e_bench_driver SETUP_EXE [--phases]\n"
                     "       e2e_bench_driver --silent PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    try {
        return Run(HostPathToWine(argv[1]), phases);
    } catch (const Error& e) {
        std::printf("bench driver stopped: %s\n", e.what());
        return 1;
    }
}
