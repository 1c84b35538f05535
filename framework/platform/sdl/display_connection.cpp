// Xlib meets a broken connection (the X server ended: logout, shutdown) inside whatever call
// found it, calls the I/O error handler, then the connection's exit handler, and by default
// exits in the first. Where libX11 has exit handlers (1.7 on), both of ours return: the call
// under way returns with the connection marked broken, Xlib sends nothing more on it, and the
// backend, finding the display lost once SDL returns, never calls into SDL's video again; the
// loop then closes the window as a close does, which saves the rows, and the save is bounded as
// every save is. Only the loop's thread talks to X (posts from other threads wake it through a
// pipe of ours, not SDL's wake-up message), so the loss is always met there. An older libX11
// offers no way back short of a longjmp out of Xlib and SDL, which would leave their state and
// locks half-changed: there Xlib ends the program as it always did.
// libX11 is reached through the copy SDL loaded, so the program gains no link to it.

#include "framework/platform/sdl/display_connection.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <dlfcn.h>

#include "framework/platform/session_end.h"

namespace platform::sdl {

namespace {

using SetIOErrorHandler = XIOErrorHandler (*)(XIOErrorHandler);
using SetIOErrorExitHandler = void (*)(Display*, XIOErrorExitHandler, void*);

Display* g_display = nullptr;
XIOErrorHandler g_previous = nullptr;

int OnIOError(Display* display) {
  // Another connection of the program's is not ours to keep alive.
  if (display != g_display) return g_previous ? g_previous(display) : 0;
  NoteDisplayLost();
  return 0;
}

void OnIOErrorExit(Display*, void*) {}

}  // namespace

int WatchDisplayConnection(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display) return -1;
  void* x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  if (!x11) return -1;
  auto setHandler = reinterpret_cast<SetIOErrorHandler>(dlsym(x11, "XSetIOErrorHandler"));
  auto setExitHandler = reinterpret_cast<SetIOErrorExitHandler>(dlsym(x11, "XSetIOErrorExitHandler"));
  // SDL keeps the library loaded while the window lives.
  dlclose(x11);
  if (!setHandler || !setExitHandler) return -1;
  g_display = info.info.x11.display;
  setExitHandler(g_display, OnIOErrorExit, nullptr);
  const XIOErrorHandler previous = setHandler(OnIOError);
  if (previous != OnIOError) g_previous = previous;
  return ConnectionNumber(g_display);
}

}  // namespace platform::sdl
