#pragma once
// The look the standard dialogs share: the skin's background stretched over the dialog, then a
// black one-pixel frame (left, top, bottom, right) the dialog keeps no pointers to; and the
// line that says a confirm failed.

#include <string>

#include "framework/controls/dialog.h"
#include "framework/controls/picture.h"
#include "framework/views/text_view.h"
#include "framework/views/texture_view.h"

// Returns the background picture.
inline IMStaticPictureBase<IMTextureView>* AddBackgroundAndFrame(IMDialog* dialog, int w, int h) {
  using Picture = IMStaticPictureBase<IMTextureView>;
  auto* background = new Picture(dialog, 0);
  background->SetTexture(L"DefaultBackGround");
  background->SetSize(w, h);
  const struct {
    int x, y, cx, cy;
  } edges[] = {{0, 0, 1, h}, {0, 0, w, 1}, {0, h - 1, w, 1}, {w - 1, 0, 1, h}};
  for (const auto& e : edges) {
    auto* edge = new Picture(dialog, 0);
    edge->SetTexture(L"EditBarKaretka");
    edge->SetPosition(e.x, e.y);
    edge->SetSize(e.cx, e.cy);
  }
  return background;
}

// What went wrong with the dialog's last confirm, at (x, y) in the screens' dark blue: the line
// is made at the first failure, later ones only change its text.
inline void ShowFailureLine(IMDialog* dialog, IMStaticPictureBase<IMTextView>*& line, int x, int y,
                            const std::wstring& text) {
  constexpr DWORD kScreenTextColour = 0xFF072134;
  if (!line) {
    line = new IMStaticPictureBase<IMTextView>(dialog, 0);
    line->SetFontSize(14);
    line->SetColor(kScreenTextColour);
  }
  line->SetText(text);
  line->SetRect(line->GetSourceRect());
  line->SetPosition(x, y);
}
