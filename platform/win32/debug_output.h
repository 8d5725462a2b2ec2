// Debugger output. OutputDebugStringA writes to one process-wide sink: stderr when the
// environment variable MORVELT_DEBUG is set, otherwise nothing. Tests and tools install
// their own sink to capture the text.
#pragma once

#include <functional>

void OutputDebugStringA(const char* text);

namespace platform {

using DebugOutputSink = std::function<void(const char* text)>;

// Replaces the sink; an empty function restores the default. Returns the previous sink.
DebugOutputSink SetDebugOutputSink(DebugOutputSink sink);

// One line for the person running the program: "morvelt: " and the text, on stderr and in the
// debugger output (once on stderr when the debugger output goes there too). A line already
// said in this run is not said again.
void TellUser(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Tests: lets every line be told again.
void ForgetToldLines();

}  // namespace platform
