#pragma once
// Turns SDL's events into the window messages the framework expects: client coordinates,
// MK_ flags, double clicks made the way the system makes them, one wheel message per notch,
// virtual-key codes and WM_CHAR with the control characters typing produces.

#include <SDL2/SDL.h>

#include <cstdint>
#include <vector>

#include "framework/platform/platform.h"

namespace platform::sdl {

class InputTranslator {
 public:
  static constexpr std::uint32_t kDoubleClickMs = 500;
  static constexpr int kDoubleClickSlop = 2;  // half of the 4x4 pixel box

  // A full-screen picture owns the whole screen: a pointer in the bars around it acts on the
  // nearest pixel of the client area. A window's outside belongs to the desktop.
  InputTranslator(HWND hwnd, int clientWidth, int clientHeight, bool fullScreen = false)
      : hwnd_(hwnd), width_(clientWidth), height_(clientHeight), fullScreen_(fullScreen) {}

  // The messages one event gives, in order; updates the key state as keys go up and down.
  std::vector<Message> Translate(const SDL_Event& event);

  POINT LastMousePosition() const { return mouse_; }
  bool MouseInside() const { return mouseInside_; }

 private:
  void Mouse(std::vector<Message>& out, const SDL_MouseButtonEvent& e);
  void Wheel(std::vector<Message>& out, const SDL_MouseWheelEvent& e);
  void Key(std::vector<Message>& out, const SDL_KeyboardEvent& e);
  void Text(std::vector<Message>& out, const SDL_TextInputEvent& e);
  void Window(std::vector<Message>& out, const SDL_WindowEvent& e);
  // The pointer is no longer over the client area.
  void Leave(std::vector<Message>& out);
  WPARAM KeyFlags() const;
  // The client position a pointer position acts on; false when it acts on none.
  bool Place(int x, int y, POINT* at) const;
  void Post(std::vector<Message>& out, UINT message, WPARAM wParam, LPARAM lParam) const {
    out.push_back(Message{hwnd_, message, wParam, lParam});
  }

  HWND hwnd_;
  int width_;
  int height_;
  bool fullScreen_;
  POINT mouse_{-1, -1};
  bool mouseInside_ = false;
  WPARAM buttons_ = 0;  // MK_ flags of the held buttons
  std::uint16_t mods_ = 0;
  // The last press that may become half of a double click.
  std::uint8_t lastButton_ = 0;
  std::uint32_t lastDownTime_ = 0;
  POINT lastDown_{};
  float wheel_ = 0.0f;  // precise wheel travel not yet sent, in notches
};

// The virtual-key code for a key, by its position so that layouts do not change letters.
int VirtualKey(SDL_Scancode scancode);

}  // namespace platform::sdl
