#include "tests/app/test_support.h"

#include <cstdlib>

namespace {

// Tests never open a real window or a message box.
const bool g_environment = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("MORVELT_NO_MESSAGE_BOXES", "1", 1);
    return true;
}();

}  // namespace

void FrameTest::SetUp() {
    (void)g_environment;
    frame_test::ResetProcessState();
    fake::ResetAll();
    platform::ResetMessageQueue();
    clock_ = platform::FakeClock{};
    clock_.frequency = 1000000;
    clock_.counter = 5000000;
    clock_.milliseconds = 5000;
    platform::SetFakeClock(&clock_);
    platform::SetMessageBoxSink(
        [this](const char* caption, const char* text, UINT type) { boxes_.push_back({caption, text, type}); });
    platform::SetModalDialogDriver([](HWND dialog) { EndDialog(dialog, IDCANCEL); });
}

void FrameTest::TearDown() {
    fake::ReleaseHeldReferences();
    platform::SetModalDialogDriver(nullptr);
    platform::SetMessageBoxSink(nullptr);
    platform::SetFakeClock(nullptr);
    platform::ResetMessageQueue();
}

void FrameTest::Advance(double seconds) {
    clock_.counter += static_cast<std::int64_t>(seconds * static_cast<double>(clock_.frequency));
    clock_.milliseconds += static_cast<DWORD>(seconds * 1000.0);
}

void FrameTest::CreateApp(TestApp& app) {
    ASSERT_EQ(app.Create(GetModuleHandle(NULL)), S_OK);
    ASSERT_NE(app.m_hWnd, nullptr);
}
