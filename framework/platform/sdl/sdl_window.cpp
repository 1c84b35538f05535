// The desktop backend: one SDL window shown full screen (or as a normal window), its events
// turned into window messages, and the frames shown letterboxed at the client area's aspect.

#include <SDL2/SDL.h>
#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/platform/backend.h"
#include "framework/platform/device.h"
#include "framework/platform/fonts.h"
#include "framework/platform/message_queue.h"
#include "framework/platform/sdl/display_connection.h"
#include "framework/platform/sdl/letterbox.h"
#include "framework/platform/sdl/sdl_input.h"
#include "framework/platform/session_end.h"
#include "framework/platform/utf.h"
#include "framework/platform/system_window.h"
#include "media/embedded.h"

namespace platform {

namespace {

struct Desktop {
  SDL_Window* window = nullptr;
  // Frames are scaled into the window surface and only the changed part is sent to the display.
  SDL_Surface* surface = nullptr;
  int surfaceWidth = 0;
  int surfaceHeight = 0;
  sdl::PictureScaler scaler;
  // The whole window, bars included, is to be drawn afresh (new, resized or exposed).
  bool repaint = true;
  // Where the display offers no window surface: a renderer, shown whole each frame.
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
// On X the loop waits on the display's connection and this pipe together: posts from other
// threads and signals write a byte to it, so no thread but the loop's ever talks to X.
int g_wakePipe[2] = {-1, -1};
std::atomic<int> g_displayFd{-1};

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

sdl::Letterbox WindowLetterbox() {
  int w = 0;
  int h = 0;
  if (g_desktop.renderer) SDL_GetRendererOutputSize(g_desktop.renderer, &w, &h);
  else SDL_GetWindowSize(g_desktop.window, &w, &h);
  return sdl::FitPicture(w, h, g_desktop.width, g_desktop.height);
}

// Window positions to client positions; the translator decides what the bars act on.
void ToClient(Sint32* x, Sint32* y) {
  const POINT p = sdl::WindowToPicture(WindowLetterbox(), g_desktop.width, g_desktop.height, *x, *y);
  *x = p.x;
  *y = p.y;
}

// Nothing touches SDL's video once the display has gone: its connection is dead.
bool VideoUsable() { return g_videoReady && !DisplayLost(); }

void PumpSystemEvents() {
  if (!VideoUsable()) return;
  SDL_Event event;
  int polled = 0;
  while (sdl::TalkToDisplay([&] { polled = SDL_PollEvent(&event); }) && polled) {
    if (event.type == g_wakeEvent || !g_desktop.input) continue;
    if (event.type == SDL_MOUSEMOTION) ToClient(&event.motion.x, &event.motion.y);
    if (event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP) ToClient(&event.button.x, &event.button.y);
    if (event.type == SDL_WINDOWEVENT &&
        (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED || event.window.event == SDL_WINDOWEVENT_EXPOSED)) {
      g_desktop.repaint = true;
    }
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
  // The display's own window surface: SDL would otherwise put a GL renderer behind it, which
  // costs far more to start and to present than the few pixels a frame changes.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // SIGINT and SIGTERM end the session as SIGHUP does, through the platform's own handlers.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
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
  if (d.window) d.surface = SDL_GetWindowSurface(d.window);
  if (d.window && !d.surface) {
    d.renderer = SDL_CreateRenderer(d.window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!d.renderer) d.renderer = SDL_CreateRenderer(d.window, -1, SDL_RENDERER_SOFTWARE);
    if (d.renderer) {
      d.frame = SDL_CreateTexture(d.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, spec.width,
                                  spec.height);
    }
  }
  if (!d.surface && !d.frame) {
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
  if (g_wakePipe[0] < 0 && pipe2(g_wakePipe, O_NONBLOCK | O_CLOEXEC) != 0) g_wakePipe[0] = g_wakePipe[1] = -1;
  if (g_wakePipe[0] >= 0) g_displayFd = sdl::WatchDisplayConnection(d.window);
  g_videoReady = true;
  return true;
}

void DestroyNativeWindow() {
  Desktop& d = g_desktop;
  g_videoReady = false;
  g_displayFd = -1;
  // A display that went away, before or meanwhile, is left as it is: the process ends soon.
  sdl::TalkToDisplay([&d] {
    if (d.frame) SDL_DestroyTexture(d.frame);
    if (d.renderer) SDL_DestroyRenderer(d.renderer);
    if (d.window) SDL_DestroyWindow(d.window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  });
  d = Desktop{};
}

void ShowNativeWindow() {
  if (!g_desktop.window) return;
  const bool shown = sdl::TalkToDisplay([] {
    SDL_ShowWindow(g_desktop.window);
    SDL_RaiseWindow(g_desktop.window);
    SDL_PumpEvents();
  });
  // The pointer may already rest over the window: learn where before the first move.
  int x = 0;
  int y = 0;
  if (shown && SDL_GetMouseFocus() == g_desktop.window) {
    SDL_GetMouseState(&x, &y);
    SDL_Event move{};
    move.type = SDL_MOUSEMOTION;
    move.motion.x = x;
    move.motion.y = y;
    ToClient(&move.motion.x, &move.motion.y);
    g_desktop.input->Translate(move);
  }
}

POINT CursorPos() {
  if (!g_desktop.input || !g_desktop.input->MouseInside()) return POINT{-1, -1};
  return g_desktop.input->LastMousePosition();
}

RECT ClientRect() { return RECT{0, 0, g_desktop.width, g_desktop.height}; }

void SetCursorVisible(bool visible) {
  if (g_videoReady) sdl::TalkToDisplay([visible] { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); });
}

void WakeUp() {
  if (!g_videoReady) return;
  if (g_displayFd >= 0) return WakeFromSignal();
  if (!g_wakeEvent) return;
  SDL_Event wake{};
  wake.type = g_wakeEvent;
  SDL_PushEvent(&wake);
}

void WakeFromSignal() {
  if (g_wakePipe[1] < 0) return;
  const int saved = errno;
  // A full pipe already wakes the loop.
  [[maybe_unused]] const ssize_t written = write(g_wakePipe[1], "", 1);
  errno = saved;
}

}  // namespace backend

std::uint64_t QueryPerformanceCounter() { return NanosSinceStart(); }
std::uint64_t QueryPerformanceFrequency() { return 1'000'000'000; }
DWORD timeGetTime() { return static_cast<DWORD>(NanosSinceStart() / 1'000'000); }

bool PeekMessage(Message* out) {
  PumpSystemEvents();
  PostSessionEnd();
  return MessageQueue::Instance().Peek(out);
}

namespace {

void WaitOnDisplay(int fd, unsigned ms) {
  // What SDL has already read off the connection would not show on it.
  if (!sdl::TalkToDisplay([] { SDL_PumpEvents(); }) || SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
  pollfd waits[] = {{fd, POLLIN, 0}, {g_wakePipe[0], POLLIN, 0}};
  poll(waits, 2, static_cast<int>(ms));
  char drained[64];
  while (read(g_wakePipe[0], drained, sizeof drained) > 0) {
  }
}

}  // namespace

void WaitForInput(unsigned ms) {
  if (ms == 0 || !MessageQueue::Instance().Empty()) return;
  if (const int fd = g_displayFd; VideoUsable() && fd >= 0) {
    WaitOnDisplay(fd, std::min(ms, kLongestSdlWaitMs));
  } else if (VideoUsable()) {
    // A post from another thread pushes an event (WakeUp), which ends this wait as input does.
    sdl::TalkToDisplay([ms] { SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min(ms, kLongestSdlWaitMs))); });
  } else if (ms == INFINITE) {
    MessageQueue::Instance().Wait();
  } else {
    MessageQueue::Instance().Wait(std::chrono::milliseconds(ms));
  }
}

namespace backend {

namespace {

bool DirectlyWritable(const SDL_PixelFormat* f) {
  return f->BytesPerPixel == 4 && f->Rmask == 0x00FF0000u && f->Gmask == 0x0000FF00u && f->Bmask == 0x000000FFu;
}

void PresentOnSurface(const std::uint32_t* pixels, const RECT& changed) {
  Desktop& d = g_desktop;
  // Valid until the window is resized; SDL then makes a new one.
  SDL_Surface* surface = nullptr;
  if (!sdl::TalkToDisplay([&] { surface = SDL_GetWindowSurface(d.window); }) || !surface) return;
  if (surface != d.surface || surface->w != d.surfaceWidth || surface->h != d.surfaceHeight) d.repaint = true;
  d.surface = surface;
  d.surfaceWidth = surface->w;
  d.surfaceHeight = surface->h;
  const bool whole = d.repaint;
  if (whole) d.scaler.Reset(sdl::FitPicture(surface->w, surface->h, d.width, d.height), d.width, d.height);
  const sdl::Letterbox& box = d.scaler.Box();
  const SDL_Rect area = whole ? SDL_Rect{box.x, box.y, box.width, box.height} : d.scaler.Affected(changed);
  if (SDL_RectEmpty(&area) && !whole) return;
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
  if (whole) SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
  auto* at = static_cast<std::uint8_t*>(surface->pixels) + static_cast<std::ptrdiff_t>(area.y) * surface->pitch +
             area.x * surface->format->BytesPerPixel;
  if (DirectlyWritable(surface->format)) {
    d.scaler.Scale(pixels, area, at, surface->pitch);
  } else {
    std::vector<std::uint32_t> scaled(static_cast<std::size_t>(area.w) * area.h);
    d.scaler.Scale(pixels, area, scaled.data(), area.w * 4);
    SDL_ConvertPixels(area.w, area.h, SDL_PIXELFORMAT_ARGB8888, scaled.data(), area.w * 4, surface->format->format, at,
                      surface->pitch);
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  sdl::TalkToDisplay([&] {
    if (whole) SDL_UpdateWindowSurface(d.window);
    else SDL_UpdateWindowSurfaceRects(d.window, &area, 1);
  });
  d.repaint = false;
}

}  // namespace

void PresentFrame(const std::uint32_t* pixels, int width, int height, const RECT& changed) {
  Desktop& d = g_desktop;
  if (width != d.width || height != d.height || DisplayLost()) return;
  if (d.surface) {
    PresentOnSurface(pixels, changed);
    return;
  }
  if (!d.frame) return;
  sdl::TalkToDisplay([&] {
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
    const sdl::Letterbox box = WindowLetterbox();
    const SDL_Rect place{box.x, box.y, box.width, box.height};
    SDL_RenderCopy(d.renderer, d.frame, nullptr, &place);
    SDL_RenderPresent(d.renderer);
  });
}

}  // namespace backend

bool GetClientRect(HWND /*window*/, RECT* out) {
  if (!out) return false;
  // Before the window exists a device takes the default back-buffer size.
  *out = g_desktop.width ? RECT{0, 0, g_desktop.width, g_desktop.height} : RECT{0, 0, 800, 600};
  return true;
}

}  // namespace platform
