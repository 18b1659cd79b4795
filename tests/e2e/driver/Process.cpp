#include "Process.h"

#include <tlhelp32.h>

#include <cctype>
#include <cstdio>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "Error.h"
#include "Registry.h"

namespace e2e {

namespace {

constexpr UINT kKilledExitCode = 9999;

// The ids of the processes started and not yet closed.
std::mutex g_startedMutex;
std::set<DWORD> g_started;

std::string Upper(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

// The driver's environment with the overrides applied, as a block of
// "NAME=value\0" entries ended by one more zero.
std::vector<char> BuildEnvironment(const std::map<std::string, std::string>& overrides) {
    std::map<std::string, std::string> byUpperName;  // upper name -> "Name=value"
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* p = block; *p; p += std::char_traits<char>::length(p) + 1) {
            std::string entry(p);
            const size_t eq = entry.find('=', 1);  // entries such as "=C:=C:\" start with '='
            if (eq == std::string::npos) {
                continue;
            }
            byUpperName[Upper(entry.substr(0, eq))] = entry;
        }
        FreeEnvironmentStringsA(block);
    }
    for (const auto& [name, value] : overrides) {
        byUpperName[Upper(name)] = name + "=" + value;
    }
    std::vector<char> out;
    for (const auto& [upper, entry] : byUpperName) {
        out.insert(out.end(), entry.begin(), entry.end());
        out.push_back('\0');
    }
    out.push_back('\0');
    return out;
}

}  // namespace

Process Process::Start(const std::string& program, const StartOptions& options) {
    const std::string exeName = program.substr(program.find_last_of("\\/") + 1);
    {
        RegistryOverride managed(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\" + exeName + "\\X11 Driver",
                                 "Managed");
        if (options.unmanagedWindows) {
            managed.SetString("N");
        } else {
            managed.Delete();
        }
        managed.Keep();
    }
    std::string commandLine = "\"" + program + "\"";
    if (!options.arguments.empty()) {
        commandLine += " " + options.arguments;
    }
    std::vector<char> mutableCommandLine(commandLine.begin(), commandLine.end());
    mutableCommandLine.push_back('\0');

    std::string folder = options.workingFolder;
    if (folder.empty()) {
        const size_t slash = program.find_last_of("\\/");
        if (slash != std::string::npos) {
            folder = program.substr(0, slash);
        }
    }
    std::vector<char> environment;
    if (!options.env.empty()) {
        environment = BuildEnvironment(options.env);
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    HANDLE output = INVALID_HANDLE_VALUE;
    if (!options.outputFile.empty()) {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        output = CreateFileA(options.outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE) {
            ThrowLastError("cannot create " + options.outputFile);
        }
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION info{};
    BOOL started = FALSE;
    DWORD error = ERROR_SUCCESS;
    // Under a heavy load a process that Wine starts sometimes dies while
    // Wine sets it up, before it reports itself started, and CreateProcess
    // fails with an internal error. It is started again, and the retry is
    // written to the test's output.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0) {
            std::fprintf(stderr, "[ retry    ] %s: Wine reported an internal error at the start\n", exeName.c_str());
            Sleep(200);
        }
        started = CreateProcessA(program.c_str(), mutableCommandLine.data(), nullptr, nullptr,
                                 output != INVALID_HANDLE_VALUE, 0, environment.empty() ? nullptr : environment.data(),
                                 folder.empty() ? nullptr : folder.c_str(), &startup, &info);
        error = GetLastError();
        if (started || error != ERROR_INTERNAL_ERROR) break;
    }
    if (output != INVALID_HANDLE_VALUE) {
        CloseHandle(output);
    }
    if (!started) {
        SetLastError(error);
        ThrowLastError("cannot start " + commandLine);
    }
    CloseHandle(info.hThread);
    {
        std::lock_guard<std::mutex> lock(g_startedMutex);
        g_started.insert(info.dwProcessId);
    }
    return Process(info.hProcess, info.dwProcessId);
}

Process::Process(Process&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)), id_(std::exchange(other.id_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Close();
        process_ = std::exchange(other.process_, nullptr);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

Process::~Process() {
    Close();
}

void Process::Close() {
    if (process_ == nullptr) {
        return;
    }
    if (Running()) {
        Kill();
    }
    CloseHandle(process_);
    process_ = nullptr;
    std::lock_guard<std::mutex> lock(g_startedMutex);
    g_started.erase(id_);
}

bool Process::Running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::TryWaitForExit(DWORD timeoutMs) const {
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) {
        ThrowLastError("GetExitCodeProcess");
    }
    return code;
}

DWORD Process::WaitForExit(DWORD timeoutMs) {
    if (auto code = TryWaitForExit(timeoutMs)) {
        return *code;
    }
    Kill();
    throw Error("process " + std::to_string(id_) + " did not end within " + std::to_string(timeoutMs) +
                " ms and was killed");
}

void Process::Kill() {
    if (process_ != nullptr && Running()) {
        TerminateProcess(process_, kKilledExitCode);
        WaitForSingleObject(process_, 5000);
    }
}

PausedThreads::PausedThreads(DWORD processId, DWORD running) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) ThrowLastError("CreateToolhelp32Snapshot");
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId || entry.th32ThreadID == running) continue;
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (thread == nullptr) continue;  // ended just now
        if (SuspendThread(thread) == static_cast<DWORD>(-1)) {
            CloseHandle(thread);
            continue;
        }
        threads_.push_back(thread);
    }
    CloseHandle(snapshot);
}

PausedThreads::~PausedThreads() {
    for (HANDLE thread : threads_) {
        ResumeThread(thread);
        CloseHandle(thread);
    }
}

std::vector<DWORD> ProcessIdsNamed(const std::string& exeName) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        ThrowLastError("CreateToolhelp32Snapshot");
    }
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        std::string name = entry.szExeFile;
        name = name.substr(name.find_last_of("\\/") + 1);
        if (Upper(name) == Upper(exeName)) {
            ids.push_back(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return ids;
}

}  // namespace e2e

namespace e2e {

void KillStartedProcesses() {
    std::set<DWORD> ids;
    {
        std::lock_guard<std::mutex> lock(g_startedMutex);
        ids = g_started;
    }
    for (DWORD id : ids) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (process == nullptr) continue;
        TerminateProcess(process, kKilledExitCode);
        WaitForSingleObject(process, 2000);
        CloseHandle(process);
    }
}

}  // namespace e2e
