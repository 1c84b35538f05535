#pragma once
// Event values passed through the control tree by const reference.

#include "framework/platform/win_types.h"

class IMControl;

// The framework's own event codes (the others are the Windows message numbers).
constexpr UINT IM_EVENT_NONE = 0x00;
constexpr UINT IM_EVENT_DRAW = 0x0F;
constexpr UINT IM_EVENT_CLOSE = 0x10;
constexpr UINT IM_EVENT_UPDATE = 0x10;
constexpr UINT IM_EVENT_SETFOCUS = 0x11;
constexpr UINT IM_EVENT_KILLFOCUS = 0x12;
constexpr UINT IM_EVENT_MOUSEENTER = 0x20B;
constexpr UINT IM_EVENT_LCLICK = 0x20C;
constexpr UINT IM_EVENT_RCLICK = 0x20D;
constexpr UINT IM_EVENT_MCLICK = 0x20E;
constexpr UINT IM_EVENT_MOUSELEAVE = 0x2A3;

class IMEvent {
 public:
  IMEvent(IMControl* sender, UINT message) : sender(sender), message(message) {}
  virtual ~IMEvent() = default;
  IMEvent(const IMEvent&) = default;
  IMEvent& operator=(const IMEvent&) = default;

  virtual bool Is(UINT code) const { return message == code; }

  IMControl* sender;
  UINT message;
};

class IMWindowsEvent : public IMEvent {
 public:
  IMWindowsEvent(IMControl* sender, UINT message, WPARAM wParam, LPARAM lParam)
      : IMEvent(sender, message), wParam(wParam), lParam(lParam) {}

  bool Is(UINT code) const override { return message == code; }

  WPARAM wParam;
  LPARAM lParam;
};

class IMKeyboardEvent : public IMWindowsEvent {
 public:
  IMKeyboardEvent(IMControl* sender, UINT message, WPARAM wParam, LPARAM lParam)
      : IMWindowsEvent(sender, message, wParam, lParam) {}

  bool Is(UINT code) const override { return message == code; }
  virtual bool IsMessage(UINT code) const { return message == code; }
};

class IMMouseEvent : public IMWindowsEvent {
 public:
  // x, y are in the coordinates of the receiving control's parent; lParam is always 0.
  IMMouseEvent(IMControl* sender, UINT message, WPARAM wParam, int x, int y)
      : IMWindowsEvent(sender, message, wParam, 0), x(x), y(y) {}

  bool Is(UINT code) const override { return message == code; }
  virtual bool IsMessage(UINT code) const { return message == code; }

  int x;
  int y;
};
