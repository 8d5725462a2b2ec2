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

}  // namespace platform
