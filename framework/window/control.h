#pragma once
// The base of every control, dialog and of the main window.

#include <cstddef>

#include "framework/platform/win_types.h"
#include "framework/window/events.h"
#include "framework/window/signals.h"

class IMEmptyView;
template <class V>
class IMDialogBase;
using IMDialog = IMDialogBase<IMEmptyView>;

class IMControl : public IMTrackable {
 public:
  using EventSignal = IMSignal<IMEvent>;
  using MouseSignal = IMSignal<IMMouseEvent>;
  using KeyboardSignal = IMSignal<IMKeyboardEvent>;

  IMControl(IMDialog* parent, int layer);
  IMControl(const IMControl&) = delete;
  IMControl& operator=(const IMControl&) = delete;
  virtual ~IMControl();

  virtual void EmptyHook() {}
  virtual long SetFocus(bool focus);
  virtual long Disable();
  virtual long Enable();
  virtual long Hide();
  virtual long Show();
  virtual long Close();
  virtual void SetChanged(bool changed);
  virtual bool IsChanged() const = 0;
  virtual bool IsFocusable() const { return focusable_; }
  virtual void SetFocusable(bool focusable) { focusable_ = focusable; }
  virtual bool IsEnabled() const { return enabled_; }
  virtual bool IsHidden() const { return hidden_; }
  virtual bool IsHovered() const { return hovered_; }
  virtual bool IsPressed() const { return pressed_; }
  virtual bool IsDestroyed() const { return destroyed_; }
  virtual bool IsFocused() const { return focused_; }
  virtual bool HitTest(int x, int y) const = 0;
  virtual long OnMouseMove(const IMMouseEvent& e);
  virtual long OnMouseButton(const IMMouseEvent& e);
  virtual long Click(const IMMouseEvent& e);
  virtual long OnMouseEnter(const IMMouseEvent& e);
  virtual long OnMouseLeave(const IMMouseEvent& e);
  virtual long OnKeyboard(const IMKeyboardEvent& e);
  virtual long Draw(const IMEvent& e);
  virtual long Update(const IMEvent& e);
  virtual long OnClose(const IMEvent& e);
  virtual long OnSetFocus(const IMEvent& e);
  virtual long OnKillFocus(const IMEvent& e);
  virtual void SetRect(const RECT& rect) = 0;
  virtual RECT GetRect() const = 0;
  virtual long Destroy();
  virtual void DrawView() = 0;
  virtual void OnUpdate() {}

  // Where the control may draw, in its parent's coordinates: its rectangle unless its view
  // reaches beyond it.
  virtual RECT GetBounds() const { return GetRect(); }
  // Adds to *damage what the next frame must draw again for this control, in screen
  // coordinates: where it showed at the last frame and where it shows now, when it changed or
  // moved. clip and origin are its parent's, on the screen.
  virtual void CollectDamage(const RECT& clip, POINT origin, RECT* damage);
  // Where it showed at the last frame, on the screen, clipped by its dialogs; empty when hidden.
  RECT GetShownRect() const { return shown_; }
  // Screen areas to draw again that no control reports any more: closed controls, restacked ones.
  static void AddDamage(const RECT& screen);
  static RECT TakeDamage();

  IMConnection ConnectOnClose(const EventSignal::slot_type& slot);
  IMConnection ConnectOnDisable(const EventSignal::slot_type& slot);
  IMConnection ConnectOnEnable(const EventSignal::slot_type& slot);
  IMConnection ConnectOnHide(const EventSignal::slot_type& slot);
  IMConnection ConnectOnShow(const EventSignal::slot_type& slot);
  IMConnection ConnectOnChange(const EventSignal::slot_type& slot);
  IMConnection ConnectOnFocus(const EventSignal::slot_type& slot);
  IMConnection ConnectOnKillFocus(const EventSignal::slot_type& slot);
  IMConnection ConnectOnMouse(const MouseSignal::slot_type& slot);
  IMConnection ConnectOnMouseEnter(const MouseSignal::slot_type& slot);
  IMConnection ConnectOnMouseLeave(const MouseSignal::slot_type& slot);
  IMConnection ConnectOnClick(const MouseSignal::slot_type& slot);
  IMConnection ConnectOnKey(const KeyboardSignal::slot_type& slot);
  IMConnection ConnectOnKeyDown(const KeyboardSignal::slot_type& slot);

  IMDialog* GetParent() const { return parent_; }
  // Controls constructed and not yet deleted, in the whole program.
  static std::size_t LiveCount();
  std::uint32_t GetId() const { return id_; }

  // The framework's own classes connect to these directly; the order is the fixed one.
  EventSignal DrawSignal;
  EventSignal CloseSignal;
  EventSignal UpdateSignal;
  EventSignal DisableSignal;
  EventSignal EnableSignal;
  EventSignal HideSignal;
  EventSignal ShowSignal;
  EventSignal ChangeSignal;
  EventSignal FocusSignal;
  EventSignal KillFocusSignal;
  MouseSignal MouseMoveSignal;
  MouseSignal MouseButtonSignal;
  MouseSignal ClickSignal;
  MouseSignal MouseEnterSignal;
  MouseSignal MouseLeaveSignal;
  MouseSignal DoubleClickSignal;
  KeyboardSignal KeySignal;
  KeyboardSignal KeyDownSignal;
  KeyboardSignal KeyUpSignal;

 protected:
  IMDialog* parent_;
  bool hovered_ = false;
  bool pressed_ = false;
  // The pointer left while pressed_ was set.
  bool pressLeft_ = false;
  std::uint32_t pressLeftAt_ = 0;
  bool enabled_ = true;
  bool hidden_ = false;
  bool focused_ = false;
  bool destroyed_ = false;
  bool focusable_ = false;
  std::uint32_t id_;
  RECT shown_{};
};
