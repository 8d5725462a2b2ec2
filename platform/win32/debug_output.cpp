#include "platform/win32/debug_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace {

platform::DebugOutputSink& CurrentSink() {
    static platform::DebugOutputSink sink;
    return sink;
}

bool DefaultSinkWritesStderr() {
    static const bool enabled = std::getenv("MORVELT_DEBUG") != nullptr;
    return enabled;
}

void DefaultSink(const char* text) {
    if (DefaultSinkWritesStderr()) std::fputs(text, stderr);
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

namespace {

// The lines told in this run; loaders may run on other threads (the music is decoded beside
// the frame).
std::mutex g_toldMutex;
std::set<std::string> g_told;

}  // namespace

void TellUser(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    const std::string line = std::string("morvelt: ") + text + "\n";
    {
        std::lock_guard<std::mutex> lock(g_toldMutex);
        if (!g_told.insert(line).second) return;
    }
    if (CurrentSink() || !DefaultSinkWritesStderr()) std::fputs(line.c_str(), stderr);
    OutputDebugStringA(line.c_str());
}

void ForgetToldLines() {
    std::lock_guard<std::mutex> lock(g_toldMutex);
    g_told.clear();
}

}  // namespace platform
