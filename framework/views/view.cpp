#include "framework/views/view.h"

void IMView::SetRect(const RECT& r) {
  if (EqualRect(r, rect)) return;
  rect = r;
  SetChanged(true);
}

void IMView::SetSourceRect(const RECT& r) {
  if (EqualRect(r, sourceRect)) return;
  sourceRect = r;
  SetChanged(true);
}

void IMView::MoveTo(const POINT& p) {
  SetRect(RECT{p.x, p.y, p.x + GetWidth(), p.y + GetHeight()});
}

void IMView::SetSize(int cx, int cy) { SetRect(RECT{rect.left, rect.top, rect.left + cx, rect.top + cy}); }
