#pragma once
// The X connection under the desktop window: the descriptor the loop waits on, and the display
// going away noted as the session's end rather than ending the process inside Xlib.

struct SDL_Window;

namespace platform::sdl {

// The descriptor of the X connection the window is shown over, with its loss taken over; -1
// where the window is not on X.
int WatchDisplayConnection(SDL_Window* window);

// Runs `talk`, calls into SDL that may talk to the display. Should the display go away meanwhile,
// `talk` ends there and then, inside Xlib, and false is returned, as it is at once after that.
// Nothing `talk` holds may need destroying while it is inside SDL.
bool TalkToDisplay(void (*talk)(void*), void* context);
template <class Talk>
bool TalkToDisplay(Talk&& talk) {
  return TalkToDisplay([](void* context) { (*static_cast<Talk*>(context))(); }, &talk);
}

}  // namespace platform::sdl
