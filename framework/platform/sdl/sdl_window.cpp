// The desktop backend: one SDL window shown full screen (or as a normal window), its events
// turned into window messages, and the frames shown at a logical size of the client area.

#include <SDL2/SDL.h>
#include <png.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/platform/backend.h"
#include "framework/platform/device.h"
#include "framework/platform/fonts.h"
#include "framework/platform/message_queue.h"
#include "framework/platform/sdl/sdl_input.h"
#include "framework/platform/utf.h"
#include "framework/platform/system_window.h"
#include "media/embedded.h"

namespace platform {

namespace {

struct Desktop {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* frame = nullptr;
  std::unique_ptr<sdl::InputTranslator> input;
  int width = 0;
  int height = 0;
  // The texture has had a whole frame.
  bool uploaded = false;
};

Desktop g_desktop;
std::atomic<bool> g_videoReady{false};
std::atomic<std::uint32_t> g_wakeEvent{0};

const auto g_start = std::chrono::steady_clock::now();

// SDL keeps the screen saver away from its event pump, every 30 s of pumping: a window left
// alone must still pump now and then.
constexpr unsigned kLongestSdlWaitMs = 30'000;

std::uint64_t NanosSinceStart() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - g_start).count());
}

// The window's icon is the program's resource 500, a PNG.
void SetIcon(SDL_Window* window) {
  const auto bytes = media::FindResource(500);
  if (bytes.empty()) return;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return;
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), static_cast<int>(image.width),
                                                            static_cast<int>(image.height), 32,
                                                            static_cast<int>(image.width) * 4, SDL_PIXELFORMAT_RGBA32);
  if (!surface) return;
  SDL_SetWindowIcon(window, surface);
  SDL_FreeSurface(surface);
}

void PumpSystemEvents() {
  if (!g_videoReady) return;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (event.type == g_wakeEvent || !g_desktop.input) continue;
    for (Message m : g_desktop.input->Translate(event)) {
      m.hwnd = MainWindowHandle();
      MessageQueue::Instance().Post(m);
    }
  }
}

}  // namespace

namespace backend {

bool CreateNativeWindow(const WindowSpec& spec, std::string* error) {
  PrepareFonts();
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    *error = SDL_GetError();
    return false;
  }
  // Without a display SDL falls back to drivers that show nothing: unless they were asked for,
  // the program would run unseen and never end.
  const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  if ((driver == "offscreen" || driver == "dummy") && !(asked && std::strstr(asked, driver.c_str()))) {
    *error = "no display to show the window on";
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    return false;
  }
  Uint32 flags = SDL_WINDOW_HIDDEN;
  SDL_Rect frame{spec.x, spec.y, spec.width, spec.height};
  if (!spec.windowed) {
    // Made as large as the screen from the start: without a window manager nobody else would
    // resize it, and the full-screen state alone leaves it at the client size.
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
    if (SDL_GetDisplayBounds(0, &frame) != 0) frame = SDL_Rect{0, 0, spec.width, spec.height};
  }
  Desktop& d = g_desktop;
  d.window = SDL_CreateWindow(ToUtf8(spec.caption).c_str(), frame.x, frame.y, frame.w, frame.h, flags);
  if (d.window) d.renderer = SDL_CreateRenderer(d.window, -1, SDL_RENDERER_PRESENTVSYNC);
  if (d.window && !d.renderer) d.renderer = SDL_CreateRenderer(d.window, -1, SDL_RENDERER_SOFTWARE);
  if (d.renderer) {
    // Letterboxed at the client size; mouse positions come back in the same units.
    SDL_RenderSetLogicalSize(d.renderer, spec.width, spec.height);
    d.frame = SDL_CreateTexture(d.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, spec.width,
                                spec.height);
  }
  if (!d.frame) {
    *error = SDL_GetError();
    DestroyNativeWindow();
    return false;
  }
  SetIcon(d.window);
  if (!g_wakeEvent) g_wakeEvent = SDL_RegisterEvents(1);
  d.width = spec.width;
  d.height = spec.height;
  d.input = std::make_unique<sdl::InputTranslator>(nullptr, spec.width, spec.height, !spec.windowed);
  SDL_StartTextInput();
  g_videoReady = true;
  return true;
}

void DestroyNativeWindow() {
  Desktop& d = g_desktop;
  g_videoReady = false;
  if (d.frame) SDL_DestroyTexture(d.frame);
  if (d.renderer) SDL_DestroyRenderer(d.renderer);
  if (d.window) SDL_DestroyWindow(d.window);
  d = Desktop{};
  SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

void ShowNativeWindow() {
  if (!g_desktop.window) return;
  SDL_ShowWindow(g_desktop.window);
  SDL_RaiseWindow(g_desktop.window);
  // The pointer may already rest over the window: learn where before the first move.
  int x = 0;
  int y = 0;
  SDL_PumpEvents();
  if (SDL_GetMouseFocus() == g_desktop.window) {
    SDL_GetMouseState(&x, &y);
    float lx = 0;
    float ly = 0;
    SDL_RenderWindowToLogical(g_desktop.renderer, x, y, &lx, &ly);
    SDL_Event move{};
    move.type = SDL_MOUSEMOTION;
    move.motion.x = static_cast<int>(lx);
    move.motion.y = static_cast<int>(ly);
    g_desktop.input->Translate(move);
  }
}

POINT CursorPos() {
  if (!g_desktop.input || !g_desktop.input->MouseInside()) return POINT{-1, -1};
  return g_desktop.input->LastMousePosition();
}

RECT ClientRect() { return RECT{0, 0, g_desktop.width, g_desktop.height}; }

void SetCursorVisible(bool visible) {
  if (g_videoReady) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void WakeUp() {
  if (!g_videoReady || !g_wakeEvent) return;
  SDL_Event wake{};
  wake.type = g_wakeEvent;
  SDL_PushEvent(&wake);
}

}  // namespace backend

std::uint64_t QueryPerformanceCounter() { return NanosSinceStart(); }
std::uint64_t QueryPerformanceFrequency() { return 1'000'000'000; }
DWORD timeGetTime() { return static_cast<DWORD>(NanosSinceStart() / 1'000'000); }

bool PeekMessage(Message* out) {
  PumpSystemEvents();
  return MessageQueue::Instance().Peek(out);
}

void WaitForInput(unsigned ms) {
  if (ms == 0 || !MessageQueue::Instance().Empty()) return;
  if (g_videoReady) {
    // A post from another thread pushes an event (WakeUp), which ends this wait as input does.
    SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min(ms, kLongestSdlWaitMs)));
  } else if (ms == INFINITE) {
    MessageQueue::Instance().Wait();
  } else {
    MessageQueue::Instance().Wait(std::chrono::milliseconds(ms));
  }
}

namespace backend {

void PresentFrame(const std::uint32_t* pixels, int width, int height, const RECT& changed) {
  Desktop& d = g_desktop;
  if (!d.frame || width != d.width || height != d.height) return;
  // Only what changed is uploaded; a new texture holds nothing yet.
  const RECT all{0, 0, width, height};
  const RECT r = d.uploaded ? changed : all;
  if (EqualRect(r, all)) {
    SDL_UpdateTexture(d.frame, nullptr, pixels, width * 4);
  } else if (!IsRectEmpty(r)) {
    const SDL_Rect area{r.left, r.top, r.right - r.left, r.bottom - r.top};
    SDL_UpdateTexture(d.frame, &area, pixels + static_cast<std::size_t>(r.top) * width + r.left, width * 4);
  }
  d.uploaded = true;
  SDL_SetRenderDrawColor(d.renderer, 0, 0, 0, 255);
  SDL_RenderClear(d.renderer);
  SDL_RenderCopy(d.renderer, d.frame, nullptr, nullptr);
  SDL_RenderPresent(d.renderer);
}

}  // namespace backend

bool GetClientRect(HWND /*window*/, RECT* out) {
  if (!out) return false;
  // Before the window exists a device takes the default back-buffer size.
  *out = g_desktop.width ? RECT{0, 0, g_desktop.width, g_desktop.height} : RECT{0, 0, 800, 600};
  return true;
}

}  // namespace platform
