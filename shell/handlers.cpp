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

namespace {
constexpr std::uint32_t kBlinkIntervalMs = 500;

long RemoveMainWindowTimer(std::uint32_t id) {
  if (IMWindow* window = IMWindow::Instance()) window->RemoveTimer(id);
  return 0;
}

long RemoveTimerOnceCut(std::uint32_t id, const IMConnection& served) {
  if (!served.connected()) RemoveMainWindowTimer(id);
  return 0;
}
}  // namespace

long BlinkControl(IMControl* target, IMControl* /*stopper*/) {
  if (target->IsHidden()) {
    target->Show();
  } else {
    target->Hide();
  }
  return 0;
}

void StartBlinking(IMControl* target, IMControl* stopper) {
  const std::uint32_t id = AddTimerFor(stopper, kBlinkIntervalMs, boost::bind(&BlinkControl, target, stopper));
  target->ConnectOnClose(boost::bind(&RemoveMainWindowTimer, id));
}

std::uint32_t AddTimerFor(IMControl* owner, std::uint32_t intervalMs, const IMTimers::TimerSignal::slot_type& handler) {
  IMWindow* window = IMWindow::Instance();
  const std::uint32_t id = window->AddTimer(intervalMs);
  const IMConnection served = window->ConnectTimer(id, handler);
  // A control closed as part of its parent fires no close signal of its own; it is deleted, and
  // that cuts the handler.
  window->ConnectTimer(id, boost::bind(&RemoveTimerOnceCut, id, served));
  owner->ConnectOnClose(boost::bind(&RemoveMainWindowTimer, id));
  return id;
}

long ScrollPanelTo(int position, IMControl* panel) {
  RECT r = panel->GetRect();
  r.top = -position;
  panel->SetRect(r);
  return 0;
}
