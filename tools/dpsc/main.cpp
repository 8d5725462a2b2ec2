// dpsc: a tool for people who write particle scripts (.dps).
//
//   dpsc check FILE...          compile each file; one line "FILE: TEXT" with the last-error text
//   dpsc listing FILE           compile and print the debugger output (sorted-events listings)
//   dpsc simulate FILE [--fps N] [--seconds S]
//                               run the system on an off-screen REF device; one line per second
//   dpsc render FILE --seconds T --out PNG [--size WxH] [--eye X,Y,Z]
//                               simulate to T at 60 fps and render one frame to a PNG
//
// Exit status: 0 success; 1 a script did not compile; 2 usage error or unreadable file.
#include "particles/particle_emitter.h"
#include "platform/d3d8.h"
#include "platform/d3dx8.h"
#include "platform/win32.h"
#include "tools/png_file/png_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitCompileError = 1;
constexpr int kExitUsage = 2;

int Usage(const char* problem = nullptr) {
    if (problem != nullptr) std::fprintf(stderr, "dpsc: %s\n", problem);
    std::fprintf(stderr,
                 "usage: dpsc check FILE...\n"
                 "       dpsc listing FILE\n"
                 "       dpsc simulate FILE [--fps N] [--seconds S]\n"
                 "       dpsc render FILE --seconds T --out PNG [--size WxH] [--eye X,Y,Z]\n");
    return kExitUsage;
}

bool ReadScript(const char* path, std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!platform::ReadDataFile(path, &bytes, &reason)) {
        std::fprintf(stderr, "dpsc: cannot read %s: %s\n", path, reason.c_str());
        return false;
    }
    text.assign(bytes.begin(), bytes.end());
    return true;
}

int Check(int argc, char** argv) {
    if (argc < 1) return Usage("check needs at least one file");
    int status = kExitOk;
    for (int i = 0; i < argc; ++i) {
        std::string text;
        if (!ReadScript(argv[i], text)) {
            status = kExitUsage;
            continue;
        }
        CParticleEmitter emitter;
        const bool compiled = emitter.Compile(text.c_str());
        std::printf("%s: %s\n", argv[i], emitter.GetLastError().c_str());
        if (!compiled && status == kExitOk) status = kExitCompileError;
    }
    return status;
}

int Listing(int argc, char** argv) {
    if (argc != 1) return Usage("listing takes one file");
    std::string text;
    if (!ReadScript(argv[0], text)) return kExitUsage;
    std::string output;
    auto previous = platform::SetDebugOutputSink([&](const char* s) { output += s; });
    CParticleEmitter emitter;
    const bool compiled = emitter.Compile(text.c_str());
    platform::SetDebugOutputSink(previous);
    std::fputs(output.c_str(), stdout);
    std::fputs("\n", stdout);
    return compiled ? kExitOk : kExitCompileError;
}

// Parses a whole number or decimal; false when the text is not entirely a finite number.
bool ParseNumber(const char* text, double& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(value);
}

// Options after the file name: "--name value" pairs.
struct Options {
    double fps = 60;
    double seconds = 10;
    bool haveSeconds = false;
    std::string out;
    unsigned width = 640, height = 480;
    D3DXVECTOR3 eye{0, 0, -50};
};

bool ParseOptions(int argc, char** argv, bool forRender, Options& options) {
    for (int i = 0; i < argc; i += 2) {
        const std::string name = argv[i];
        if (i + 1 >= argc) {
            Usage(("missing value after " + name).c_str());
            return false;
        }
        const char* value = argv[i + 1];
        double number = 0;
        if (name == "--seconds" && ParseNumber(value, number) && number >= 0 && number <= 1e6) {
            options.seconds = number;
            options.haveSeconds = true;
        } else if (!forRender && name == "--fps" && ParseNumber(value, number) && number >= 1 &&
                   number <= 10000 && number == std::floor(number)) {
            options.fps = number;
        } else if (forRender && name == "--out" && *value != '\0') {
            options.out = value;
        } else if (forRender && name == "--size" &&
                   std::sscanf(value, "%ux%u", &options.width, &options.height) == 2 && options.width >= 1 &&
                   options.height >= 1 && options.width <= 8192 && options.height <= 8192) {
        } else if (forRender && name == "--eye" &&
                   std::sscanf(value, "%f,%f,%f", &options.eye.x, &options.eye.y, &options.eye.z) == 3) {
        } else {
            Usage(("bad option " + name + " " + value).c_str());
            return false;
        }
    }
    return true;
}

// An off-screen REF device with a back buffer of the given size; released by the destructor.
class OffscreenDevice {
public:
    bool Create(unsigned width, unsigned height) {
        m_d3d = Direct3DCreate8(D3D_SDK_VERSION);
        if (m_d3d == nullptr) return false;
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = width;
        pp.BackBufferHeight = height;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
        const HRESULT hr = m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, nullptr,
                                               D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &m_device);
        if (FAILED(hr)) {
            std::fprintf(stderr, "dpsc: cannot create the REF device (0x%08X)\n", static_cast<unsigned>(hr));
            m_device = nullptr;
            return false;
        }
        return true;
    }
    ~OffscreenDevice() {
        if (m_device != nullptr) m_device->Release();
        if (m_d3d != nullptr) m_d3d->Release();
    }
    IDirect3DDevice8* Get() const { return m_device; }

private:
    IDirect3D8* m_d3d = nullptr;
    IDirect3DDevice8* m_device = nullptr;
};

// Production order: device objects first, then the script; Start runs it from the beginning.
bool LoadEmitter(CParticleEmitter& emitter, IDirect3DDevice8* device, const std::string& text) {
    emitter.RebuildDeviceObjects(device);
    if (!emitter.Compile(text.c_str())) {
        std::printf("%s\n", emitter.GetLastError().c_str());
        return false;
    }
    emitter.Start();
    return true;
}

int EmittedSoFar(const CParticleEmitter& emitter) {
    int emitted = 0;
    for (const auto& sequence : emitter.GetSequences()) emitted += sequence->GetEmittedCount();
    return emitted;
}

int Simulate(int argc, char** argv) {
    if (argc < 1) return Usage("simulate needs a file");
    Options options;
    if (!ParseOptions(argc - 1, argv + 1, false, options)) return kExitUsage;
    std::string text;
    if (!ReadScript(argv[0], text)) return kExitUsage;
    OffscreenDevice device;
    if (!device.Create(64, 64)) return kExitUsage;
    CParticleEmitter emitter;
    if (!LoadEmitter(emitter, device.Get(), text)) return kExitCompileError;

    const int fps = static_cast<int>(options.fps);
    const long long frames = std::llround(options.fps * options.seconds);
    const float elapsed = 1.0f / static_cast<float>(fps);
    for (long long frame = 1; frame <= frames; ++frame) {
        emitter.Update(static_cast<float>(frame) * elapsed, elapsed);
        if (frame % fps == 0)
            std::printf("second %lld: live %d emitted %d\n", frame / fps, emitter.GetNumActiveParticles(),
                        EmittedSoFar(emitter));
    }
    emitter.ReleaseDeviceObjects();
    return kExitOk;
}

// The back buffer as rows of red, green, blue bytes.
bool ReadBackBuffer(IDirect3DDevice8* device, unsigned width, unsigned height, std::vector<BYTE>& rgb) {
    IDirect3DSurface8* surface = nullptr;
    if (FAILED(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &surface))) return false;
    D3DLOCKED_RECT locked{};
    bool ok = SUCCEEDED(surface->LockRect(&locked, nullptr, 0));
    if (ok) {
        rgb.resize(static_cast<size_t>(width) * height * 3);
        for (unsigned y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) +
                                                             static_cast<ptrdiff_t>(y) * locked.Pitch);
            for (unsigned x = 0; x < width; ++x) {
                BYTE* out = &rgb[(static_cast<size_t>(y) * width + x) * 3];
                out[0] = static_cast<BYTE>(row[x] >> 16);
                out[1] = static_cast<BYTE>(row[x] >> 8);
                out[2] = static_cast<BYTE>(row[x]);
            }
        }
        surface->UnlockRect();
    }
    surface->Release();
    return ok;
}

int Render(int argc, char** argv) {
    if (argc < 1) return Usage("render needs a file");
    Options options;
    if (!ParseOptions(argc - 1, argv + 1, true, options)) return kExitUsage;
    if (!options.haveSeconds || options.out.empty()) return Usage("render needs --seconds and --out");
    std::string text;
    if (!ReadScript(argv[0], text)) return kExitUsage;
    OffscreenDevice device;
    if (!device.Create(options.width, options.height)) return kExitUsage;
    IDirect3DDevice8* d = device.Get();
    CParticleEmitter emitter;
    if (!LoadEmitter(emitter, d, text)) return kExitCompileError;

    const float elapsed = 1.0f / 60.0f;
    const long long frames = std::llround(options.seconds * 60.0);
    for (long long frame = 1; frame <= frames; ++frame) emitter.Update(static_cast<float>(frame) * elapsed, elapsed);

    D3DXMATRIX view, projection;
    const D3DXVECTOR3 at = emitter.GetPos();
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &options.eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, static_cast<float>(options.width) / options.height, 1.0f,
                               10000.0f);
    d->BeginScene();
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    d->SetTransform(D3DTS_VIEW, &view);
    d->SetTransform(D3DTS_PROJECTION, &projection);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    // Textured sprites show texture × vertex colour; untextured ones the vertex colour alone.
    bool textured = false;
    for (const auto& sequence : emitter.GetSequences()) textured = textured || sequence->GetTexture() != nullptr;
    const DWORD op = textured ? D3DTOP_MODULATE : D3DTOP_SELECTARG2;
    d->SetTextureStageState(0, D3DTSS_COLOROP, op);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, op);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    emitter.Render();
    d->EndScene();

    const int live = emitter.GetNumActiveParticles();
    std::vector<BYTE> rgb;
    const bool read = ReadBackBuffer(d, options.width, options.height, rgb);
    emitter.ReleaseDeviceObjects();
    if (!read) {
        std::fprintf(stderr, "dpsc: cannot read the back buffer\n");
        return kExitUsage;
    }
    std::string error;
    if (!pngfile::Write(options.out,
                        {static_cast<int>(options.width), static_cast<int>(options.height), pngfile::Channels::Rgb,
                         std::move(rgb)},
                        error)) {
        std::fprintf(stderr, "dpsc: cannot write %s\n", error.c_str());
        return kExitUsage;
    }
    std::printf("%s: %d live particles at %.2f s\n", options.out.c_str(), live, options.seconds);
    return kExitOk;
}


}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    if (command == "check") return Check(argc - 2, argv + 2);
    if (command == "listing") return Listing(argc - 2, argv + 2);
    if (command == "simulate") return Simulate(argc - 2, argv + 2);
    if (command == "render") return Render(argc - 2, argv + 2);
    return Usage(("unknown command " + command).c_str());
}
