#include "production/recording_signals.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <pthread.h>
#include <set>
#include <thread>
#include <unistd.h>
#include <vector>

namespace recording_signals {
namespace {

std::atomic<int> g_stop{0};
std::mutex g_mutex;  // guards the two lists
std::set<std::string> g_temporaries;
std::vector<pid_t> g_helpers;

sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

[[noreturn]] void Abort(int signal) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (pid_t group : g_helpers) kill(-group, SIGKILL);
    for (const std::string& path : g_temporaries) unlink(path.c_str());
    std::fprintf(stderr, "\nmorvelt: recording aborted by a second %s; temporary files removed\n", strsignal(signal));
    _exit(128 + signal);
}

void Watch(sigset_t signals) {
    for (;;) {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0) continue;
        if (g_stop.exchange(signal) != 0) Abort(signal);
        std::fprintf(stderr, "\nmorvelt: %s: stopping after this frame (again to abort at once)\n", strsignal(signal));
    }
}

}  // namespace

void Start() {
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread(Watch, signals).detach();
}

int StopRequested() { return g_stop.load(); }

void AddTemporary(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_temporaries.insert(path);
}

void RemoveTemporary(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_temporaries.erase(path);
}

void AddHelper(pid_t processGroup) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_helpers.push_back(processGroup);
}

void RemoveHelper(pid_t processGroup) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_helpers.erase(std::remove(g_helpers.begin(), g_helpers.end(), processGroup), g_helpers.end());
}

}  // namespace recording_signals
