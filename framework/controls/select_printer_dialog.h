#pragma once
// The standard printer chooser: a framed panel listing the local printers with the system's
// default one preselected, a Print button and a Close button. It prints nothing itself: the
// caller connects its action to the Print button and asks the dialog, at the click, for a
// device context of the chosen printer.

#include <string>

#include "framework/controls/button.h"
#include "framework/controls/dialog.h"
#include "framework/controls/list.h"
#include "framework/controls/picture.h"
#include "framework/platform/printing.h"
#include "framework/views/text_view.h"
#include "framework/views/texture_view.h"

class IMSelectPrinterDialog : public IMDialog {
 public:
  using Picture = IMStaticPictureBase<IMTextureView>;

  static constexpr RECT kRect{220, 125, 580, 375};

  // Reads the printers and the default one once, here.
  explicit IMSelectPrinterDialog(IMDialog* parent);

  // A context for the selected line's printer, owned by the caller (DeleteDC); null when no
  // line is selected or the printer cannot be opened.
  platform::HDC CreatePrinterDC() const;
  // Handlers run in the order of connection; the dialog's result is only what they ask it for.
  IMConnection ConnectOnConfirm(const MouseSignal::slot_type& slot) { return confirm_->ConnectOnClick(slot); }

  // A line between the list and the buttons, in the screens' dark blue: what went wrong with
  // the last confirm (the dialog stays open with the chosen printer).
  void ShowFailure(const std::wstring& text);
  // The failure line, or null while there is none.
  IMStaticPictureBase<IMTextView>* GetFailureLabel() const { return failure_; }

  IMList* GetList() const { return list_; }
  IMButton* GetConfirmButton() const { return confirm_; }
  IMButton* GetCloseButton() const { return close_; }

 private:
  Picture* background_ = nullptr;
  IMButton* confirm_ = nullptr;
  IMButton* close_ = nullptr;
  IMList* list_ = nullptr;
  IMStaticPictureBase<IMTextView>* failure_ = nullptr;
};
