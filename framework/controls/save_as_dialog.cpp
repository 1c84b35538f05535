#include "framework/controls/save_as_dialog.h"

#include <boost/bind/bind.hpp>

#include "framework/controls/dialog_frame.h"

IMSaveAsDialog::IMSaveAsDialog(IMDialog* parent) : IMDialog(parent, nullptr, 0) {
  SetRect(kRect);
  const int w = kRect.right - kRect.left;
  const int h = kRect.bottom - kRect.top;

  background_ = AddBackgroundAndFrame(this, w, h);

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

void IMSaveAsDialog::ShowFailure(const std::wstring& text) { ShowFailureLine(this, failure_, 30, 54, text); }
