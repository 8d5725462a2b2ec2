#include "production/subprocess.h"

#include "production/recording_signals.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Everything written to `fd` from its start.
std::string ReadFromStart(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t got;
    off_t at = 0;
    while ((got = pread(fd, buffer, sizeof buffer, at)) > 0) {
        text.append(buffer, static_cast<size_t>(got));
        at += got;
    }
    return text;
}

}  // namespace

Subprocess::~Subprocess() { Wait(); }

bool Subprocess::Start(const std::vector<std::string>& arguments, bool pipeInput) {
    int pipeFds[2] = {-1, -1};
    if (pipeInput && pipe2(pipeFds, O_CLOEXEC) != 0) return false;
    m_errors = memfd_create("helper-errors", MFD_CLOEXEC);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (pipeInput) posix_spawn_file_actions_adddup2(&actions, pipeFds[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (m_errors >= 0) posix_spawn_file_actions_adddup2(&actions, m_errors, STDERR_FILENO);

    // Its own process group, no blocked signals, and the default actions for the ones this
    // program takes or ignores.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int signal : {SIGINT, SIGTERM, SIGPIPE}) sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int result = posix_spawnp(&m_pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);

    if (pipeInput) close(pipeFds[0]);
    if (result != 0) {
        m_pid = -1;
        if (pipeInput) close(pipeFds[1]);
        return false;
    }
    recording_signals::AddHelper(m_pid);
    if (pipeInput) m_input = fdopen(pipeFds[1], "wb");
    return true;
}

int Subprocess::Wait(std::string* errors) {
    if (m_input) {
        std::fclose(m_input);
        m_input = nullptr;
    }
    int status = 0;
    pid_t waited = -1;
    if (m_pid > 0) {
        do {
            waited = waitpid(m_pid, &status, 0);
        } while (waited < 0 && errno == EINTR);
        recording_signals::RemoveHelper(m_pid);
        m_pid = -1;
    }
    if (m_errors >= 0) {
        if (errors) *errors = ReadFromStart(m_errors);
        close(m_errors);
        m_errors = -1;
    }
    if (waited < 0) return -1;  // not started, or reaped elsewhere (ECHILD): its status is lost
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunProgram(const std::vector<std::string>& arguments, std::string* errors) {
    Subprocess process;
    if (!process.Start(arguments, false)) return -1;
    return process.Wait(errors);
}
