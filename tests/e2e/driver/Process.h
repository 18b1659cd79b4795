// A program under test, started from a prepared folder. The process is ended
// when the object goes away while it still runs, so a failing test never
// leaves a stray window behind for the next one.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Wait.h"

namespace e2e {

struct StartOptions {
    std::string arguments;                   // appended to the quoted program path
    std::string workingFolder;               // empty: the program's own folder
    std::map<std::string, std::string> env;  // variables set (or replaced) for the child
    std::string outputFile;                  // when set: the child's stdout and stderr go there
    // Wine's X11 driver lets a window manager manage top-level windows; with
    // none (Xvfb) every hidden window costs a 2 s wait, and captions are not
    // drawn. When true, the program's windows are unmanaged: Wine draws their
    // frames itself and hides them at once (value Managed = N in the key
    // HKCU\Software\Wine\AppDefaults\<exe>\X11 Driver). Leave it false on a
    // desktop with a window manager.
    bool unmanagedWindows = true;
};

class Process {
public:
    // Starts `program` (a Windows path); throws Error when CreateProcess fails.
    static Process Start(const std::string& program, const StartOptions& options = {});

    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    bool Running() const;

    // The exit code once the process has ended within timeoutMs, else empty
    // (the process keeps running).
    std::optional<DWORD> TryWaitForExit(DWORD timeoutMs) const;
    // The exit code; after timeoutMs the process is killed and Error thrown.
    DWORD WaitForExit(DWORD timeoutMs = kDefaultTimeoutMs);
    // Ends the process (exit code 9999) and waits until it is gone.
    void Kill();

private:
    Process(HANDLE process, DWORD id) : process_(process), id_(id) {}
    void Close();

    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// While it lives, every thread of process `processId` but `running` is
// suspended: the program under test advances only when the driver lets it.
class PausedThreads {
public:
    PausedThreads(DWORD processId, DWORD running);
    ~PausedThreads();
    PausedThreads(const PausedThreads&) = delete;
    PausedThreads& operator=(const PausedThreads&) = delete;
    size_t Count() const { return threads_.size(); }

private:
    std::vector<HANDLE> threads_;
};

// Ids of the running processes whose program file is named `exeName` (no
// folder; letters compared without case), for programs that the program
// under test starts by itself.
std::vector<DWORD> ProcessIdsNamed(const std::string& exeName);

// Ends every process started with Process::Start that still runs (the
// watchdog's last act, when no destructor will run any more).
void KillStartedProcesses();

}  // namespace e2e
