#include "framework/window/control.h"

#include <utility>

#include "framework/controls/dialog.h"

namespace {
std::uint32_t g_nextControlId = 0;
std::size_t g_liveControls = 0;
// Counts the releases that left no button held. A control that lost its press to a drag notes
// the count, so on re-entry it can tell whether that press has ended somewhere else meanwhile.
std::uint32_t g_pressesEnded = 0;
RECT g_damage{};

bool IsButtonHeld(const IMMouseEvent& e) {
  if (e.IsMessage(WM_MOUSEWHEEL)) {
    // The wheel's low word carries the key flags; only a lone button counts as held.
    WORD keys = LOWORD(e.wParam);
    return keys == MK_LBUTTON || keys == MK_RBUTTON || keys == MK_MBUTTON;
  }
  return (e.wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0;
}
}  // namespace

IMControl::IMControl(IMDialog* parent, int layer) : parent_(parent), id_(g_nextControlId++) {
  ++g_liveControls;
  if (parent_) IMDialog::AddChild(parent_, this, layer);
}

IMControl::~IMControl() {
  --g_liveControls;
  // What it showed stays on the screen until drawn over.
  AddDamage(shown_);
}

void IMControl::AddDamage(const RECT& screen) { g_damage = UnionRect(g_damage, screen); }

RECT IMControl::TakeDamage() { return std::exchange(g_damage, RECT{}); }

void IMControl::CollectDamage(const RECT& clip, POINT origin, RECT* damage) {
  RECT now{};
  // A control without a parent is never drawn.
  if (!hidden_ && parent_) IntersectRect(&now, OffsetRect(GetBounds(), origin.x, origin.y), clip);
  if (IsChanged() || !EqualRect(now, shown_)) *damage = UnionRect(*damage, UnionRect(shown_, now));
  shown_ = now;
}

std::size_t IMControl::LiveCount() { return g_liveControls; }

long IMControl::SetFocus(bool focus) {
  if (!focusable_ || focus == focused_) return 0;
  if (focus) return OnSetFocus(IMEvent(this, IM_EVENT_SETFOCUS));
  return OnKillFocus(IMEvent(this, IM_EVENT_KILLFOCUS));
}

long IMControl::Disable() {
  IMFire(DisableSignal, IMEvent(this, IM_EVENT_NONE));
  enabled_ = false;
  return 0;
}

long IMControl::Enable() {
  IMFire(EnableSignal, IMEvent(this, IM_EVENT_NONE));
  enabled_ = true;
  return 0;
}

long IMControl::Hide() {
  IMFire(HideSignal, IMEvent(this, IM_EVENT_NONE));
  hidden_ = true;
  return 0;
}

long IMControl::Show() {
  IMFire(ShowSignal, IMEvent(this, IM_EVENT_NONE));
  hidden_ = false;
  return 0;
}

long IMControl::Close() {
  IMEvent e(this, IM_EVENT_CLOSE);
  IMFire(CloseSignal, e);
  return OnClose(e);
}

void IMControl::SetChanged(bool changed) {
  if (!changed) return;
  IMFire(ChangeSignal, IMEvent(this, IM_EVENT_NONE));
  if (parent_) {
    POINT last = parent_->GetLastMousePoint();
    IMDialog::UpdateHover(parent_, IMMouseEvent(this, WM_MOUSEMOVE, 0, last.x, last.y));
  }
}

long IMControl::OnMouseMove(const IMMouseEvent& e) {
  IMFire(MouseMoveSignal, IMMouseEvent(this, e.message, e.wParam, e.x, e.y));
  return 0;
}

long IMControl::OnMouseButton(const IMMouseEvent& e) {
  if (pressed_) {
    UINT click = e.IsMessage(WM_LBUTTONUP)   ? IM_EVENT_LCLICK
                 : e.IsMessage(WM_RBUTTONUP) ? IM_EVENT_RCLICK
                 : e.IsMessage(WM_MBUTTONUP) ? IM_EVENT_MCLICK
                                             : 0;
    if (click != 0 && enabled_) IMFire(ClickSignal, IMMouseEvent(this, click, e.wParam, e.x, e.y));
  }
  pressed_ = IsButtonHeld(e);
  bool release = e.IsMessage(WM_LBUTTONUP) || e.IsMessage(WM_RBUTTONUP) || e.IsMessage(WM_MBUTTONUP);
  if (release && !pressed_) ++g_pressesEnded;
  IMMouseEvent own(this, e.message, e.wParam, e.x, e.y);
  if (enabled_) IMFire(MouseButtonSignal, own);
  if (e.IsMessage(WM_LBUTTONDBLCLK) && enabled_) IMFire(DoubleClickSignal, own);
  return 0;
}

long IMControl::Click(const IMMouseEvent& e) {
  IMFire(ClickSignal, IMMouseEvent(this, e.message, e.wParam, e.x, e.y));
  return 0;
}

long IMControl::OnMouseEnter(const IMMouseEvent& e) {
  hovered_ = true;
  // A press that left with the pointer is taken up again when it comes back still held, so
  // press, drag off, drag back and release is a click. The move carries the held buttons; a
  // release elsewhere since then ended that press, and a button now held belongs to another.
  if (pressLeft_) pressed_ = pressLeftAt_ == g_pressesEnded && IsButtonHeld(e);
  pressLeft_ = false;
  IMFire(MouseEnterSignal, IMMouseEvent(this, e.message, e.wParam, e.x, e.y));
  return 0;
}

long IMControl::OnMouseLeave(const IMMouseEvent& e) {
  hovered_ = false;
  // A press that began here and ends elsewhere must not become a click on a later release.
  pressLeft_ = pressed_;
  pressLeftAt_ = g_pressesEnded;
  pressed_ = false;
  IMFire(MouseLeaveSignal, IMMouseEvent(this, e.message, e.wParam, e.x, e.y));
  return 0;
}

long IMControl::OnKeyboard(const IMKeyboardEvent& e) {
  IMKeyboardEvent own(this, e.message, e.wParam, e.lParam);
  if (e.IsMessage(WM_KEYDOWN) || e.IsMessage(WM_SYSKEYDOWN)) IMFire(KeyDownSignal, own);
  if (e.IsMessage(WM_KEYUP) || e.IsMessage(WM_SYSKEYUP)) IMFire(KeyUpSignal, own);
  IMFire(KeySignal, own);
  return 0;
}

long IMControl::Draw(const IMEvent&) {
  DrawView();
  SetChanged(false);
  IMFire(DrawSignal, IMEvent(this, IM_EVENT_DRAW));
  return 0;
}

long IMControl::Update(const IMEvent&) {
  OnUpdate();
  IMFire(UpdateSignal, IMEvent(this, IM_EVENT_UPDATE));
  return 0;
}

long IMControl::OnClose(const IMEvent&) { return Destroy(); }

long IMControl::OnSetFocus(const IMEvent&) {
  if (!focusable_) return 0;
  focused_ = true;
  IMFire(FocusSignal, IMEvent(this, IM_EVENT_SETFOCUS));
  return 0;
}

long IMControl::OnKillFocus(const IMEvent&) {
  if (!focusable_) return 0;
  focused_ = false;
  IMFire(KillFocusSignal, IMEvent(this, IM_EVENT_KILLFOCUS));
  return 0;
}

long IMControl::Destroy() {
  // The focus signals stay connected: the parent's focus bookkeeping still needs them.
  DrawSignal.disconnect_all_slots();
  CloseSignal.disconnect_all_slots();
  UpdateSignal.disconnect_all_slots();
  DisableSignal.disconnect_all_slots();
  EnableSignal.disconnect_all_slots();
  HideSignal.disconnect_all_slots();
  ShowSignal.disconnect_all_slots();
  MouseMoveSignal.disconnect_all_slots();
  MouseButtonSignal.disconnect_all_slots();
  ClickSignal.disconnect_all_slots();
  MouseEnterSignal.disconnect_all_slots();
  MouseLeaveSignal.disconnect_all_slots();
  DoubleClickSignal.disconnect_all_slots();
  KeySignal.disconnect_all_slots();
  KeyDownSignal.disconnect_all_slots();
  KeyUpSignal.disconnect_all_slots();
  ChangeSignal.disconnect_all_slots();
  if (parent_) IMDialog::RemoveChild(parent_, this);
  return 0;
}

IMConnection IMControl::ConnectOnClose(const EventSignal::slot_type& slot) { return CloseSignal.connect(slot); }
IMConnection IMControl::ConnectOnDisable(const EventSignal::slot_type& slot) { return DisableSignal.connect(slot); }
IMConnection IMControl::ConnectOnEnable(const EventSignal::slot_type& slot) { return EnableSignal.connect(slot); }
IMConnection IMControl::ConnectOnHide(const EventSignal::slot_type& slot) { return HideSignal.connect(slot); }
IMConnection IMControl::ConnectOnShow(const EventSignal::slot_type& slot) { return ShowSignal.connect(slot); }
IMConnection IMControl::ConnectOnChange(const EventSignal::slot_type& slot) { return ChangeSignal.connect(slot); }
IMConnection IMControl::ConnectOnFocus(const EventSignal::slot_type& slot) { return FocusSignal.connect(slot); }
IMConnection IMControl::ConnectOnKillFocus(const EventSignal::slot_type& slot) { return KillFocusSignal.connect(slot); }
IMConnection IMControl::ConnectOnMouse(const MouseSignal::slot_type& slot) { return MouseButtonSignal.connect(slot); }
IMConnection IMControl::ConnectOnMouseEnter(const MouseSignal::slot_type& slot) { return MouseEnterSignal.connect(slot); }
IMConnection IMControl::ConnectOnMouseLeave(const MouseSignal::slot_type& slot) { return MouseLeaveSignal.connect(slot); }
IMConnection IMControl::ConnectOnClick(const MouseSignal::slot_type& slot) { return ClickSignal.connect(slot); }
IMConnection IMControl::ConnectOnKey(const KeyboardSignal::slot_type& slot) { return KeySignal.connect(slot); }
IMConnection IMControl::ConnectOnKeyDown(const KeyboardSignal::slot_type& slot) { return KeyDownSignal.connect(slot); }
