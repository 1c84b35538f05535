#include "shell/handlers.h"

#include <boost/bind/bind.hpp>

#include "framework/platform/platform.h"
#include "framework/window/window.h"

long RestoreCursorAndClear(bool* flag, int n) {
  if (n >= 0) {
    for (int i = 0; i <= n; ++i) platform::ShowCursor(false);
  }
  *flag = false;
  return 0;
}

namespace {
long CloseOnKey(const IMKeyboardEvent& e, WPARAM key, IMControl* target, bool* flag) {
  if (e.wParam == key) {
    target->Close();
    *flag = false;
  }
  return 0;
}
}  // namespace

long CloseOnSpaceKey(const IMKeyboardEvent& e, IMControl* target, bool* flag) {
  return CloseOnKey(e, VK_SPACE, target, flag);
}

long CloseOnEscapeKey(const IMKeyboardEvent& e, IMControl* target, bool* flag) {
  return CloseOnKey(e, VK_ESCAPE, target, flag);
}

long CloseOnAnyKey(IMControl* target, bool* flag) {
  target->Close();
  *flag = false;
  return 0;
}

long BlinkControl(std::uint32_t timerId, IMControl* target, IMControl* stopper) {
  IMWindow* window = IMWindow::Instance();
  window->RemoveTimer(timerId);
  if (stopper->IsDestroyed()) return 0;
  if (target->IsHidden()) {
    target->Show();
  } else {
    target->Hide();
  }
  std::uint32_t next = window->AddTimer(500);
  // Bound to the controls, so the blinking stops when either of them is deleted.
  window->ConnectTimer(next, boost::bind(&BlinkControl, next, target, stopper));
  return 0;
}

long ScrollPanelTo(int position, IMControl* panel) {
  RECT r = panel->GetRect();
  r.top = -position;
  panel->SetRect(r);
  return 0;
}
