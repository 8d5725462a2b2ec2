// The window, message, menu and accelerator services of the Windows stand-in, on SDL's dummy
// video driver.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "platform/d3d8.h"
#include "platform/win32/display.h"
#include "tests/support/present_params.h"

namespace {

struct Record {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Record> g_log;

LRESULT CALLBACK LoggingProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    g_log.push_back({msg, wParam, lParam});
    if (msg == WM_GETMINMAXINFO) reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {200, 150};
    return DefWindowProc(hWnd, msg, wParam, lParam);
}

std::vector<UINT> Messages() {
    std::vector<UINT> v;
    for (auto& r : g_log) v.push_back(r.msg);
    return v;
}

constexpr DWORD kStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;

class Win32Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        WNDCLASS wc{};
        wc.lpfnWndProc = LoggingProc;
        wc.lpszClassName = "Test Window";
        wc.hCursor = LoadCursor(NULL, IDC_ARROW);
        RegisterClass(&wc);
    }
    void SetUp() override {
        platform::ResetMessageQueue();
        g_log.clear();
        previous_ = platform::SetModuleResources(NULL, &resources_);
        resources_.accelerators = {{113, {{FVIRTKEY | FNOINVERT, VK_ESCAPE, 40006}, {FVIRTKEY | FCONTROL, 'Q', 40007}}}};
        resources_.menus = {{142, {{"Popup", 0, {{"E&xit", 40006, {}}, {"&Save && quit\tCtrl+Q", 40007, {}}}}}}};
    }
    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
        platform::SetPopupMenuDriver(nullptr);
        platform::SetModuleResources(NULL, previous_);
        platform::ResetMessageQueue();
    }
    HWND Create(int w = 1032, int h = 819) {
        window_ = CreateWindowEx(0, "Test Window", "Test", kStyle, 100, 50, w, h, NULL, NULL, NULL, NULL);
        return window_;
    }
    std::vector<MSG> Drain() {
        std::vector<MSG> v;
        MSG m;
        while (PeekMessage(&m, NULL, 0, 0, PM_REMOVE)) {
            v.push_back(m);
            if (m.message == WM_QUIT) break;
        }
        return v;
    }

    platform::ModuleResources resources_;
    const platform::ModuleResources* previous_ = nullptr;
    HWND window_ = nullptr;
};

}  // namespace

TEST_F(Win32Test, AdjustWindowRectAddsTheFixedFrame) {
    RECT r = {0, 0, 1024, 768};
    ASSERT_TRUE(AdjustWindowRect(&r, kStyle, TRUE));
    EXPECT_EQ(r.left, -4);
    EXPECT_EQ(r.top, -4 - 23 - 20);
    EXPECT_EQ(r.right, 1028);
    EXPECT_EQ(r.bottom, 772);
    RECT p = {0, 0, 640, 480};
    AdjustWindowRect(&p, WS_POPUP | WS_VISIBLE | WS_SYSMENU, FALSE);
    EXPECT_EQ(p.left, 0);
    EXPECT_EQ(p.bottom, 480);
    EXPECT_FALSE(AdjustWindowRect(nullptr, kStyle, FALSE));
}

TEST_F(Win32Test, CreateWindowSendsTheCreationMessagesAndSizesTheClient) {
    ASSERT_NE(Create(), nullptr);
    std::vector<UINT> expected = {WM_GETMINMAXINFO, WM_CREATE, WM_SIZE};
    EXPECT_EQ(Messages(), expected);
    RECT client, outer;
    GetClientRect(window_, &client);
    GetWindowRect(window_, &outer);
    EXPECT_EQ(client.right, 1024);
    EXPECT_EQ(client.bottom, 788);  // no menu: the bar's height goes to the client
    EXPECT_EQ(outer.right - outer.left, 1032);
    EXPECT_EQ(outer.bottom - outer.top, 819);
    EXPECT_EQ(outer.left, 100);
    EXPECT_EQ(outer.top, 50);
    EXPECT_EQ(g_log[2].lParam, MAKELPARAM(1024, 788));
    int minW = 0, minH = 0;
    SDL_GetWindowMinimumSize(platform::GetSdlWindow(window_), &minW, &minH);
    EXPECT_EQ(minW, 200 - 8);
    EXPECT_EQ(minH, 150 - 31);
    EXPECT_EQ(CreateWindowEx(0, "No Such Class", "", kStyle, 0, 0, 10, 10, NULL, NULL, NULL, NULL), nullptr);
}

TEST_F(Win32Test, StyleAndClassValuesRoundTrip) {
    Create();
    EXPECT_EQ(static_cast<DWORD>(SetWindowLong(window_, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE | WS_SYSMENU))), kStyle);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLong(window_, GWL_STYLE)), WS_POPUP | WS_VISIBLE | WS_SYSMENU);
    RECT client, outer;
    GetClientRect(window_, &client);
    GetWindowRect(window_, &outer);
    EXPECT_EQ(outer.right - outer.left, client.right);  // a popup has no frame
    HCURSOR sizeAll = LoadCursor(NULL, IDC_SIZEALL);
    HCURSOR arrow = reinterpret_cast<HCURSOR>(SetClassLong(window_, GCL_HCURSOR, reinterpret_cast<LONG_PTR>(sizeAll)));
    EXPECT_EQ(arrow, LoadCursor(NULL, IDC_ARROW));
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLong(window_, GCL_HCURSOR)), sizeAll);
    SetClassLong(window_, GCL_HCURSOR, reinterpret_cast<LONG_PTR>(arrow));
    SendMessage(window_, WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(platform::CurrentCursor(), arrow);  // DefWindowProc applies the class cursor
}

TEST_F(Win32Test, WindowManagerHandlesSurviveA32BitCast) {
    Create();
    HCURSOR arrow = LoadCursor(NULL, IDC_ARROW);
    HCURSOR sizeAll = LoadCursor(NULL, IDC_SIZEALL);
    // Programs keep the class cursor through a LONG: only the low 32 bits may count.
    SetClassLong(window_, GCL_HCURSOR, static_cast<LONG>(reinterpret_cast<LONG_PTR>(sizeAll)));
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLong(window_, GCL_HCURSOR)), sizeAll);
    SendMessage(window_, WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(platform::CurrentCursor(), sizeAll);
    SetClassLong(window_, GCL_HCURSOR, reinterpret_cast<LONG_PTR>(arrow));

    HMENU menu = LoadMenu(NULL, MAKEINTRESOURCE(142));
    const void* handles[] = {arrow, sizeAll, LoadIcon(NULL, IDI_APPLICATION), menu, GetSubMenu(menu, 0),
                             LoadAccelerators(NULL, MAKEINTRESOURCE(113))};
    for (const void* handle : handles) {
        auto value = reinterpret_cast<std::uintptr_t>(handle);
        EXPECT_NE(value, 0u);
        EXPECT_LE(value, 0x7FFFFFFFu);
    }
    DestroyMenu(menu);
    SetCursor(reinterpret_cast<HCURSOR>(reinterpret_cast<std::uintptr_t>(sizeAll) + 1));
    EXPECT_EQ(platform::CurrentCursor(), nullptr);  // a value no table gave out is no cursor
    EXPECT_EQ(GetMenuItemCount(reinterpret_cast<HMENU>(sizeAll)), -1);
}

TEST_F(Win32Test, QueueKeepsPostedOrderFiltersAndLeavesMessagesWithNoRemove) {
    Create();
    g_log.clear();
    PostMessage(window_, WM_USER + 1, 1, 0);
    PostMessage(window_, WM_USER + 2, 2, 0);
    PostQuitMessage(7);
    PostMessage(window_, WM_USER + 3, 3, 0);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, NULL, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_USER + 1u);
    ASSERT_TRUE(PeekMessage(&m, NULL, WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_EQ(m.wParam, 2u);
    auto rest = Drain();
    ASSERT_EQ(rest.size(), 3u);
    EXPECT_EQ(rest[0].message, WM_USER + 1u);
    EXPECT_EQ(rest[1].message, WM_USER + 3u);
    EXPECT_EQ(rest[2].message, WM_QUIT);  // after the posted messages
    EXPECT_EQ(rest[2].wParam, 7u);
    EXPECT_FALSE(PeekMessage(&m, NULL, 0, 0, PM_REMOVE));
}

TEST_F(Win32Test, GetMessageReturnsZeroForQuitAndMessagesToDestroyedWindowsAreDropped) {
    Create();
    PostMessage(window_, WM_USER, 0, 0);
    HWND dead = window_;
    DestroyWindow(window_);
    g_log.clear();
    MSG m;
    ASSERT_EQ(GetMessage(&m, NULL, 0, 0), TRUE);
    EXPECT_EQ(DispatchMessage(&m), 0);
    EXPECT_TRUE(g_log.empty());
    EXPECT_EQ(SendMessage(dead, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostMessage(dead, WM_USER, 0, 0));
    PostQuitMessage(3);
    EXPECT_EQ(GetMessage(&m, NULL, 0, 0), FALSE);
    EXPECT_EQ(m.wParam, 3u);
}

TEST_F(Win32Test, SdlEventsBecomeWindowMessages) {
    Create();
    g_log.clear();
    SDL_Window* sdl = platform::GetSdlWindow(window_);
    ASSERT_NE(sdl, nullptr);
    SDL_SetWindowSize(sdl, 800, 600);  // a size the program did not ask for: a user's resize
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.windowID = SDL_GetWindowID(sdl);
    key.key.keysym.sym = SDLK_ESCAPE;
    key.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    SDL_PushEvent(&key);
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.windowID = SDL_GetWindowID(sdl);
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&close);
    auto msgs = Drain();
    std::vector<UINT> kinds;
    for (auto& m : msgs) kinds.push_back(m.message);
    std::vector<UINT> expected = {WM_ENTERSIZEMOVE, WM_SIZE, WM_EXITSIZEMOVE, WM_KEYDOWN, WM_CLOSE};
    EXPECT_EQ(kinds, expected);
    EXPECT_EQ(msgs[1].lParam, MAKELPARAM(800, 600));
    EXPECT_EQ(msgs[3].wParam, static_cast<WPARAM>(VK_ESCAPE));
    EXPECT_EQ(msgs[3].hwnd, window_);

    // A size the program set itself is no user's resize: WM_SIZE comes at once, nothing queued.
    RECT r;
    GetWindowRect(window_, &r);
    g_log.clear();
    SetWindowPos(window_, NULL, r.left, r.top, 648, 511, SWP_NOZORDER);
    EXPECT_EQ(Messages(), std::vector<UINT>{WM_SIZE});
    EXPECT_TRUE(Drain().empty());
}

// A window manager places a window as it maps it: that move is WM_MOVE alone, with no
// size-move bracket that would stop and restart the program's clock.
TEST_F(Win32Test, AMoveIsWmMoveAlone) {
    Create();
    SDL_Window* sdl = platform::GetSdlWindow(window_);
    ASSERT_NE(sdl, nullptr);
    POINT origin{0, 0};
    ClientToScreen(window_, &origin);
    SDL_Event moved{};
    moved.type = SDL_WINDOWEVENT;
    moved.window.windowID = SDL_GetWindowID(sdl);
    moved.window.event = SDL_WINDOWEVENT_MOVED;
    moved.window.data1 = origin.x + 37;
    moved.window.data2 = origin.y + 21;
    SDL_PushEvent(&moved);
    auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].message, WM_MOVE);
    EXPECT_EQ(msgs[0].lParam, MAKELPARAM(origin.x + 37, origin.y + 21));
}

TEST_F(Win32Test, DisabledWindowsGetNoInput) {
    Create();
    EnableWindow(window_, FALSE);
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.windowID = SDL_GetWindowID(platform::GetSdlWindow(window_));
    key.key.keysym.sym = SDLK_ESCAPE;
    SDL_PushEvent(&key);
    EXPECT_TRUE(Drain().empty());
    EnableWindow(window_, TRUE);
}

TEST_F(Win32Test, AcceleratorsTranslateMatchingKeysIntoCommands) {
    Create();
    HACCEL table = LoadAccelerators(GetModuleHandle(NULL), MAKEINTRESOURCE(113));
    ASSERT_NE(table, nullptr);
    g_log.clear();
    MSG esc{window_, WM_KEYDOWN, VK_ESCAPE, 1, 0, {0, 0}};
    EXPECT_TRUE(TranslateAccelerator(window_, table, &esc));
    ASSERT_EQ(g_log.size(), 1u);
    EXPECT_EQ(g_log[0].msg, WM_COMMAND);
    EXPECT_EQ(g_log[0].wParam, MAKEWPARAM(40006, 1));
    MSG up{window_, WM_KEYUP, VK_ESCAPE, 1, 0, {0, 0}};
    EXPECT_FALSE(TranslateAccelerator(window_, table, &up));
    MSG q{window_, WM_KEYDOWN, 'Q', 1, 0, {0, 0}};
    EXPECT_FALSE(TranslateAccelerator(window_, table, &q));  // Ctrl not held
    EXPECT_EQ(LoadAccelerators(GetModuleHandle(NULL), MAKEINTRESOURCE(999)), nullptr);
    EXPECT_TRUE(DestroyAcceleratorTable(table));
    EXPECT_FALSE(TranslateAccelerator(window_, table, &esc));
}

TEST_F(Win32Test, PopupMenuRunsItsLoopBracketedAndPostsTheChoice) {
    Create();
    HMENU menu = LoadMenu(GetModuleHandle(NULL), MAKEINTRESOURCE(142));
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetMenuItemCount(popup), 2);
    EXPECT_EQ(GetMenuItemID(popup, 0), 40006u);
    EXPECT_EQ(GetMenuItemID(menu, 0), 0xFFFFFFFFu);
    std::vector<UINT> during;
    POINT at{0, 0};
    platform::SetPopupMenuDriver([&](HMENU, int x, int y) -> UINT {
        during = Messages();
        at = {x, y};
        return 40006;
    });
    g_log.clear();
    EXPECT_TRUE(TrackPopupMenuEx(popup, TPM_VERTICAL, -20, 30, window_, NULL));
    EXPECT_EQ(during, std::vector<UINT>{WM_ENTERMENULOOP});
    EXPECT_EQ(at.x, -20);
    EXPECT_EQ(at.y, 30);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_ENTERMENULOOP, WM_EXITMENULOOP}));
    auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].message, WM_COMMAND);
    EXPECT_EQ(LOWORD(msgs[0].wParam), 40006);
    EXPECT_EQ(TrackPopupMenuEx(popup, TPM_RETURNCMD, 0, 0, window_, NULL), 40006);
    EXPECT_TRUE(Drain().empty());
    EXPECT_TRUE(DestroyMenu(menu));
    EXPECT_EQ(GetSubMenu(menu, 0), nullptr);
    EXPECT_FALSE(DestroyMenu(menu));
}

TEST_F(Win32Test, MenuTextsLoseTheirAccessMarks) {
    std::string shortcut;
    char key = 0;
    EXPECT_EQ(platform::MenuDisplayText("E&xit", &shortcut, &key), "Exit");
    EXPECT_EQ(key, 'x');
    EXPECT_EQ(platform::MenuDisplayText("E&xit\tESC", &shortcut, nullptr), "Exit");
    EXPECT_EQ(shortcut, "ESC");
    EXPECT_EQ(platform::MenuDisplayText("Save && quit", nullptr, &key), "Save & quit");
    EXPECT_EQ(key, 0);
    EXPECT_EQ(platform::MenuDisplayText("trailing&", nullptr, nullptr), "trailing");
}

TEST_F(Win32Test, RightButtonUpOpensTheContextMenuAtTheScreenPosition) {
    Create();
    g_log.clear();
    SendMessage(window_, WM_RBUTTONUP, 0, MAKELPARAM(10, 20));
    ASSERT_EQ(g_log.size(), 2u);
    EXPECT_EQ(g_log[1].msg, WM_CONTEXTMENU);
    POINT origin{0, 0};
    ClientToScreen(window_, &origin);
    EXPECT_EQ(GET_X_LPARAM(g_log[1].lParam), origin.x + 10);
    EXPECT_EQ(GET_Y_LPARAM(g_log[1].lParam), origin.y + 20);
}

TEST_F(Win32Test, CloseDestroysTheWindow) {
    Create();
    g_log.clear();
    SendMessage(window_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(Win32Test, PresentPixelsShowsAPictureInTheClientArea) {
    Create(8 + 256, 31 + 160);  // a 256 x 160 client (above the minimum size)
    SDL_Window* sdl = platform::GetSdlWindow(window_);
    auto shown = [&](int x, int y) {  // what the window's renderer holds after presenting
        const SDL_Rect at{x, y, 1, 1};
        Uint32 pixel = 0;
        SDL_RenderReadPixels(SDL_GetRenderer(sdl), &at, SDL_PIXELFORMAT_RGB888, &pixel, 4);
        return static_cast<DWORD>(pixel & 0xFFFFFFu);
    };
    // 32 bits, same size, rows padded.
    std::vector<DWORD> picture(260 * 160, 0x00123456);
    for (int x = 0; x < 256; ++x) picture[static_cast<size_t>(159) * 260 + x] = 0x00FF8000;
    ASSERT_TRUE(platform::PresentPixels(window_, picture.data(), 256, 160, 260 * 4, platform::PixelLayout::XRGB8888, false));
    EXPECT_EQ(shown(10, 10), 0x123456u);
    EXPECT_EQ(shown(255, 159), 0xFF8000u);
    // 16 bits, half the size: scaled up.
    std::vector<WORD> small(128 * 80, 0xF800);  // pure red in R5G6B5
    ASSERT_TRUE(platform::PresentPixels(window_, small.data(), 128, 80, 256, platform::PixelLayout::RGB565, false));
    EXPECT_EQ(shown(255, 159) & 0xFF0000u, 0xFF0000u);
    EXPECT_EQ(shown(0, 0) & 0x00FFFFu, 0u);
    // Nothing to show.
    EXPECT_FALSE(platform::PresentPixels(window_, nullptr, 256, 160, 1040, platform::PixelLayout::XRGB8888, false));
    EXPECT_FALSE(platform::PresentPixels(window_, picture.data(), 256, 160, 100, platform::PixelLayout::XRGB8888, false));
    EXPECT_FALSE(platform::PresentPixels(nullptr, picture.data(), 256, 160, 1040, platform::PixelLayout::XRGB8888, false));
}

// Letterboxing: a picture fills the area as far as its aspect allows, centred.
TEST(FitKeepingAspect, FillsOneSideAndCentresTheOther) {
    struct Case {
        int w, h, areaW, areaH;
        SDL_Rect expected;
    } cases[] = {
        {800, 600, 800, 600, {0, 0, 800, 600}},        // same size
        {800, 600, 1920, 1080, {240, 0, 1440, 1080}},  // 4:3 on 16:9: borders left and right
        {1920, 1080, 1280, 1024, {0, 152, 1280, 720}}, // 16:9 on 5:4: borders above and below
        {640, 480, 320, 240, {0, 0, 320, 240}},        // scaled down
        {0, 480, 320, 240, {0, 0, 0, 0}},              // empty picture
        {640, 480, 0, 240, {0, 0, 0, 0}},              // empty area
    };
    for (const Case& c : cases) {
        SDL_Rect r = platform::FitKeepingAspect(c.w, c.h, c.areaW, c.areaH);
        EXPECT_TRUE(r.x == c.expected.x && r.y == c.expected.y && r.w == c.expected.w && r.h == c.expected.h)
            << c.w << "x" << c.h << " in " << c.areaW << "x" << c.areaH << " gave " << r.w << "x" << r.h << "+"
            << r.x << "+" << r.y;
    }
}

// A full-screen device takes the whole display for its window and gives it back; while the
// user is away from it (focus elsewhere) the device is lost, then waits for a Reset.
TEST_F(Win32Test, FullScreenDeviceCoversTheDisplayAndIsLostWhileTheUserIsAway) {
    Create();
    SDL_Window* sdl = platform::GetSdlWindow(window_);
    ASSERT_NE(sdl, nullptr);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp = TestPresentParams(800, 600);
    pp.Windowed = FALSE;
    pp.hDeviceWindow = window_;
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, window_, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device), D3D_OK);
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);

    auto focus = [&](Uint8 event) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = SDL_GetWindowID(sdl);
        e.window.event = event;
        SDL_PushEvent(&e);
        Drain();
    };
    focus(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(NULL, NULL, NULL, NULL), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Reset(&pp), D3DERR_DEVICELOST);
    focus(SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN);

    // A windowed Reset, and the release of a full-screen device, give the desktop back.
    D3DPRESENT_PARAMETERS windowed = pp;
    windowed.Windowed = TRUE;
    ASSERT_EQ(device->Reset(&windowed), D3D_OK);
    EXPECT_FALSE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN);
    focus(SDL_WINDOWEVENT_FOCUS_LOST);  // a window may lose the focus without losing the device
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    focus(SDL_WINDOWEVENT_FOCUS_GAINED);
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN);
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_FALSE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN);
    d3d->Release();
}
