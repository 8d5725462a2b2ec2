#include "platform/win32.h"

#include <gtest/gtest.h>

#include <string>

TEST(DebugOutput, InstalledSinkReceivesTextAndPreviousSinkComesBack) {
    std::string captured;
    auto previous = platform::SetDebugOutputSink([&](const char* text) { captured += text; });
    OutputDebugStringA("Sorted Events\n");
    OutputDebugStringA(nullptr);  // ignored, as a null string carries nothing
    OutputDebugStringA("done");
    platform::SetDebugOutputSink(previous);
    OutputDebugStringA("not captured");
    EXPECT_EQ(captured, "Sorted Events\ndone");
}

TEST(ResultCodes, FailureCodesAreNegativeAndSuccessIsNot) {
    EXPECT_TRUE(SUCCEEDED(S_OK));
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
    EXPECT_TRUE(FAILED(E_FAIL));
    EXPECT_TRUE(FAILED(E_INVALIDARG));
    EXPECT_EQ(static_cast<std::uint32_t>(E_OUTOFMEMORY), 0x8007000Eu);
}

TEST(DebugOutput, TellUserSaysEachLineOnceWithTheProgramsName) {
    std::string captured;
    auto previous = platform::SetDebugOutputSink([&](const char* text) { captured += text; });
    platform::ForgetToldLines();
    platform::TellUser("%s: cannot be read: %s", "Data/halo.x", "No such file or directory");
    platform::TellUser("%s: cannot be read: %s", "Data/halo.x", "No such file or directory");
    platform::TellUser("no sound device: playing silently");
    platform::SetDebugOutputSink(previous);
    EXPECT_EQ(captured,
              "morvelt: Data/halo.x: cannot be read: No such file or directory\n"
              "morvelt: no sound device: playing silently\n");
}
