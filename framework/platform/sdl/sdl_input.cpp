#include "framework/platform/sdl/sdl_input.h"

#include <algorithm>
#include <cstdlib>

#include "framework/platform/utf.h"

namespace platform::sdl {

namespace {

WPARAM ButtonFlag(std::uint8_t button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return MK_LBUTTON;
    case SDL_BUTTON_RIGHT: return MK_RBUTTON;
    case SDL_BUTTON_MIDDLE: return MK_MBUTTON;
    default: return 0;
  }
}

UINT ButtonMessage(std::uint8_t button, bool down, bool twice) {
  UINT base = button == SDL_BUTTON_LEFT ? WM_LBUTTONDOWN : button == SDL_BUTTON_RIGHT ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
  return down ? (twice ? base + 2 : base) : base + 1;
}

}  // namespace

int VirtualKey(SDL_Scancode sc) {
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return VK_F1 + (sc - SDL_SCANCODE_F1);
  if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return VK_NUMPAD0 + 1 + (sc - SDL_SCANCODE_KP_1);
  switch (sc) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return VK_MENU;
    case SDL_SCANCODE_SEMICOLON: return 0xBA;
    case SDL_SCANCODE_EQUALS: return 0xBB;
    case SDL_SCANCODE_COMMA: return 0xBC;
    case SDL_SCANCODE_MINUS: return 0xBD;
    case SDL_SCANCODE_PERIOD: return 0xBE;
    case SDL_SCANCODE_SLASH: return 0xBF;
    case SDL_SCANCODE_GRAVE: return 0xC0;
    case SDL_SCANCODE_LEFTBRACKET: return 0xDB;
    case SDL_SCANCODE_BACKSLASH: return 0xDC;
    case SDL_SCANCODE_RIGHTBRACKET: return 0xDD;
    case SDL_SCANCODE_APOSTROPHE: return 0xDE;
    default: return 0;
  }
}

std::vector<Message> InputTranslator::Translate(const SDL_Event& event) {
  std::vector<Message> out;
  switch (event.type) {
    case SDL_MOUSEMOTION: {
      POINT at;
      // Moves outside the client area reach no one (the desktop grab would deliver them).
      if (!Place(event.motion.x, event.motion.y, &at)) {
        Leave(out);
        break;
      }
      mouseInside_ = true;
      mouse_ = at;
      Post(out, WM_MOUSEMOVE, KeyFlags(), MAKELPARAM(at.x, at.y));
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      Mouse(out, event.button);
      break;
    case SDL_MOUSEWHEEL:
      Wheel(out, event.wheel);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      Key(out, event.key);
      break;
    case SDL_TEXTINPUT:
      Text(out, event.text);
      break;
    case SDL_WINDOWEVENT:
      Window(out, event.window);
      break;
    case SDL_QUIT:
      Post(out, WM_CLOSE, 0, 0);
      break;
    default:
      break;
  }
  return out;
}

bool InputTranslator::Place(int x, int y, POINT* at) const {
  if (!fullScreen_ && (x < 0 || y < 0 || x >= width_ || y >= height_)) return false;
  *at = POINT{std::clamp(x, 0, width_ - 1), std::clamp(y, 0, height_ - 1)};
  return true;
}

void InputTranslator::Leave(std::vector<Message>& out) {
  // The loop may be asleep: the leave must wake it, so that its idle pass notices.
  if (mouseInside_) Post(out, WM_MOUSELEAVE, 0, 0);
  mouseInside_ = false;
}

WPARAM InputTranslator::KeyFlags() const {
  WPARAM flags = buttons_;
  if (mods_ & KMOD_SHIFT) flags |= MK_SHIFT;
  if (mods_ & KMOD_CTRL) flags |= MK_CONTROL;
  return flags;
}

void InputTranslator::Mouse(std::vector<Message>& out, const SDL_MouseButtonEvent& e) {
  WPARAM flag = ButtonFlag(e.button);
  if (!flag) return;  // extra buttons are never passed on
  bool down = e.type == SDL_MOUSEBUTTONDOWN;
  if (down) {
    buttons_ |= flag;
  } else {
    buttons_ &= ~flag;
  }
  POINT at;
  if (!Place(e.x, e.y, &at)) return;
  mouse_ = at;
  bool twice = false;
  if (down) {
    twice = e.button == lastButton_ && e.timestamp - lastDownTime_ <= kDoubleClickMs &&
            std::abs(at.x - lastDown_.x) <= kDoubleClickSlop && std::abs(at.y - lastDown_.y) <= kDoubleClickSlop;
    // A double click completes the pair: the next press starts a new one.
    lastButton_ = twice ? 0 : e.button;
    lastDownTime_ = e.timestamp;
    lastDown_ = at;
  }
  Post(out, ButtonMessage(e.button, down, twice), KeyFlags(), MAKELPARAM(at.x, at.y));
}

void InputTranslator::Wheel(std::vector<Message>& out, const SDL_MouseWheelEvent& e) {
  float notches = e.preciseY;
  if (notches == 0.0f) notches = static_cast<float>(e.y);
  if (e.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
  if ((notches > 0) != (wheel_ > 0)) wheel_ = 0.0f;  // a turn back starts afresh
  wheel_ += notches;
  while (wheel_ >= 1.0f || wheel_ <= -1.0f) {
    int delta = wheel_ > 0 ? WHEEL_DELTA : -WHEEL_DELTA;
    wheel_ -= wheel_ > 0 ? 1.0f : -1.0f;
    Post(out, WM_MOUSEWHEEL, MAKEWPARAM(KeyFlags(), static_cast<std::uint32_t>(delta)),
         MAKELPARAM(mouse_.x, mouse_.y));
  }
}

void InputTranslator::Key(std::vector<Message>& out, const SDL_KeyboardEvent& e) {
  bool down = e.type == SDL_KEYDOWN;
  mods_ = e.keysym.mod;
  int vk = VirtualKey(e.keysym.scancode);
  if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU) {
    // The modifier's own event does not yet show it in the state it carries.
    SDL_Keymod own = vk == VK_SHIFT ? KMOD_SHIFT : vk == VK_CONTROL ? KMOD_CTRL : KMOD_ALT;
    mods_ = down ? (mods_ | own) : (mods_ & ~own);
  }
  if (vk == 0) return;
  SetAsyncKeyState(vk, down);
  bool alt = (mods_ & KMOD_ALT) != 0;
  bool ctrl = (mods_ & KMOD_CTRL) != 0;
  bool system = alt || vk == VK_F10;

  auto lParam = static_cast<std::uint32_t>(1 | (static_cast<std::uint32_t>(e.keysym.scancode & 0xFF) << 16));
  if (alt) lParam |= 1u << 29;
  if (e.repeat || !down) lParam |= 1u << 30;
  if (!down) lParam |= 1u << 31;
  UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  Post(out, message, static_cast<WPARAM>(vk), static_cast<LPARAM>(lParam));
  if (!down || system) return;

  // Characters typing produces that the text events do not carry.
  int ch = 0;
  if (vk == VK_BACK) ch = ctrl ? 0x7F : 8;
  else if (vk == VK_TAB && !ctrl) ch = 9;
  else if (vk == VK_RETURN) ch = ctrl ? 10 : 13;
  else if (vk == VK_ESCAPE) ch = 27;
  else if (ctrl && vk >= 'A' && vk <= 'Z') ch = vk - 'A' + 1;
  if (ch) Post(out, WM_CHAR, static_cast<WPARAM>(ch), static_cast<LPARAM>(lParam));
}

void InputTranslator::Text(std::vector<Message>& out, const SDL_TextInputEvent& e) {
  // With Ctrl or Alt held the key already produced its message (or none, as Alt text is lost).
  if (mods_ & (KMOD_CTRL | KMOD_LALT)) return;
  for (wchar_t c : FromUtf8(e.text)) {
    if (static_cast<std::uint32_t>(c) < 0x20) continue;
    std::u16string units;
    AppendUtf16(units, c);
    for (char16_t unit : units) Post(out, WM_CHAR, unit, 1);
  }
}

void InputTranslator::Window(std::vector<Message>& out, const SDL_WindowEvent& e) {
  switch (e.event) {
    case SDL_WINDOWEVENT_SHOWN: Post(out, WM_SHOWWINDOW, 1, 0); break;
    case SDL_WINDOWEVENT_HIDDEN: Post(out, WM_SHOWWINDOW, 0, 0); break;
    case SDL_WINDOWEVENT_MINIMIZED: Post(out, WM_SIZE, SIZE_MINIMIZED, 0); break;
    case SDL_WINDOWEVENT_MAXIMIZED: Post(out, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(width_, height_)); break;
    case SDL_WINDOWEVENT_RESTORED: Post(out, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width_, height_)); break;
    // A resized window has a new surface with nothing on it yet.
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_EXPOSED: Post(out, WM_PAINT, 0, 0); break;
    case SDL_WINDOWEVENT_CLOSE: Post(out, WM_CLOSE, 0, 0); break;
    case SDL_WINDOWEVENT_LEAVE: Leave(out); break;
    default: break;
  }
}

}  // namespace platform::sdl
