#include "framework/controls/edit_bar.h"

#include <boost/bind/bind.hpp>

namespace {

// A picture of the bar that shows its texture on its view only: its rectangle is what the bar
// gives it.
IMEditBar::Picture* Piece(IMDialog* bar, const wchar_t* texture) {
  auto* piece = new IMEditBar::Picture(bar, 0);
  piece->SetTexture(texture);
  return piece;
}

}  // namespace

IMEditBar::IMEditBar(IMDialog* parent) : IMDialog(parent, nullptr, 0) {
  using boost::placeholders::_1;
  background_ = Piece(this, L"EditBarBackGround");
  // The skin's corner and border pictures are not used: the frame is one black pixel wide.
  for (Picture** corner : {&cornerTopLeft_, &cornerTopRight_, &cornerBottomLeft_, &cornerBottomRight_}) {
    *corner = Piece(this, L"EditBarKaretka");
    (*corner)->SetSize(1, 1);
  }
  for (Picture** edge : {&edgeLeft_, &edgeTop_, &edgeRight_, &edgeBottom_}) *edge = Piece(this, L"EditBarKaretka");

  textEdit_ = new IMTextEdit(this);

  FocusSignal.connect(EventSignal::slot_type(boost::bind(&IMControl::SetFocus, textEdit_, true)));
  KillFocusSignal.connect(EventSignal::slot_type(boost::bind(&IMControl::SetFocus, textEdit_, false)));
  textEdit_->SetColor(0xFF000000);
  textEdit_->KeySignal.connect(KeyboardSignal::slot_type(boost::bind(&IMEditBar::ScrollToCaret, this, _1)));
}

void IMEditBar::SetRect(const RECT& r) {
  IMDialog::SetRect(r);
  // Built by the dialog's constructor before any piece exists.
  if (!textEdit_) return;
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  auto place = [](Picture* piece, int x, int y, int cx, int cy) {
    piece->SetPosition(x, y);
    piece->SetSize(cx, cy);
  };
  place(cornerTopLeft_, 0, 0, 1, 1);
  place(cornerTopRight_, w - 1, 0, 1, 1);
  place(cornerBottomLeft_, 0, h - 1, 1, 1);
  place(cornerBottomRight_, w - 1, h - 1, 1, 1);
  place(edgeLeft_, 0, 1, 1, h - 2);
  place(edgeTop_, 1, 0, w - 2, 1);
  place(edgeRight_, w - 1, 1, 1, h - 2);
  place(edgeBottom_, 1, h - 1, w - 2, 1);
  background_->SetRect(RECT{0, 0, w - 1, h - 1});
  textEdit_->SetRect(RECT{2, 1, w - 1, h - 1});
}

long IMEditBar::ScrollToCaret(const IMKeyboardEvent&) {
  // Read once: both tests use the caret where OnKey left it.
  const RECT c = textEdit_->GetCaret()->GetRect();
  const int w = GetWidth();
  if (c.right > w - 3) {
    const POINT p = textEdit_->GetPosition();
    textEdit_->SetPosition(p.x - c.right + w - 3, p.y);
    // The text view draws only inside its own rectangle: widen it over the characters up to
    // the caret.
    RECT moved = textEdit_->GetRect();
    if (c.right > moved.right) {
      moved.right = c.right;
      textEdit_->SetRect(moved);
    }
  }
  if (c.left < 0) {
    const POINT p = textEdit_->GetPosition();
    textEdit_->SetPosition(p.x - c.left + 2, p.y);
  }
  RECT extent = textEdit_->GetSourceRect();
  extent.right += 6;
  extent.bottom += 2;
  SetSourceRect(extent);
  return 0;
}
