#pragma once
// The X connection under the desktop window: the descriptor the loop waits on, and the display
// going away noted as the session's end rather than ending the process inside Xlib.

struct SDL_Window;

namespace platform::sdl {

// The descriptor of the X connection the window is shown over, with its loss taken over; -1
// where the window is not on X or this libX11 offers no way back from a lost connection.
int WatchDisplayConnection(SDL_Window* window);

}  // namespace platform::sdl
