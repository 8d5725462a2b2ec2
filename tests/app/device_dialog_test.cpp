// The device selection dialog's procedure, driven with messages on the dialog built from its
// resource (no window is shown).
#include "resources/resource_ids.h"
#include "tests/app/test_support.h"

namespace {

class DialogTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        app_.m_pDirect3D = fake::CreateDirect3D();
    }
    void TearDown() override {
        if (dialog_) DestroyWindow(dialog_);
        app_.m_pDirect3D->Release();
        FrameTest::TearDown();
    }
    void Open() {
        ASSERT_EQ(app_.EnumerateDevices(), S_OK);
        dialog_ = CreateDialogParam(GetModuleHandle(NULL), MAKEINTRESOURCE(IDD_SELECTDEVICE), NULL,
                                    CD3DApplication::DeviceDialogProc, reinterpret_cast<LPARAM>(&app_));
        ASSERT_NE(dialog_, nullptr);
    }
    HWND Item(int id) { return GetDlgItem(dialog_, id); }
    void Click(int id) {
        SendMessage(dialog_, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                    reinterpret_cast<LPARAM>(Item(id)));
    }
    void CheckRadio(int on, int off) {
        SendMessage(Item(on), BM_SETCHECK, BST_CHECKED, 0);
        SendMessage(Item(off), BM_SETCHECK, BST_UNCHECKED, 0);
    }
    void Select(int id, int index) {
        SendMessage(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessage(dialog_, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), CBN_SELENDOK),
                    reinterpret_cast<LPARAM>(Item(id)));
    }
    std::vector<std::string> Texts(int id) {
        std::vector<std::string> v;
        LRESULT n = SendMessage(Item(id), CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            char text[128];
            SendMessage(Item(id), CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            v.push_back(text);
        }
        return v;
    }
    INT_PTR Result() {
        INT_PTR r = 0;
        EXPECT_TRUE(platform::GetDialogResult(dialog_, &r));
        return r;
    }

    TestApp app_;
    HWND dialog_ = nullptr;
};

}  // namespace

TEST_F(DialogTest, OpensWithTheCurrentChoiceAndOnlyTheVisibleControlsShown) {
    Open();
    EXPECT_EQ(SendMessage(Item(IDC_WINDOW), BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
    EXPECT_EQ(SendMessage(Item(IDC_FULLSCREEN), BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_FULLSCREENMODES_COMBO)));
    EXPECT_TRUE(IsWindowVisible(Item(IDC_FULLSCREENMODES_COMBO)));
    EXPECT_FALSE(IsWindowVisible(Item(IDC_ADAPTER_COMBO)));
    EXPECT_FALSE(IsWindowVisible(Item(IDC_DEVICE_COMBO)));
    EXPECT_FALSE(IsWindowVisible(Item(IDC_MULTISAMPLE_COMBO)));
    auto modes = Texts(IDC_FULLSCREENMODES_COMBO);
    ASSERT_EQ(modes.size(), 8u);
    EXPECT_EQ(modes[0], "640 x 480 x 16");
    EXPECT_EQ(modes[7], "1280 x 1024 x 32");
    EXPECT_EQ(SendMessage(Item(IDC_FULLSCREENMODES_COMBO), CB_GETCURSEL, 0, 0), 1);  // 800 x 600 x 16
    EXPECT_EQ(Texts(IDC_ADAPTER_COMBO), std::vector<std::string>{"Fake adapter"});
    EXPECT_EQ(Texts(IDC_DEVICE_COMBO), (std::vector<std::string>{"HAL", "REF"}));
}

TEST_F(DialogTest, RunWithoutAChangeEndsLikeExit) {
    Open();
    Click(IDOK);
    EXPECT_EQ(Result(), IDCANCEL);
}

TEST_F(DialogTest, ExitLeavesTheDeviceListAlone) {
    Open();
    CheckRadio(IDC_FULLSCREEN, IDC_WINDOW);
    Click(IDC_FULLSCREEN);
    Select(IDC_FULLSCREENMODES_COMBO, 4);
    Click(IDCANCEL);
    EXPECT_EQ(Result(), DEVICE_DIALOG_EXIT);  // told apart from "Run" without a change
    EXPECT_TRUE(app_.m_adapters[0].devices[0].windowed);
    EXPECT_EQ(app_.m_adapters[0].devices[0].currentMode, 1u);
}

TEST_F(DialogTest, FullScreenChoiceEnablesTheModeListAndRunWritesTheChoice) {
    Open();
    CheckRadio(IDC_FULLSCREEN, IDC_WINDOW);
    Click(IDC_FULLSCREEN);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_FULLSCREENMODES_COMBO)));
    Select(IDC_FULLSCREENMODES_COMBO, 6);
    Click(IDOK);
    EXPECT_EQ(Result(), IDOK);
    const DeviceInfo& hal = app_.m_adapters[0].devices[0];
    EXPECT_FALSE(hal.windowed);
    EXPECT_EQ(hal.currentMode, 6u);
}

TEST_F(DialogTest, TheRadioButtonIsReadFirstOnEveryCommand) {
    Open();
    // The check changes without a click notification; a list selection still picks it up.
    CheckRadio(IDC_FULLSCREEN, IDC_WINDOW);
    Select(IDC_FULLSCREENMODES_COMBO, 3);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_FULLSCREENMODES_COMBO)));
    EXPECT_EQ(SendMessage(Item(IDC_FULLSCREEN), BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
    CheckRadio(IDC_WINDOW, IDC_FULLSCREEN);
    Click(IDC_WINDOW);
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_FULLSCREENMODES_COMBO)));
}

TEST_F(DialogTest, MultisampleListHoldsTheSupportedTypesWithoutTypeOne) {
    fake::CurrentSetup().adapters[0].hal.multiSample = {0, 1, 2, 4};
    Open();
    EXPECT_EQ(Texts(IDC_MULTISAMPLE_COMBO), (std::vector<std::string>{"none", "2 samples", "4 samples"}));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_MULTISAMPLE_COMBO)));
    Select(IDC_MULTISAMPLE_COMBO, 2);
    Click(IDOK);
    EXPECT_EQ(Result(), IDOK);
    EXPECT_EQ(app_.m_adapters[0].devices[0].multiSampleType, D3DMULTISAMPLE_4_SAMPLES);
}

TEST_F(DialogTest, UnsupportedMultisampleFallsBackToNoneAndASingleEntryDisablesTheList) {
    fake::CurrentSetup().adapters[0].hal.multiSample = {0};
    ASSERT_EQ(app_.EnumerateDevices(), S_OK);
    app_.m_adapters[0].devices[0].multiSampleType = D3DMULTISAMPLE_8_SAMPLES;
    dialog_ = CreateDialogParam(GetModuleHandle(NULL), MAKEINTRESOURCE(IDD_SELECTDEVICE), NULL,
                                CD3DApplication::DeviceDialogProc, reinterpret_cast<LPARAM>(&app_));
    EXPECT_EQ(Texts(IDC_MULTISAMPLE_COMBO), std::vector<std::string>{"none"});
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_MULTISAMPLE_COMBO)));
    Click(IDOK);  // the fallback to "none" is a change
    EXPECT_EQ(Result(), IDOK);
    EXPECT_EQ(app_.m_adapters[0].devices[0].multiSampleType, D3DMULTISAMPLE_NONE);
}

TEST_F(DialogTest, WindowedModeIsDisabledForADeviceThatCannotRenderWindowed) {
    fake::CurrentSetup().adapters[0].ref.caps.Caps2 = 0;
    Open();
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_WINDOW)));
    Select(IDC_DEVICE_COMBO, 1);  // REF: not windowed, so full-screen is checked
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_WINDOW)));
    EXPECT_EQ(SendMessage(Item(IDC_FULLSCREEN), BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_FULLSCREENMODES_COMBO)));
}

TEST_F(DialogTest, CommandsWithoutASetUpDialogOrWithEmptyListsChangeNothing) {
    frame_test::ResetProcessState();
    EXPECT_EQ(CD3DApplication::DeviceDialogProc(NULL, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0), FALSE);
    Open();
    SendMessage(Item(IDC_FULLSCREENMODES_COMBO), CB_RESETCONTENT, 0, 0);
    SendMessage(dialog_, WM_COMMAND, MAKEWPARAM(IDC_FULLSCREENMODES_COMBO, CBN_SELENDOK), 0);
    Click(IDOK);
    EXPECT_EQ(Result(), IDCANCEL);
}
