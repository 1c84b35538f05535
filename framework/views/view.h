#pragma once
// The drawable half of a control: a destination rectangle, a source rectangle inside a
// texture, and whether it must be drawn again.

#include "framework/platform/win_types.h"

class IMView {
 public:
  IMView() = default;
  IMView(const IMView&) = delete;
  IMView& operator=(const IMView&) = delete;
  virtual ~IMView() = default;

  virtual void SetRect(const RECT& rect);
  virtual RECT GetRect() const { return rect; }
  virtual void SetSourceRect(const RECT& rect);
  virtual RECT GetSourceRect() const { return sourceRect; }
  virtual void SetPosition(int x, int y) { MoveTo(POINT{x, y}); }
  virtual void MoveTo(const POINT& point);
  virtual POINT GetPosition() const { return POINT{rect.left, rect.top}; }
  virtual void SetSize(int cx, int cy);
  virtual int GetHeight() const { return rect.bottom - rect.top; }
  virtual int GetWidth() const { return rect.right - rect.left; }
  virtual void Draw() = 0;
  virtual bool HitTest(const POINT& point) const { return PtInRect(rect, point); }
  // Where Draw may touch, relative to the drawing origin.
  virtual RECT GetBounds() const { return rect; }
  virtual bool IsChanged() const { return changed; }
  virtual void SetChanged(bool value) { changed = value; }

 protected:
  RECT rect{};
  RECT sourceRect{};
  bool changed = false;
};

class IMEmptyView : public IMView {
 public:
  void Draw() override { changed = false; }
};
