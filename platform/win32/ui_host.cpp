#include "platform/win32/ui_host.h"

#include <SDL.h>
#include <SDL_opengl.h>
#include <imgui.h>
#include <backends/imgui_impl_opengl2.h>
#include <backends/imgui_impl_sdl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "platform/win32/debug_output.h"
#include "platform/win32/dialog.h"
#include "platform/win32/window.h"

namespace platform::detail {

namespace {

platform::UiFrameHook& FrameHook() {
    static platform::UiFrameHook hook;
    return hook;
}

const char* DialogFontFile() {
    static const char* candidates[] = {
        "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
        "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    };
    for (const char* c : candidates) {
        struct stat st;
        if (stat(c, &st) == 0) return c;
    }
    return nullptr;
}

}  // namespace

UiWindow::~UiWindow() { Close(); }

bool UiWindow::Open(const char* title, int x, int y, int width, int height, unsigned int flags,
                    SDL_Window* modalFor) {
    if (!platform::HasDisplay()) {
        OutputDebugStringA("win32: no display, the window is not shown\n");
        return false;
    }
    prevWindow_ = SDL_GL_GetCurrentWindow();
    prevGl_ = SDL_GL_GetCurrentContext();
    prevImgui_ = ImGui::GetCurrentContext();

    // A plain compatibility context for the UI; the attributes are put back afterwards so a
    // graphics device that creates its own context later finds them as it left them.
    const SDL_GLattr attrs[] = {SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_MAJOR_VERSION,
                                SDL_GL_CONTEXT_MINOR_VERSION, SDL_GL_DOUBLEBUFFER};
    const int wanted[] = {0, 2, 1, 1};
    int saved[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        SDL_GL_GetAttribute(attrs[i], &saved[i]);
        SDL_GL_SetAttribute(attrs[i], wanted[i]);
    }
    window_ = SDL_CreateWindow(title, x, y, width, height, SDL_WINDOW_OPENGL | flags);
    if (window_) gl_ = SDL_GL_CreateContext(window_);
    for (int i = 0; i < 4; ++i) SDL_GL_SetAttribute(attrs[i], saved[i]);
    if (!window_) {
        OutputDebugStringA(("win32: cannot open a window: " + std::string(SDL_GetError()) + "\n").c_str());
        RestorePrevious();
        return false;
    }
    if (!gl_) {
        OutputDebugStringA(("win32: no OpenGL for the window: " + std::string(SDL_GetError()) + "\n").c_str());
        SDL_DestroyWindow(window_);
        window_ = nullptr;
        RestorePrevious();
        return false;
    }
    if (modalFor) SDL_SetWindowModalFor(window_, modalFor);
    SDL_GL_SetSwapInterval(1);

    imgui_ = ImGui::CreateContext();
    ImGui::SetCurrentContext(imgui_);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;  // Tab, arrows, Space as in any dialog
    if (const char* font = DialogFontFile()) io.Fonts->AddFontFromFileTTF(font, 13.0f);
    ImGui::StyleColorsLight();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowRounding = 0.0f;
    style.FrameRounding = 2.0f;
    style.WindowPadding = ImVec2(0, 0);
    style.WindowBorderSize = 0.0f;
    style.FramePadding = ImVec2(4.0f, 2.0f);
    style.ItemInnerSpacing = ImVec2(4.0f, 4.0f);
    ImGui_ImplSDL2_InitForOpenGL(window_, gl_);
    ImGui_ImplOpenGL2_Init();
    RestorePrevious();
    return true;
}

void UiWindow::Close() {
    if (!window_) return;
    MakeCurrent();
    if (!textures_.empty()) glDeleteTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
    textures_.clear();
    ImGui_ImplOpenGL2_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext(imgui_);
    imgui_ = nullptr;
    ImGui::SetCurrentContext(nullptr);
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(gl_);
    gl_ = nullptr;
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    if (prevImgui_ == imgui_) prevImgui_ = nullptr;
    RestorePrevious();
}

unsigned int UiWindow::SdlId() const { return window_ ? SDL_GetWindowID(window_) : 0; }

void UiWindow::MakeCurrent() {
    prevWindow_ = SDL_GL_GetCurrentWindow();
    prevGl_ = SDL_GL_GetCurrentContext();
    prevImgui_ = ImGui::GetCurrentContext();
    if (prevGl_ != gl_) SDL_GL_MakeCurrent(window_, gl_);
    ImGui::SetCurrentContext(imgui_);
}

void UiWindow::RestorePrevious() {
    if (prevGl_ && prevWindow_)
        SDL_GL_MakeCurrent(prevWindow_, prevGl_);
    else if (SDL_GL_GetCurrentContext())
        SDL_GL_MakeCurrent(nullptr, nullptr);
    ImGui::SetCurrentContext(prevImgui_);
}

void UiWindow::ProcessEvent(const SDL_Event& event) {
    if (!window_) return;
    ImGuiContext* prev = ImGui::GetCurrentContext();
    ImGui::SetCurrentContext(imgui_);
    ImGui_ImplSDL2_ProcessEvent(&event);
    ImGui::SetCurrentContext(prev);
}

void UiWindow::BeginFrame() {
    MakeCurrent();
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
}

void UiWindow::EndFrame() {
    ImGui::Render();
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window_, &w, &h);
    glViewport(0, 0, w, h);
    glClearColor(0.94f, 0.94f, 0.94f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    if (++frames_ == 5) Snapshot(w, h);
    SDL_GL_SwapWindow(window_);
    RestorePrevious();
    if (FrameHook()) FrameHook()(window_, frames_);
}

// With MORVELT_UI_SNAPSHOT set to a directory, the fifth frame of each window is written
// there as a PPM picture (for looking at dialogs drawn on a virtual display).
void UiWindow::Snapshot(int width, int height) {
    const char* dir = std::getenv("MORVELT_UI_SNAPSHOT");
    if (!dir || width <= 0 || height <= 0) return;
    static int counter = 0;
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    std::string name = std::string(dir) + "/ui_" + std::to_string(++counter) + ".ppm";
    if (std::FILE* f = std::fopen(name.c_str(), "wb")) {
        std::fprintf(f, "P6 %d %d 255\n", width, height);
        for (int y = height - 1; y >= 0; --y) std::fwrite(rgb.data() + static_cast<size_t>(y) * width * 3, 1, static_cast<size_t>(width) * 3, f);
        std::fclose(f);
    }
}

unsigned int UiWindow::CreateTexture(const std::vector<DWORD>& pixels, int width, int height) {
    if (!window_ || width <= 0 || height <= 0 || pixels.size() < static_cast<size_t>(width) * height) return 0;
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        DWORD p = pixels[i];
        rgba[i * 4 + 0] = static_cast<unsigned char>((p >> 16) & 0xFF);
        rgba[i * 4 + 1] = static_cast<unsigned char>((p >> 8) & 0xFF);
        rgba[i * 4 + 2] = static_cast<unsigned char>(p & 0xFF);
        rgba[i * 4 + 3] = 0xFF;
    }
    MakeCurrent();
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    RestorePrevious();
    if (tex) textures_.push_back(tex);
    return tex;
}

}  // namespace platform::detail

namespace platform {

UiFrameHook SetUiFrameHook(UiFrameHook hook) {
    UiFrameHook previous = std::move(detail::FrameHook());
    detail::FrameHook() = std::move(hook);
    return previous;
}

}  // namespace platform
