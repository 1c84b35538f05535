#pragma once
// A control joined with one view: the two halves share one rectangle and one changed flag,
// so a geometry change through either side reaches the control's SetRect and SetChanged.

#include <string>

#include "framework/views/view.h"
#include "framework/window/control.h"

template <class V>
class IMViewControl : public IMControl, public V {
 public:
  IMViewControl(IMDialog* parent, int layer) : IMControl(parent, layer), V() {}

  using IMControl::Draw;
  using V::Draw;
  using IMControl::HitTest;
  using V::HitTest;

  long Disable() override { return Changed(IMControl::Disable()); }
  long Enable() override { return Changed(IMControl::Enable()); }
  long Hide() override { return Changed(IMControl::Hide()); }
  long Show() override { return Changed(IMControl::Show()); }

  void SetChanged(bool value) override {
    this->changed = value;
    IMControl::SetChanged(value);
  }
  bool IsChanged() const override { return this->changed; }

  void SetRect(const RECT& r) override {
    if (EqualRect(r, this->rect)) return;
    this->rect = r;
    SetChanged(true);
  }
  RECT GetRect() const override { return this->rect; }
  RECT GetBounds() const override { return V::GetBounds(); }

  void DrawView() override {
    // A control without a parent is never drawn.
    if (hidden_ || !parent_) return;
    V::Draw();
    SetChanged(false);
  }

  // Buttons: the four state pictures (an empty name falls back to the normal one); the control
  // takes the current state's size at (0, 0) until placed.
  void SetStates(const std::wstring& normal, const std::wstring& disabled, const std::wstring& hover,
                 const std::wstring& pressed)
    requires requires(V& v) { v.SetStateTextures(normal, disabled, hover, pressed); }
  {
    V::SetStateTextures(normal, disabled, hover, pressed);
    SetRect(V::GetSourceRect());
  }

  bool HitTest(int x, int y) const override {
    if (hidden_) return false;
    return V::HitTest(POINT{x, y});
  }

 private:
  long Changed(long result) {
    SetChanged(true);
    return result;
  }
};
