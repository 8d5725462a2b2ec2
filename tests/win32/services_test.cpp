// Dialog controls, message boxes, bitmaps and cursors, the registry value, files and the clock
// of the Windows stand-in.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace {

constexpr WORD kDialog = 7;

struct DialogLog {
    std::vector<UINT> messages;
    LPARAM initParam = 0;
};
DialogLog g_dialog;

INT_PTR CALLBACK DialogProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    g_dialog.messages.push_back(msg);
    if (msg == WM_INITDIALOG) {
        g_dialog.initParam = lParam;
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
        EndDialog(hDlg, 42);
        return TRUE;
    }
    return FALSE;
}

class ServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        g_dialog = DialogLog{};
        platform::DialogResource d{kDialog, WS_POPUP | WS_CAPTION, 0, 0, 100, 50, "Test", "MS Shell Dlg", 8, {}};
        d.items = {
            {IDOK, "BUTTON", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, "OK", 0, 5, 5, 40, 14},
            {10, "COMBOBOX", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, "", 0, 5, 25, 60, 80},
            {11, "BUTTON", WS_CHILD | BS_AUTORADIOBUTTON | WS_GROUP, "A", 0, 5, 40, 40, 10},
        };
        resources_.dialogs = {d};
        previous_ = platform::SetModuleResources(NULL, &resources_);
    }
    void TearDown() override {
        platform::SetModalDialogDriver(nullptr);
        platform::SetModuleResources(NULL, previous_);
        unsetenv("MORVELT_MEDIA_PATH");
    }
    platform::ModuleResources resources_;
    const platform::ModuleResources* previous_ = nullptr;
};

}  // namespace

TEST_F(ServicesTest, ComboBoxesKeepItemsDataAndSelection) {
    HWND d = CreateDialogParam(GetModuleHandle(NULL), MAKEINTRESOURCE(kDialog), NULL, DialogProc, 99);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(g_dialog.initParam, 99);
    HWND combo = GetDlgItem(d, 10);
    EXPECT_EQ(GetDlgCtrlID(combo), 10);
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one")), 0);
    EXPECT_EQ(SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("two")), 1);
    EXPECT_EQ(SendMessage(combo, CB_SETITEMDATA, 1, 77), 0);
    EXPECT_EQ(SendMessage(combo, CB_GETITEMDATA, 1, 0), 77);
    EXPECT_EQ(SendMessage(combo, CB_GETITEMDATA, 5, 0), CB_ERR);
    EXPECT_EQ(SendMessage(combo, CB_SETCURSEL, 1, 0), 1);
    EXPECT_EQ(SendMessage(combo, CB_SETCURSEL, 9, 0), CB_ERR);  // out of range clears it
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    char text[16];
    EXPECT_EQ(SendMessage(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text)), 3);
    EXPECT_STREQ(text, "one");
    SendMessage(combo, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessage(combo, CB_GETCOUNT, 0, 0), 0);
    HWND radio = GetDlgItem(d, 11);
    EXPECT_FALSE(IsWindowVisible(radio));
    SendMessage(radio, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendDlgItemMessage(d, 11, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
    EXPECT_EQ(GetDlgItem(d, 12345), nullptr);
    DestroyWindow(d);
    EXPECT_FALSE(IsWindow(combo));
}

TEST_F(ServicesTest, ModalDialogEndsWithTheEndDialogValue) {
    platform::SetModalDialogDriver([](HWND d) { SendMessage(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
    EXPECT_EQ(DialogBoxParam(GetModuleHandle(NULL), MAKEINTRESOURCE(kDialog), NULL, DialogProc, 0), 42);
    platform::SetModalDialogDriver([](HWND) {});
    EXPECT_EQ(DialogBoxParam(GetModuleHandle(NULL), MAKEINTRESOURCE(kDialog), NULL, DialogProc, 0), IDCANCEL);
    EXPECT_EQ(DialogBoxParam(GetModuleHandle(NULL), MAKEINTRESOURCE(999), NULL, DialogProc, 0), -1);
}

TEST_F(ServicesTest, ModalDialogWithoutADisplayCannotBeShown) {
    if (platform::HasDisplay()) GTEST_SKIP() << "a display is available";
    g_dialog = DialogLog{};
    EXPECT_EQ(DialogBoxParam(GetModuleHandle(NULL), MAKEINTRESOURCE(kDialog), NULL, DialogProc, 5), -1);
    ASSERT_FALSE(g_dialog.messages.empty());
    EXPECT_EQ(g_dialog.messages.front(), WM_INITDIALOG);
}

TEST_F(ServicesTest, MessageBoxesGoToTheSink) {
    std::vector<std::string> seen;
    platform::SetMessageBoxSink([&](const char* caption, const char* text, UINT type) {
        seen.push_back(std::string(caption) + "|" + text + "|" + std::to_string(type));
    });
    EXPECT_EQ(MessageBox(NULL, "Line one\nline two", "Caption", MB_ICONERROR), IDOK);
    platform::SetMessageBoxSink(nullptr);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "Caption|Line one\nline two|16");
}

TEST_F(ServicesTest, CursorBitmapsReadBackBottomUpAndTopDown) {
    HCURSOR arrow = LoadCursor(NULL, IDC_ARROW);
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(LoadCursor(NULL, MAKEINTRESOURCE(1)), nullptr);
    const int before = platform::LiveBitmapCount();
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(arrow, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.hbmColor, nullptr);
    BITMAP bm;
    ASSERT_EQ(GetObject(info.hbmMask, sizeof(bm), &bm), static_cast<int>(sizeof(bm)));
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 64);  // AND mask over XOR mask
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(GetObject(info.hbmMask, 4, &bm), 0);

    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 32;
    bi.bmiHeader.biHeight = 64;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> up(32 * 64), down(32 * 64);
    EXPECT_EQ(GetDIBits(dc, info.hbmMask, 0, 64, up.data(), &bi, DIB_RGB_COLORS), 64);
    bi.bmiHeader.biHeight = -64;
    EXPECT_EQ(GetDIBits(dc, info.hbmMask, 0, 64, down.data(), &bi, DIB_RGB_COLORS), 64);
    for (int y = 0; y < 64; ++y) EXPECT_EQ(up[static_cast<size_t>(63 - y) * 32], down[static_cast<size_t>(y) * 32]);
    EXPECT_EQ(down[0], 0u);            // AND mask, top-left: drawn
    EXPECT_EQ(down[31], 0x00FFFFFFu);  // AND mask, top-right: transparent
    bi.bmiHeader.biBitCount = 24;
    EXPECT_EQ(GetDIBits(dc, info.hbmMask, 0, 64, down.data(), &bi, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(NULL, info.hbmMask, 0, 64, down.data(), &bi, DIB_RGB_COLORS), 0);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    ReleaseDC(NULL, screen);
    EXPECT_TRUE(DeleteObject(info.hbmMask));
    EXPECT_FALSE(DeleteObject(info.hbmMask));
    EXPECT_EQ(platform::LiveBitmapCount(), before);
}

TEST_F(ServicesTest, RegistryHoldsOnlyTheMediaPathValue) {
    HKEY key = nullptr;
    unsetenv("MORVELT_MEDIA_PATH");
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Graphics Runtime", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    setenv("MORVELT_MEDIA_PATH", "/srv/media", 1);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Graphics Runtime", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "software\\graphics runtime", 0, KEY_READ, &key), ERROR_SUCCESS);
    char value[260];
    DWORD type = 0, size = sizeof(value);
    ASSERT_EQ(RegQueryValueEx(key, "Shared Media Path", NULL, &type, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
    EXPECT_STREQ(value, "/srv/media");
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(type, REG_SZ);
    char small[4] = "abc";
    size = sizeof(small);
    EXPECT_EQ(RegQueryValueEx(key, "Shared Media Path", NULL, &type, reinterpret_cast<BYTE*>(small), &size), ERROR_MORE_DATA);
    EXPECT_STREQ(small, "abc");  // untouched
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(RegQueryValueEx(key, "Other", NULL, &type, reinterpret_cast<BYTE*>(value), &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(ServicesTest, FilesOpenOnlyForReadingExistingFiles) {
    EXPECT_EQ(CreateFile("/nonexistent/file", GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFile("/", GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFile(NULL, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFile("/proc/self/status", GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL), INVALID_HANDLE_VALUE);
    HANDLE f = CreateFile("/proc/self/status", GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(f));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

TEST_F(ServicesTest, WorkingFolderIsGivenWhenItFitsAndItsSizeOtherwise) {
    char expected[4096];
    ASSERT_NE(getcwd(expected, sizeof expected), nullptr);
    const DWORD length = static_cast<DWORD>(std::strlen(expected));
    char folder[4096];
    EXPECT_EQ(GetCurrentDirectory(sizeof folder, folder), length);
    EXPECT_STREQ(folder, expected);
    char small[2] = "x";
    EXPECT_EQ(GetCurrentDirectory(length, small), length + 1);  // no room for the terminator
    EXPECT_STREQ(small, "x");
}

TEST_F(ServicesTest, ClockRunsMonotonicallyAndFollowsAFakeClock) {
    LARGE_INTEGER f, a, b;
    ASSERT_TRUE(QueryPerformanceFrequency(&f));
    EXPECT_EQ(f.QuadPart, 1000000000);
    QueryPerformanceCounter(&a);
    QueryPerformanceCounter(&b);
    EXPECT_GE(b.QuadPart, a.QuadPart);
    platform::FakeClock fake;
    fake.counterAvailable = false;
    fake.milliseconds = 1234;
    fake.millisecondStep = 10;
    platform::SetFakeClock(&fake);
    EXPECT_FALSE(QueryPerformanceFrequency(&f));
    EXPECT_EQ(timeGetTime(), 1234u);
    EXPECT_EQ(timeGetTime(), 1244u);
    EXPECT_EQ(platform::SetFakeClock(nullptr), &fake);
}
