#pragma once
// The framed one-line field: a white background, a one-pixel black frame and a text edit
// inside, which it keeps scrolled so that the caret stays in view. Focus given to the bar
// passes on to its text edit.

#include <string>

#include "framework/controls/dialog.h"
#include "framework/controls/picture.h"
#include "framework/controls/text_edit.h"
#include "framework/views/texture_view.h"

class IMEditBar : public IMDialog {
 public:
  using Picture = IMStaticPictureBase<IMTextureView>;

  // Built with the full back-buffer rectangle; the caller sizes and places it afterwards
  // through its view part (SetSize, SetPosition), which both end in SetRect.
  explicit IMEditBar(IMDialog* parent);

  // The bar's own rectangle, then its pieces; placing the text edit resets the scrolling.
  void SetRect(const RECT& r) override;

  std::wstring GetText() const { return textEdit_->GetText(); }
  // On every keyboard message that reaches the text edit, after it has moved its caret.
  long ScrollToCaret(const IMKeyboardEvent& e);

  IMTextEdit* GetTextEdit() const { return textEdit_; }

 private:
  IMTextEdit* textEdit_ = nullptr;
  Picture* background_ = nullptr;
  Picture* cornerTopLeft_ = nullptr;
  Picture* cornerTopRight_ = nullptr;
  Picture* cornerBottomLeft_ = nullptr;
  Picture* cornerBottomRight_ = nullptr;
  Picture* edgeLeft_ = nullptr;
  Picture* edgeTop_ = nullptr;
  Picture* edgeRight_ = nullptr;
  Picture* edgeBottom_ = nullptr;
};
