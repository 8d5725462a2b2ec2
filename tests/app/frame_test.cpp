// The frame: creation and hook order, the per-frame rules, pausing, resizing, commands,
// device changes, failures and their messages.
#include <stdexcept>

#include "resources/resource_ids.h"
#include "tests/app/test_support.h"

namespace {

class AppTest : public FrameTest {
protected:
    void TearDown() override {
        if (IsWindow(app_.m_hWnd)) SendMessage(app_.m_hWnd, WM_CLOSE, 0, 0);
        FrameTest::TearDown();
    }
    void Command(int id) { SendMessage(app_.m_hWnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0); }
    TestApp app_;
};

}  // namespace

TEST_F(AppTest, CreateBuildsTheWindowAndDeviceAndCallsTheHooksInOrder) {
    CreateApp(app_);
    std::vector<std::string> expected = {"InitOnce", "CreateDeviceObjects", "RebuildDeviceObjects"};
    EXPECT_EQ(app_.hooks, expected);
    EXPECT_TRUE(app_.m_bActive);
    EXPECT_TRUE(app_.m_bReady);
    // The window is sized as if it had a menu bar: the client is one bar (20 px) taller.
    EXPECT_EQ(app_.m_clientRect.right, 1024);
    EXPECT_EQ(app_.m_clientRect.bottom, 768 + 20);
    const D3DPRESENT_PARAMETERS& pp = fake::CurrentCalls().createParams.at(0);
    EXPECT_TRUE(pp.Windowed);
    EXPECT_EQ(pp.BackBufferWidth, 1024u);
    EXPECT_EQ(pp.BackBufferHeight, 788u);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(pp.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(pp.BackBufferCount, 1u);
    EXPECT_STREQ(app_.m_deviceStats, "HAL (hw vp): Fake adapter");
    EXPECT_EQ(app_.m_backBufferDesc.Height, 788u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLong(app_.m_hWnd, GWL_STYLE)) & 0xFFFF0000u, 0x90CE0000u);
}

TEST_F(AppTest, FailedHalCreationWarnsAndContinuesOnRef) {
    fake::CurrentSetup().adapters[0].hal.createResult = D3DERR_OUTOFVIDEOMEMORY;
    CreateApp(app_);
    std::vector<D3DDEVTYPE> types = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF};
    EXPECT_EQ(fake::CurrentCalls().createdTypes, types);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text.rfind("Not enough video memory.\n\nSwitching to the reference rasterizer,", 0), 0u);
    EXPECT_STREQ(app_.m_deviceStats, "REF (sw vp)");
}

TEST_F(AppTest, FailingDeviceObjectsEndCreateWithAFatalReportAndACleanShutdown) {
    app_.createObjectsResult = FRAMEERR_MEDIA_NOT_FOUND;
    fake::CurrentSetup().adapters[0].hal.exists = false;  // REF only: no second attempt
    boxes_.clear();
    EXPECT_EQ(app_.Create(GetModuleHandle(NULL)), FRAMEERR_MEDIA_NOT_FOUND);
    ASSERT_FALSE(boxes_.empty());
    EXPECT_EQ(boxes_.back().text, "Could not load required media.\n\nThis sample will now exit.");
    EXPECT_EQ(boxes_.back().type & 0xF0, MB_ICONERROR);
    EXPECT_FALSE(IsWindow(app_.m_hWnd));
    EXPECT_EQ(app_.Count("ReleaseDeviceObjects"), 1);
    EXPECT_EQ(app_.Count("DestroyDeviceObjects"), 1);
    EXPECT_EQ(app_.Count("Shutdown"), 1);
    EXPECT_EQ(fake::CurrentCalls().devicesAlive, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
}

TEST_F(AppTest, ReportErrorTextsAndKinds) {
    struct Case {
        HRESULT code;
        const char* text;
    } cases[] = {
        {FRAMEERR_NO_COMPATIBLE_DEVICES, "Could not find any compatible Direct3D\ndevices."},
        {FRAMEERR_NONZERO_REFCOUNT,
         "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up)."},
        {FRAMEERR_RESIZE_FAILED, "Could not reset the Direct3D device."},
        {E_OUTOFMEMORY, "Not enough memory."},
        {E_FAIL, "Generic application error. Enable\ndebug output for detailed information."},
        {FRAMEERR_NO_DIRECT3D,
         "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX is correctly "
         "installed on your\nsystem.  Also make sure that this program\nwas compiled with header files that "
         "match\nthe installed DirectX DLLs."},
    };
    for (const Case& c : cases) {
        boxes_.clear();
        EXPECT_EQ(app_.ReportError(c.code, REPORT_WARNING), c.code);
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].text, c.text);
        EXPECT_EQ(boxes_[0].type & 0xF0, MB_ICONWARNING);
    }
}

TEST_F(AppTest, FrameWithZeroElapsedTimeIsSkippedEntirely) {
    CreateApp(app_);
    ASSERT_EQ(app_.RenderFrame(), S_OK);
    EXPECT_EQ(app_.updates, 0);
    EXPECT_EQ(app_.renders, 0);
    EXPECT_EQ(fake::CurrentCalls().present, 0);
    Advance(0.02);
    ASSERT_EQ(app_.RenderFrame(), S_OK);
    EXPECT_EQ(app_.updates, 1);
    EXPECT_EQ(app_.renders, 1);
    EXPECT_EQ(fake::CurrentCalls().present, 1);
    EXPECT_NEAR(app_.m_fTime, 0.02f, 1e-6);
    EXPECT_NEAR(app_.m_fElapsedTime, 0.02f, 1e-6);
}

TEST_F(AppTest, AnExceptionGivesUpItsFrameOrMessageNotTheProgramAndIsReportedOnce) {
    CreateApp(app_);
    int thrown = 0;
    app_.onRender = [&] {
        if (thrown < 2) {
            ++thrown;
            throw "Error creating vertex buffer!";
        }
    };
    for (int frame = 0; frame < 3; ++frame) {
        Advance(0.02);
        EXPECT_EQ(app_.RenderFrame(), S_OK);
    }
    EXPECT_EQ(app_.renders, 3);
    EXPECT_EQ(fake::CurrentCalls().present, 1);  // only the frame that was drawn whole
    EXPECT_EQ(app_.m_framesGivenUp, 2u);         // counted, so that a recording refuses them
    app_.onMessage = [](UINT msg, WPARAM) {
        if (msg == WM_USER) throw std::runtime_error("bad message");
    };
    SendMessage(app_.m_hWnd, WM_USER, 0, 0);
    EXPECT_TRUE(IsWindow(app_.m_hWnd));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
    EXPECT_NE(boxes_[0].text.find("Generic application error"), std::string::npos);
}

TEST_F(AppTest, StoppedTimeRendersEveryFrameButUpdatesOnlyAfterASingleStep) {
    CreateApp(app_);
    Advance(0.5);
    ASSERT_EQ(app_.RenderFrame(), S_OK);
    Command(IDM_TOGGLESTART);
    EXPECT_FALSE(app_.m_bTimeRunning);
    for (int i = 0; i < 3; ++i) {
        Advance(0.1);
        ASSERT_EQ(app_.RenderFrame(), S_OK);
    }
    EXPECT_EQ(app_.updates, 1);
    EXPECT_EQ(app_.renders, 4);
    const float stoppedAt = app_.m_fTime;

    Command(IDM_SINGLESTEP);
    Advance(0.1);
    ASSERT_EQ(app_.RenderFrame(), S_OK);
    ASSERT_EQ(app_.RenderFrame(), S_OK);
    EXPECT_EQ(app_.updates, 2);
    EXPECT_NEAR(app_.m_fTime, stoppedAt + 0.1f, 1e-5);
    EXPECT_FALSE(app_.m_bStepPending);

    Command(IDM_TOGGLESTART);  // running again, from where it stood
    Advance(0.25);
    ASSERT_EQ(app_.RenderFrame(), S_OK);
    EXPECT_NEAR(app_.m_fTime, stoppedAt + 0.35f, 1e-5);
}

TEST_F(AppTest, StatisticsAreRecomputedOnlyAfterMoreThanOneSecondAndCountSuccessfulFrames) {
    app_.m_bUseDepthBuffer = TRUE;
    CreateApp(app_);
    Advance(0.1);
    ASSERT_EQ(app_.RenderFrame(), S_OK);  // first statistics: the last time starts at 0
    EXPECT_STREQ(app_.m_frameStats, "0.20 fps (1024x788x32) (D16)");
    Advance(0.5);
    ASSERT_EQ(app_.RenderFrame(), S_OK);
    app_.renderResult = E_FAIL;
    Advance(0.2);
    EXPECT_EQ(app_.RenderFrame(), E_FAIL);  // not counted
    app_.renderResult = S_OK;
    Advance(0.3);
    ASSERT_EQ(app_.RenderFrame(), S_OK);   // exactly 1.0 s: not yet
    EXPECT_STREQ(app_.m_frameStats, "0.20 fps (1024x788x32) (D16)");
    Advance(0.1);
    ASSERT_EQ(app_.RenderFrame(), S_OK);
    EXPECT_NEAR(app_.m_fFPS, 3.0f / 1.1f, 1e-3);
    EXPECT_STREQ(app_.m_frameStats, "2.73 fps (1024x788x32) (D16)");
}

TEST_F(AppTest, NestedPauseHoldsTheFrameAndTheClockUntilBalanced) {
    CreateApp(app_);
    app_.Pause(TRUE);
    app_.Pause(TRUE);
    app_.Pause(FALSE);
    EXPECT_FALSE(app_.m_bReady);
    float before = FrameTimer(TIMER_GETAPPTIME);
    Advance(2.0);
    EXPECT_FLOAT_EQ(FrameTimer(TIMER_GETAPPTIME), before);
    app_.Pause(FALSE);
    EXPECT_TRUE(app_.m_bReady);
    Advance(0.5);
    EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), before + 0.5f, 1e-5);
}

// A window manager sizes or places the main window while the start-up dialog holds the frame
// paused: the clock stays stopped until the pause ends and then runs on from where it stood.
TEST_F(AppTest, SizeMoveDuringAPauseLeavesTheClockToThePause) {
    CreateApp(app_);
    Advance(100.0);  // the clock reads far from zero, as a clock since boot does
    float before = FrameTimer(TIMER_GETAPPTIME);
    app_.Pause(TRUE);
    SendMessage(app_.m_hWnd, WM_ENTERSIZEMOVE, 0, 0);
    Advance(1.0);
    SendMessage(app_.m_hWnd, WM_EXITSIZEMOVE, 0, 0);
    Advance(2.0);
    EXPECT_FLOAT_EQ(FrameTimer(TIMER_GETAPPTIME), before);
    app_.Pause(FALSE);
    Advance(0.5);
    EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), before + 0.5f, 1e-4);
}

TEST_F(AppTest, ResizeResetsTheDeviceOnlyWhenTheClientSizeChanged) {
    CreateApp(app_);
    SendMessage(app_.m_hWnd, WM_ENTERSIZEMOVE, 0, 0);
    SendMessage(app_.m_hWnd, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(fake::CurrentCalls().reset, 0);

    RECT r;
    GetWindowRect(app_.m_hWnd, &r);
    SendMessage(app_.m_hWnd, WM_ENTERSIZEMOVE, 0, 0);
    SetWindowPos(app_.m_hWnd, NULL, r.left, r.top, 808, 631, SWP_NOZORDER);
    SendMessage(app_.m_hWnd, WM_EXITSIZEMOVE, 0, 0);
    ASSERT_EQ(fake::CurrentCalls().reset, 1);
    EXPECT_EQ(fake::CurrentCalls().resetParams[0].BackBufferWidth, 800u);
    EXPECT_EQ(fake::CurrentCalls().resetParams[0].BackBufferHeight, 600u);
    EXPECT_EQ(app_.m_backBufferDesc.Width, 800u);
    EXPECT_TRUE(app_.m_bReady);
    EXPECT_EQ(app_.Count("ReleaseDeviceObjects"), 1);
    EXPECT_EQ(app_.Count("RebuildDeviceObjects"), 2);
}

TEST_F(AppTest, FailedResizeIsFatal) {
    CreateApp(app_);
    fake::CurrentSetup().resetResult = E_FAIL;
    RECT r;
    GetWindowRect(app_.m_hWnd, &r);
    SetWindowPos(app_.m_hWnd, NULL, r.left, r.top, 808, 631, SWP_NOZORDER);
    EXPECT_EQ(SendMessage(app_.m_hWnd, WM_EXITSIZEMOVE, 0, 0), 0);
    ASSERT_FALSE(boxes_.empty());
    EXPECT_EQ(boxes_.back().text, "Could not reset the Direct3D device.\n\nThis sample will now exit.");
    EXPECT_FALSE(IsWindow(app_.m_hWnd));
}

TEST_F(AppTest, DeviceCommandsAreIgnoredWhilePaused) {
    CreateApp(app_);
    int dialogs = 0;
    platform::SetModalDialogDriver([&](HWND d) {
        ++dialogs;
        EndDialog(d, IDCANCEL);
    });
    app_.Pause(TRUE);
    Command(IDM_TOGGLEFULLSCREEN);
    Command(IDM_CHANGEDEVICE);
    EXPECT_EQ(fake::CurrentCalls().reset, 0);
    EXPECT_EQ(dialogs, 0);
    EXPECT_TRUE(app_.m_bWindowed);
    app_.Pause(FALSE);
    Command(IDM_CHANGEDEVICE);
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(app_.m_bReady);
}

TEST_F(AppTest, ToggleGoesFullScreenInTheChosenModeAndBackToTheSavedWindow) {
    app_.m_bShowDeviceCursor = TRUE;
    CreateApp(app_);
    RECT windowed = app_.m_windowBounds;
    Command(IDM_TOGGLEFULLSCREEN);
    ASSERT_EQ(fake::CurrentCalls().reset, 1);
    const D3DPRESENT_PARAMETERS& full = fake::CurrentCalls().resetParams[0];
    EXPECT_FALSE(full.Windowed);
    EXPECT_EQ(full.BackBufferWidth, 800u);
    EXPECT_EQ(full.BackBufferHeight, 600u);
    EXPECT_EQ(full.BackBufferFormat, D3DFMT_R5G6B5);
    EXPECT_FALSE(app_.m_bWindowed);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLong(app_.m_hWnd, GWL_STYLE)) & 0xFFFF0000u, 0x90080000u);
    EXPECT_EQ(fake::CurrentCalls().setCursorProperties, 1);  // the class cursor as device cursor

    Command(IDM_TOGGLEFULLSCREEN);
    ASSERT_EQ(fake::CurrentCalls().reset, 2);
    EXPECT_TRUE(fake::CurrentCalls().resetParams[1].Windowed);
    EXPECT_EQ(fake::CurrentCalls().resetParams[1].BackBufferWidth, 1024u);
    RECT now;
    GetWindowRect(app_.m_hWnd, &now);
    EXPECT_EQ(now.right - now.left, windowed.right - windowed.left);
    EXPECT_EQ(now.bottom - now.top, windowed.bottom - windowed.top);
    EXPECT_TRUE(app_.m_bReady);
}

// A move reported as WM_MOVE alone (as a window manager's is) is where the window returns to
// from full-screen; the moves made by going full-screen are not.
TEST_F(AppTest, WindowReturnsFromFullScreenToWhereItWasMovedLast) {
    CreateApp(app_);
    RECT before;
    GetWindowRect(app_.m_hWnd, &before);
    SetWindowPos(app_.m_hWnd, NULL, before.left + 70, before.top + 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessage(app_.m_hWnd, WM_MOVE, 0, 0);
    Command(IDM_TOGGLEFULLSCREEN);
    SendMessage(app_.m_hWnd, WM_MOVE, 0, 0);  // the full-screen window at the screen's corner
    Command(IDM_TOGGLEFULLSCREEN);
    RECT after;
    GetWindowRect(app_.m_hWnd, &after);
    EXPECT_EQ(after.left, before.left + 70);
    EXPECT_EQ(after.top, before.top + 40);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
}

TEST_F(AppTest, LostDeviceSkipsFramesUntilItCanBeReset) {
    CreateApp(app_);
    Advance(0.1);
    fake::CurrentSetup().cooperativeLevel = D3DERR_DEVICELOST;
    EXPECT_EQ(app_.RenderFrame(), S_OK);
    EXPECT_EQ(app_.renders, 0);
    fake::CurrentSetup().cooperativeLevel = D3DERR_DEVICENOTRESET;
    EXPECT_EQ(app_.RenderFrame(), S_OK);
    EXPECT_EQ(fake::CurrentCalls().reset, 1);
    EXPECT_EQ(app_.renders, 0);
    fake::CurrentSetup().cooperativeLevel = E_FAIL;
    EXPECT_EQ(app_.RenderFrame(), E_FAIL);
}

TEST_F(AppTest, ChoosingFullScreenInTheDialogRecreatesTheDevice) {
    CreateApp(app_);
    platform::SetModalDialogDriver([](HWND d) {
        HWND full = GetDlgItem(d, IDC_FULLSCREEN);
        SendMessage(GetDlgItem(d, IDC_WINDOW), BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessage(full, BM_SETCHECK, BST_CHECKED, 0);
        SendMessage(d, WM_COMMAND, MAKEWPARAM(IDC_FULLSCREEN, BN_CLICKED), reinterpret_cast<LPARAM>(full));
        HWND modes = GetDlgItem(d, IDC_FULLSCREENMODES_COMBO);
        SendMessage(modes, CB_SETCURSEL, 2, 0);  // 1024 x 768 x 16
        SendMessage(d, WM_COMMAND, MAKEWPARAM(IDC_FULLSCREENMODES_COMBO, CBN_SELENDOK), reinterpret_cast<LPARAM>(modes));
        SendMessage(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Command(IDM_CHANGEDEVICE);
    ASSERT_EQ(fake::CurrentCalls().createDevice, 2);
    const D3DPRESENT_PARAMETERS& pp = fake::CurrentCalls().createParams[1];
    EXPECT_FALSE(pp.Windowed);
    EXPECT_EQ(pp.BackBufferWidth, 1024u);
    EXPECT_EQ(pp.BackBufferHeight, 768u);
    EXPECT_FALSE(app_.m_bWindowed);
    EXPECT_EQ(fake::CurrentCalls().devicesAlive, 1);
    EXPECT_TRUE(app_.m_bReady);
}

TEST_F(AppTest, DeviceThatKeepsReferencesIsFatal) {
    fake::CurrentSetup().extraDeviceReferences = 1;
    CreateApp(app_);
    platform::SetModalDialogDriver([](HWND d) {
        SendMessage(GetDlgItem(d, IDC_WINDOW), BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessage(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Command(IDM_CHANGEDEVICE);
    ASSERT_FALSE(boxes_.empty());
    EXPECT_EQ(boxes_.back().text.rfind("A D3D object has a non-zero reference", 0), 0u);
    EXPECT_FALSE(IsWindow(app_.m_hWnd));
    // The device is gone from the frame; closing still lets go of the Direct3D object.
    EXPECT_EQ(app_.m_pDirect3D, nullptr);
    EXPECT_EQ(fake::CurrentCalls().direct3dAlive, 0);
}

TEST_F(AppTest, RunShowsTheDialogPausedRendersOnlyOnAnEmptyQueueAndEndsOnEscape) {
    CreateApp(app_);
    bool pausedDuringDialog = false;
    platform::SetModalDialogDriver([&](HWND d) {
        pausedDuringDialog = !app_.m_bReady;
        EndDialog(d, IDCANCEL);
    });
    std::vector<int> rendersSeenByMessages;
    app_.onMessage = [&](UINT msg, WPARAM) {
        if (msg == WM_USER) rendersSeenByMessages.push_back(app_.renders);
    };
    app_.onRender = [&] {
        if (app_.renders == 1)
            for (int i = 0; i < 5; ++i) PostMessage(app_.m_hWnd, WM_USER, 0, 0);
        if (app_.renders == 3) PostMessage(app_.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 1);
    };
    clock_.counterStep = 1000;  // a millisecond passes at every reading
    EXPECT_EQ(app_.Run(), 0);
    EXPECT_TRUE(pausedDuringDialog);
    EXPECT_EQ(rendersSeenByMessages, std::vector<int>(5, 1));
    EXPECT_EQ(app_.renders, 3);
    EXPECT_EQ(app_.Count("Shutdown"), 1);
    EXPECT_FALSE(IsWindow(app_.m_hWnd));
}

// "Exit" (also Escape and the close box, which send it) ends the program at start-up before
// anything is drawn; opened later while playing it only closes the dialog.
TEST_F(AppTest, DialogExitEndsTheProgramAtStartUpButNotWhilePlaying) {
    CreateApp(app_);
    platform::SetModalDialogDriver([](HWND d) { SendMessage(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); });
    Command(IDM_CHANGEDEVICE);  // as while playing
    EXPECT_TRUE(IsWindow(app_.m_hWnd));
    EXPECT_TRUE(app_.m_bReady);
    EXPECT_EQ(fake::CurrentCalls().reset, 0);

    EXPECT_EQ(app_.Run(), 0);  // the start-up dialog
    EXPECT_EQ(app_.renders, 0);
    EXPECT_EQ(app_.Count("Shutdown"), 1);
    EXPECT_FALSE(IsWindow(app_.m_hWnd));
}

TEST_F(AppTest, ContextMenuExitClosesTheWindowWithTheFramePausedMeanwhile) {
    CreateApp(app_);
    bool pausedInMenu = false;
    platform::SetPopupMenuDriver([&](HMENU menu, int x, int y) -> UINT {
        pausedInMenu = !app_.m_bReady;
        EXPECT_EQ(x, 300);
        EXPECT_EQ(y, 200);
        EXPECT_EQ(GetMenuItemID(menu, 0), static_cast<UINT>(IDM_EXIT));
        return IDM_EXIT;
    });
    SendMessage(app_.m_hWnd, WM_CONTEXTMENU, 0, MAKELPARAM(300, 200));
    platform::SetPopupMenuDriver(nullptr);
    EXPECT_TRUE(pausedInMenu);
    EXPECT_TRUE(app_.m_bReady);
    MSG msg;
    while (PeekMessage(&msg, NULL, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) DispatchMessage(&msg);
    EXPECT_FALSE(IsWindow(app_.m_hWnd));
}

TEST_F(AppTest, FullScreenMessagesAreHandledAsInTheTable) {
    CreateApp(app_);
    MINMAXINFO info{};
    SendMessage(app_.m_hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 100);
    EXPECT_EQ(info.ptMinTrackSize.y, 100);
    EXPECT_EQ(SendMessage(app_.m_hWnd, WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0), TRUE);
    EXPECT_EQ(SendMessage(app_.m_hWnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0), 0);  // windowed: default handling
    // The stand-in's DefWindowProc answers HTCLIENT for a live window and 0 for none, so a
    // handle of no window tells the frame's own answer from the default one.
    EXPECT_EQ(app_.HandleMessage(nullptr, WM_NCHITTEST, 0, 0), 0);
    Command(IDM_TOGGLEFULLSCREEN);
    EXPECT_EQ(SendMessage(app_.m_hWnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0), 1);
    EXPECT_EQ(app_.HandleMessage(nullptr, WM_NCHITTEST, 0, 0), HTCLIENT);
    EXPECT_EQ(SendMessage(app_.m_hWnd, WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    EXPECT_EQ(platform::CurrentCursor(), nullptr);
    SendMessage(app_.m_hWnd, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(fake::CurrentCalls().setCursorPosition, 1);
    SendMessage(app_.m_hWnd, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_FALSE(app_.m_bActive);
}

TEST_F(AppTest, PaintPresentsOnlyWhileTheFrameIsHeldInAWindow) {
    CreateApp(app_);
    SendMessage(app_.m_hWnd, WM_PAINT, 0, 0);
    EXPECT_EQ(fake::CurrentCalls().present, 0);  // frames present themselves
    app_.Pause(TRUE);
    SendMessage(app_.m_hWnd, WM_PAINT, 0, 0);
    EXPECT_EQ(fake::CurrentCalls().present, 1);
    app_.Pause(FALSE);
}

TEST_F(AppTest, MoveOrResizeStopsTheClockUntilItEnds) {
    CreateApp(app_);
    Advance(1.0);
    SendMessage(app_.m_hWnd, WM_ENTERSIZEMOVE, 0, 0);
    Advance(5.0);
    SendMessage(app_.m_hWnd, WM_EXITSIZEMOVE, 0, 0);
    Advance(0.5);
    EXPECT_NEAR(FrameTimer(TIMER_GETAPPTIME), 1.5f, 1e-5);
}

TEST_F(AppTest, LeavingFullScreenOnADeviceThatCannotWindowFallsBackToOneThatCan) {
    fake::CurrentSetup().adapters[0].hal.caps.Caps2 = 0;  // HAL: full-screen only
    CreateApp(app_);
    boxes_.clear();
    ASSERT_EQ(fake::CurrentCalls().createdTypes.back(), D3DDEVTYPE_REF);
    platform::SetModalDialogDriver([](HWND d) {
        HWND devices = GetDlgItem(d, IDC_DEVICE_COMBO);
        SendMessage(devices, CB_SETCURSEL, 0, 0);  // HAL
        SendMessage(d, WM_COMMAND, MAKEWPARAM(IDC_DEVICE_COMBO, CBN_SELENDOK), reinterpret_cast<LPARAM>(devices));
        SendMessage(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Command(IDM_CHANGEDEVICE);
    ASSERT_EQ(fake::CurrentCalls().createdTypes.back(), D3DDEVTYPE_HAL);
    EXPECT_FALSE(app_.m_bWindowed);
    Command(IDM_TOGGLEFULLSCREEN);
    EXPECT_EQ(fake::CurrentCalls().createdTypes.back(), D3DDEVTYPE_REF);
    EXPECT_TRUE(app_.m_bWindowed);
    EXPECT_TRUE(app_.m_bReady);
    EXPECT_EQ(fake::CurrentCalls().devicesAlive, 1);
    EXPECT_TRUE(boxes_.empty());
}
