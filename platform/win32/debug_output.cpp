#include "platform/win32/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

platform::DebugOutputSink& CurrentSink() {
    static platform::DebugOutputSink sink;
    return sink;
}

void DefaultSink(const char* text) {
    static const bool enabled = std::getenv("MORVELT_DEBUG") != nullptr;
    if (enabled) std::fputs(text, stderr);
}

}  // namespace

void OutputDebugStringA(const char* text) {
    if (text == nullptr) return;
    if (CurrentSink())
        CurrentSink()(text);
    else
        DefaultSink(text);
}

namespace platform {

DebugOutputSink SetDebugOutputSink(DebugOutputSink sink) {
    return std::exchange(CurrentSink(), std::move(sink));
}

}  // namespace platform
