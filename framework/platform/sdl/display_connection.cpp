// Xlib meets a broken connection (the X server ended: logout, shutdown) inside whatever call
// found it, calls the I/O error handler, then, where libX11 has them (1.7 on), the connection's
// exit handler; the default of either exits. Returning is not enough: the call under way may be
// one that waits for an event (SDL's window teardown waits for the unmap), and Xlib would spin
// in it for ever. So every call into SDL that may talk to X runs inside TalkToDisplay, on the
// loop's thread alone (posts from other threads wake the loop through a pipe of ours, not SDL's
// wake-up message), and our I/O handler longjmps back out of Xlib and SDL to it. The display is
// then left exactly as it is: the backend never calls into SDL's video again, nothing more is
// sent, and the loop closes the window as a close does, which saves the rows as any save does.
// An error outside TalkToDisplay (none is expected) returns through the exit handler so that the
// loop still gets to save; a libX11 without exit handlers then exits there, as it always did.
// libX11 is reached through the copy SDL loaded, so the program gains no link to it.

#include "framework/platform/sdl/display_connection.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <dlfcn.h>

#include <csetjmp>

#include "framework/platform/session_end.h"

namespace platform::sdl {

namespace {

using SetIOErrorHandler = XIOErrorHandler (*)(XIOErrorHandler);
using SetIOErrorExitHandler = void (*)(Display*, XIOErrorExitHandler, void*);

Display* g_display = nullptr;
XIOErrorHandler g_previous = nullptr;
std::jmp_buf g_talking;
// Only the loop's thread talks to X; the handler runs on the thread whose call met the error.
thread_local bool g_inTalk = false;

int OnIOError(Display* display) {
  // Another connection of the program's is not ours to keep alive.
  if (display != g_display) return g_previous ? g_previous(display) : 0;
  NoteDisplayLost();
  if (g_inTalk) std::longjmp(g_talking, 1);
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
  // SDL keeps the library loaded while its video lives.
  dlclose(x11);
  if (!setHandler) return -1;
  g_display = info.info.x11.display;
  if (setExitHandler) setExitHandler(g_display, OnIOErrorExit, nullptr);
  const XIOErrorHandler previous = setHandler(OnIOError);
  if (previous != OnIOError) g_previous = previous;
  return ConnectionNumber(g_display);
}

bool TalkToDisplay(void (*talk)(void*), void* context) {
  if (DisplayLost()) return false;
  if (setjmp(g_talking) != 0) {
    g_inTalk = false;
    return false;
  }
  g_inTalk = true;
  talk(context);
  g_inTalk = false;
  return true;
}

}  // namespace platform::sdl
