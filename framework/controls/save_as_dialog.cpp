#include "framework/controls/save_as_dialog.h"

#include <boost/bind/bind.hpp>

IMSaveAsDialog::IMSaveAsDialog(IMDialog* parent) : IMDialog(parent, nullptr, 0) {
  SetRect(kRect);
  const int w = kRect.right - kRect.left;
  const int h = kRect.bottom - kRect.top;

  background_ = new Picture(this, 0);
  background_->SetTexture(L"DefaultBackGround");
  background_->SetSize(w, h);

  // The frame: one-pixel edges the dialog keeps no pointers to.
  const struct {
    int x, y, cx, cy;
  } edges[] = {{0, 0, 1, h}, {0, 0, w, 1}, {0, h - 1, w, 1}, {w - 1, 0, 1, h}};  // left, top, bottom, right
  for (const auto& e : edges) {
    auto* edge = new Picture(this, 0);
    edge->SetTexture(L"EditBarKaretka");
    edge->SetPosition(e.x, e.y);
    edge->SetSize(e.cx, e.cy);
  }

  field_ = new IMEditBar(this);
  field_->SetPosition(30, 28);
  field_->SetSize(300, 20);
  // The dialog's focus goes on to the field and its text edit: the caret shows, keys go there.
  FocusSignal.connect(EventSignal::slot_type(boost::bind(&IMControl::SetFocus, field_, true)));

  confirm_ = AddButton(30, 79, L"SaveAsButton", L"SaveAsButton", L"SaveAsButtonNuv", L"SaveAsButtonKlick", 0);
  close_ = AddButton(221, 79, L"CloseButton", L"CloseButton", L"CloseButtonNuv", L"CloseButtonKlick", 0);
  close_->ClickSignal.connect(MouseSignal::slot_type(boost::bind(&IMControl::Close, this)));
}

void IMSaveAsDialog::SetFileName(const std::wstring& name) {
  IMTextEdit* edit = field_->GetTextEdit();
  edit->SetText(name);
  edit->SetCaretPosition(static_cast<int>(name.size()));
  field_->ScrollToCaret(IMKeyboardEvent(edit, IM_EVENT_NONE, 0, 0));
}
