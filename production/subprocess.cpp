#include "production/subprocess.h"

#include <cerrno>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

Subprocess::~Subprocess() { Wait(); }

bool Subprocess::Start(const std::vector<std::string>& arguments, bool pipeInput) {
    int pipeFds[2] = {-1, -1};
    if (pipeInput && pipe2(pipeFds, O_CLOEXEC) != 0) return false;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (pipeInput) posix_spawn_file_actions_adddup2(&actions, pipeFds[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int result = posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);

    if (pipeInput) close(pipeFds[0]);
    if (result != 0) {
        m_pid = -1;
        if (pipeInput) close(pipeFds[1]);
        return false;
    }
    if (pipeInput) m_input = fdopen(pipeFds[1], "wb");
    return true;
}

int Subprocess::Wait() {
    if (m_input) {
        std::fclose(m_input);
        m_input = nullptr;
    }
    if (m_pid <= 0) return -1;
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(m_pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    m_pid = -1;
    if (waited < 0) return -1;  // reaped elsewhere (ECHILD): its status is lost
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunProgram(const std::vector<std::string>& arguments) {
    Subprocess process;
    if (!process.Start(arguments, false)) return -1;
    return process.Wait();
}
