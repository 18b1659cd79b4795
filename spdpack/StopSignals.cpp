#include "spdpack/StopSignals.h"

#include <csignal>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace spdpack {

namespace {

std::mutex& StagingMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<void()>& StopCleanup() {
    static std::function<void()> cleanup;
    return cleanup;
}

}  // namespace

std::unique_lock<std::mutex> LockStaging() {
    return std::unique_lock<std::mutex>(StagingMutex());
}

void SetStopCleanup(std::function<void()> cleanup) {
    StopCleanup() = std::move(cleanup);
}

void InstallStopHandler() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([set] {
        int signal = 0;
        while (sigwait(&set, &signal) != 0) {
        }
        auto lock = LockStaging();
        if (StopCleanup()) StopCleanup()();
        _exit(128 + signal);
    }).detach();
}

}  // namespace spdpack
