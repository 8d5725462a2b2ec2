// Starting a helper program (ffmpeg) with its arguments passed as they are, never through a shell.
#pragma once

#include <cstdio>
#include <string>
#include <sys/types.h>
#include <vector>

class Subprocess {
public:
    ~Subprocess();

    // Starts `arguments[0]` (searched on PATH) with its standard input connected to Input()
    // when `pipeInput`, and its standard output discarded. False when it cannot be started.
    bool Start(const std::vector<std::string>& arguments, bool pipeInput);

    std::FILE* Input() const { return m_input; }

    // Closes the input and waits; returns the exit status (0 = success, -1 = not started or killed).
    int Wait();

private:
    pid_t m_pid = -1;
    std::FILE* m_input = nullptr;
};

// Runs a program to its end; returns its exit status (-1 when it cannot be started).
int RunProgram(const std::vector<std::string>& arguments);
