// The device list: which modes and devices are kept, their order, the default mode, the
// depth/stencil search and the start choice with its warnings.
#include <cstdlib>

#include "resources/resource_ids.h"
#include "tests/app/test_support.h"

namespace {

class DeviceListTest : public FrameTest {
protected:
    HRESULT Enumerate(TestApp& app) {
        app.m_pDirect3D = fake::CreateDirect3D();
        created_.push_back(app.m_pDirect3D);
        HRESULT hr = app.EnumerateDevices();
        return hr;
    }
    void TearDown() override {
        for (IDirect3D8* d3d : created_) d3d->Release();  // the apps only enumerated: no window, no shutdown
        FrameTest::TearDown();
    }
    std::vector<IDirect3D8*> created_;
};

std::vector<std::pair<DWORD, DWORD>> Sizes(const DeviceInfo& d) {
    std::vector<std::pair<DWORD, DWORD>> v;
    for (DWORD i = 0; i < d.modeCount; ++i) v.emplace_back(d.modes[i].width, d.modes[i].height);
    return v;
}

}  // namespace

TEST(CompareModesTest, FormatDescendingThenWidthThenHeight) {
    struct Case {
        D3DDISPLAYMODE a, b;
        int sign;
    } cases[] = {
        {{800, 600, 0, D3DFMT_R5G6B5}, {640, 480, 0, D3DFMT_X8R8G8B8}, -1},   // higher format value first
        {{640, 480, 0, D3DFMT_X8R8G8B8}, {800, 600, 0, D3DFMT_R5G6B5}, +1},
        {{640, 480, 0, D3DFMT_R5G6B5}, {800, 600, 0, D3DFMT_R5G6B5}, -1},     // then width
        {{1280, 960, 0, D3DFMT_R5G6B5}, {1280, 1024, 0, D3DFMT_R5G6B5}, -1},  // then height
        {{800, 600, 60, D3DFMT_R5G6B5}, {800, 600, 85, D3DFMT_R5G6B5}, 0},    // refresh ignored
    };
    for (const Case& c : cases) {
        int r = CompareModes(&c.a, &c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a.Width << "x" << c.a.Height << " vs " << c.b.Width << "x" << c.b.Height;
    }
}

TEST_F(DeviceListTest, SmallModesAndRefreshDuplicatesAreDroppedAndTheRestSorted) {
    auto& a = fake::CurrentSetup().adapters[0];
    a.modes.push_back({320, 240, 60, D3DFMT_R5G6B5});
    a.modes.push_back({640, 400, 70, D3DFMT_X8R8G8B8});
    a.modes.push_back({1280, 960, 85, D3DFMT_R5G6B5});
    TestApp app;
    ASSERT_EQ(Enumerate(app), S_OK);
    const DeviceInfo& hal = app.m_adapters[0].devices[0];
    ASSERT_EQ(hal.deviceType, D3DDEVTYPE_HAL);
    ASSERT_EQ(hal.modeCount, 9u);
    std::vector<std::pair<DWORD, DWORD>> expected = {{640, 480},  {800, 600},  {1024, 768},
                                                     {1280, 960}, {1280, 1024}, {640, 480},
                                                     {800, 600},  {1024, 768}, {1280, 1024}};
    EXPECT_EQ(Sizes(hal), expected);
    for (DWORD i = 0; i < 5; ++i) EXPECT_EQ(hal.modes[i].format, D3DFMT_R5G6B5);
    for (DWORD i = 5; i < 9; ++i) EXPECT_EQ(hal.modes[i].format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(hal.modes[0].behavior, D3DCREATE_HARDWARE_VERTEXPROCESSING);
    EXPECT_EQ(app.m_adapters[0].devices[1].modes[0].behavior, D3DCREATE_SOFTWARE_VERTEXPROCESSING);
}

TEST_F(DeviceListTest, DefaultModePrefers16Bit800x600ThenTheLast800x600ThenTheFirst) {
    {
        TestApp app;
        ASSERT_EQ(Enumerate(app), S_OK);
        const DeviceInfo& hal = app.m_adapters[0].devices[0];
        EXPECT_EQ(hal.modes[hal.currentMode].width, 800u);
        EXPECT_EQ(hal.modes[hal.currentMode].format, D3DFMT_R5G6B5);
    }
    {
        auto& a = fake::CurrentSetup().adapters[0];
        a.modes = {{800, 600, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_A8R8G8B8}, {640, 480, 60, D3DFMT_X8R8G8B8}};
        a.hal.formats = a.ref.formats = {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8};
        TestApp app;
        ASSERT_EQ(Enumerate(app), S_OK);
        const DeviceInfo& hal = app.m_adapters[0].devices[0];
        EXPECT_EQ(hal.currentMode, 2u);  // X8R8G8B8 640, X8R8G8B8 800, A8R8G8B8 800
        EXPECT_EQ(hal.modes[2].format, D3DFMT_A8R8G8B8);
    }
    {
        auto& a = fake::CurrentSetup().adapters[0];
        a.modes = {{1024, 768, 60, D3DFMT_X8R8G8B8}, {640, 480, 60, D3DFMT_X8R8G8B8}};
        TestApp app;
        ASSERT_EQ(Enumerate(app), S_OK);
        EXPECT_EQ(app.m_adapters[0].devices[0].currentMode, 0u);
    }
}

TEST_F(DeviceListTest, DepthSearchFollowsTheCandidateOrderForTheRequestedBits) {
    fake::CurrentSetup().adapters[0].hal.depthFormats = {D3DFMT_D32};
    fake::CurrentSetup().adapters[0].ref.depthFormats = {D3DFMT_D32};
    TestApp app;
    app.m_bUseDepthBuffer = TRUE;
    ASSERT_EQ(Enumerate(app), S_OK);
    // 16 depth bits and no stencil allow every candidate but D15S1, in table order.
    std::vector<DWORD> order = {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32};
    const auto& tried = fake::CurrentCalls().depthFormatsTried;
    ASSERT_GE(tried.size(), order.size());
    EXPECT_EQ(std::vector<DWORD>(tried.begin(), tried.begin() + 5), order);
    EXPECT_EQ(app.m_adapters[0].devices[0].modes[0].depthStencilFormat, D3DFMT_D32);

    fake::CurrentCalls().depthFormatsTried.clear();
    app.m_minDepthBits = 15;
    app.m_minStencilBits = 1;
    D3DFORMAT out = D3DFMT_UNKNOWN;
    EXPECT_FALSE(app.ChooseDepthStencilFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, &out));
    std::vector<DWORD> stencil = {D3DFMT_D15S1, D3DFMT_D24S8, D3DFMT_D24X4S4};
    EXPECT_EQ(fake::CurrentCalls().depthFormatsTried, stencil);
    EXPECT_EQ(out, D3DFMT_UNKNOWN);
}

TEST_F(DeviceListTest, WithoutDepthBufferNoDepthFormatIsSearched) {
    TestApp app;
    ASSERT_EQ(Enumerate(app), S_OK);
    EXPECT_EQ(fake::CurrentCalls().checkDeviceFormat, 0);
    EXPECT_EQ(app.m_adapters[0].devices[0].modes[0].depthStencilFormat, 0u);
}

TEST_F(DeviceListTest, DesktopFormatIsTriedWithoutAnyModeInIt) {
    auto& a = fake::CurrentSetup().adapters[0];
    a.desktop.Format = D3DFMT_X1R5G5B5;
    a.hal.formats.insert(D3DFMT_X1R5G5B5);
    TestApp app;
    ASSERT_EQ(Enumerate(app), S_OK);
    const DeviceInfo& hal = app.m_adapters[0].devices[0];
    EXPECT_TRUE(hal.canDoWindowed);
    for (DWORD i = 0; i < hal.modeCount; ++i) EXPECT_NE(hal.modes[i].format, D3DFMT_X1R5G5B5);
    EXPECT_FALSE(app.m_adapters[0].devices[1].canDoWindowed);  // REF does not take X1R5G5B5
}

TEST_F(DeviceListTest, RefusedDevicesAndEmptyAdaptersAreNotListed) {
    fake::AdapterSetup empty = fake::TypicalAdapter();
    empty.description = "Empty";
    empty.hal.exists = empty.ref.exists = false;
    fake::AdapterSetup second = fake::TypicalAdapter();
    second.description = "Second";
    fake::CurrentSetup().adapters = {empty, second};
    TestApp app;
    app.checkCaps = [](D3DCAPS8* caps, DWORD, D3DFORMAT) { return caps->DeviceType == D3DDEVTYPE_HAL ? E_FAIL : S_OK; };
    ASSERT_EQ(Enumerate(app), S_OK);
    ASSERT_EQ(app.m_adapterCount, 1u);
    EXPECT_STREQ(app.m_adapters[0].identifier.Description, "Second");
    ASSERT_EQ(app.m_adapters[0].deviceCount, 1u);
    EXPECT_EQ(app.m_adapters[0].devices[0].deviceType, D3DDEVTYPE_REF);
}

TEST_F(DeviceListTest, NoDevicesAtAllOrNoWindowedDevice) {
    {
        auto& a = fake::CurrentSetup().adapters[0];
        a.hal.exists = a.ref.exists = false;
        TestApp app;
        EXPECT_EQ(Enumerate(app), FRAMEERR_NO_COMPATIBLE_DEVICES);
    }
    {
        fake::ResetAll();
        auto& a = fake::CurrentSetup().adapters[0];
        a.hal.caps.Caps2 = a.ref.caps.Caps2 = 0;
        TestApp app;
        EXPECT_EQ(Enumerate(app), FRAMEERR_NO_WINDOWABLE_DEVICES);
    }
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(DeviceListTest, StartChoiceIsTheFirstWindowedDeviceWithNoWarningOnHal) {
    TestApp app;
    ASSERT_EQ(Enumerate(app), S_OK);
    EXPECT_EQ(app.m_adapterIndex, 0u);
    EXPECT_EQ(app.m_adapters[0].currentDevice, 0u);
    EXPECT_TRUE(app.m_bWindowed);
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(DeviceListTest, EachReasonForFallingBackToRefIsReported) {
    struct Case {
        const char* name;
        std::function<void(fake::AdapterSetup&, TestApp&)> setup;
        const char* firstLine;
    } cases[] = {
        {"no HAL", [](fake::AdapterSetup& a, TestApp&) { a.hal.exists = false; },
         "No hardware-accelerated Direct3D devices\nwere found."},
        {"HAL without modes",
         [](fake::AdapterSetup&, TestApp& app) {
             app.checkCaps = [](D3DCAPS8* c, DWORD, D3DFORMAT) { return c->DeviceType == D3DDEVTYPE_HAL ? E_FAIL : S_OK; };
         },
         "This sample requires functionality that is\nnot available on your Direct3D hardware\naccelerator.\n\n"},
        {"HAL cannot window", [](fake::AdapterSetup& a, TestApp&) { a.hal.caps.Caps2 = 0; },
         "Your Direct3D hardware accelerator cannot\nrender into a window.\n"},
        {"HAL refuses the desktop format",
         [](fake::AdapterSetup& a, TestApp&) { a.hal.formats = {D3DFMT_R5G6B5}; },
         "Your Direct3D hardware accelerator cannot\nrender into a window with the current\n"},
        {"HAL refuses its caps in the desktop format",
         [](fake::AdapterSetup&, TestApp& app) {
             app.checkCaps = [](D3DCAPS8* c, DWORD, D3DFORMAT f) {
                 return c->DeviceType == D3DDEVTYPE_HAL && f == D3DFMT_X8R8G8B8 ? E_FAIL : S_OK;
             };
         },
         "This sample requires functionality that is\nnot available on your Direct3D hardware\naccelerator with the current desktop display\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake::ResetAll();
        boxes_.clear();
        TestApp app;
        c.setup(fake::CurrentSetup().adapters[0], app);
        ASSERT_EQ(Enumerate(app), S_OK);
        const AdapterInfo& adapter = app.m_adapters[app.m_adapterIndex];
        EXPECT_EQ(adapter.devices[adapter.currentDevice].deviceType, D3DDEVTYPE_REF);
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].text.rfind(c.firstLine, 0), 0u) << boxes_[0].text;
        EXPECT_NE(boxes_[0].text.find("\n\nSwitching to the reference rasterizer,\na software device that implements "
                                      "the entire\nDirect3D feature set, but runs very slowly."),
                  std::string::npos);
        EXPECT_EQ(boxes_[0].type & 0xF0, MB_ICONWARNING);
        EXPECT_EQ(boxes_[0].caption, "Morvelt");
    }
}

TEST_F(DeviceListTest, EntriesBeyondTheCapacitiesAreDropped) {
    auto& a = fake::CurrentSetup().adapters[0];
    a.modes.clear();
    for (UINT i = 0; i < 260; ++i) a.modes.push_back({640 + i, 480, 60, D3DFMT_X8R8G8B8});
    fake::CurrentSetup().adapters.resize(12, a);
    TestApp app;
    ASSERT_EQ(Enumerate(app), S_OK);
    EXPECT_EQ(app.m_adapterCount, kMaxAdapters);
    EXPECT_EQ(app.m_adapters[0].devices[0].modeCount, kMaxScratchModes);
}
