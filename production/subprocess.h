// Starting a helper program (ffmpeg) with its arguments passed as they are, never through a
// shell. It runs in its own process group with the default signal handling, so a terminal's
// Ctrl-C reaches this program only, which then ends its helpers in order; what it writes on
// its standard error is kept and returned by Wait.
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

    // Closes the input and waits; returns the exit status (0 = success, -1 = not started or
    // killed). `errors`, when given, receives what the program wrote on its standard error.
    int Wait(std::string* errors = nullptr);

private:
    pid_t m_pid = -1;
    std::FILE* m_input = nullptr;
    int m_errors = -1;  // an in-memory file holding the program's standard error
};

// Runs a program to its end; returns its exit status (-1 when it cannot be started) and, in
// `errors` when given, what it wrote on its standard error.
int RunProgram(const std::vector<std::string>& arguments, std::string* errors = nullptr);
