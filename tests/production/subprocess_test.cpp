#include "production/subprocess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

TEST(Subprocess, ExitStatusOrMinusOne) {
    EXPECT_EQ(RunProgram({"true"}), 0);
    EXPECT_EQ(RunProgram({"sh", "-c", "exit 3"}), 3);
    EXPECT_EQ(RunProgram({"no-such-program-here"}), -1);
}

// A child reaped by someone else (here: SIGCHLD ignored, so the kernel reaps it) leaves
// waitpid failing with ECHILD for good: Wait must give up, not loop.
TEST(Subprocess, ChildReapedElsewhereEndsTheWait) {
    struct sigaction ignore {}, kept {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGCHLD, &ignore, &kept);
    alarm(20);  // a wait that never ends fails the test instead of hanging the suite
    EXPECT_EQ(RunProgram({"true"}), -1);
    alarm(0);
    sigaction(SIGCHLD, &kept, nullptr);
}
