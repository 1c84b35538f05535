#pragma once
// The standard box for saving under another name: a framed panel with a file-name field, a
// Save-as button and a Close button. It saves nothing itself: the caller connects its action to
// the Save-as button and asks the dialog for the entered name when the button is clicked.

#include <string>

#include "framework/controls/button.h"
#include "framework/controls/dialog.h"
#include "framework/controls/edit_bar.h"
#include "framework/controls/picture.h"
#include "framework/views/text_view.h"
#include "framework/views/texture_view.h"

class IMSaveAsDialog : public IMDialog {
 public:
  using Picture = IMStaticPictureBase<IMTextureView>;

  static constexpr RECT kRect{220, 225, 580, 375};

  explicit IMSaveAsDialog(IMDialog* parent);

  // The name in the field, the caret after its last character, scrolled so the caret shows.
  void SetFileName(const std::wstring& name);
  // The field's text as it stands, untrimmed.
  std::wstring GetFileName() const { return field_->GetText(); }
  // Handlers run in the order of connection; the dialog's result is only what they ask it for.
  IMConnection ConnectOnConfirm(const MouseSignal::slot_type& slot) { return confirm_->ConnectOnClick(slot); }

  // A line between the field and the buttons, in the screens' dark blue: what went wrong with
  // the last confirm (the dialog stays open with the typed name).
  void ShowFailure(const std::wstring& text);
  // The failure line, or null while there is none.
  IMStaticPictureBase<IMTextView>* GetFailureLabel() const { return failure_; }

  IMEditBar* GetField() const { return field_; }
  IMButton* GetConfirmButton() const { return confirm_; }
  IMButton* GetCloseButton() const { return close_; }

 private:
  Picture* background_ = nullptr;
  IMButton* confirm_ = nullptr;
  IMButton* close_ = nullptr;
  IMEditBar* field_ = nullptr;
  IMStaticPictureBase<IMTextView>* failure_ = nullptr;
};
