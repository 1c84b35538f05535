#include "framework/controls/select_printer_dialog.h"

#include <boost/bind/bind.hpp>

#include <string>
#include <vector>

#include "framework/controls/dialog_frame.h"

namespace {

// The default printer's name from the system's "device" entry ("name,driver,port"); empty
// when there is none.
std::wstring DefaultPrinterName() {
  // The entry is read again into a larger buffer while it fills the one given: a cut name
  // would match no printer, or another printer whose name is its beginning.
  constexpr DWORD kMaxChars = 32768;
  std::vector<wchar_t> buffer(80);
  DWORD copied = 0;
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    copied = platform::GetProfileStringW(L"windows", L"device", L",,,", buffer.data(), size);
    if (copied + 1 < size || size >= kMaxChars) break;
    buffer.resize(size * 2);
  }
  const std::wstring entry(buffer.data(), copied);
  // The name is the first field itself; an empty one means no default printer.
  return entry.substr(0, entry.find(L','));
}

}  // namespace

IMSelectPrinterDialog::IMSelectPrinterDialog(IMDialog* parent) : IMDialog(parent, nullptr, 0) {
  SetRect(kRect);
  const int w = kRect.right - kRect.left;
  const int h = kRect.bottom - kRect.top;

  background_ = AddBackgroundAndFrame(this, w, h);

  AddText(30, 38, L"Выберите принтер:", 0)->SetColor(0xFF000000);

  list_ = new IMList(this);
  list_->SetPosition(30, 58);
  list_->SetSize(300, 100);

  const std::wstring defaultName = DefaultPrinterName();
  for (const platform::PRINTER_INFO_2W& printer : platform::EnumPrintersW(platform::PRINTER_ENUM_LOCAL)) {
    IMList::Item* line = list_->AddItem(printer.pPrinterName);
    if (!defaultName.empty() && line->GetText() == defaultName) list_->Select(line);
  }

  confirm_ = AddButton(30, 179, L"PrintButton", L"PrintButton", L"PrintButtonNuv", L"PrintButtonKlick", 0);
  close_ = AddButton(221, 179, L"CloseButton", L"CloseButton", L"CloseButtonNuv", L"CloseButtonKlick", 0);
  close_->ClickSignal.connect(MouseSignal::slot_type(boost::bind(&IMControl::Close, this)));
}

platform::HDC IMSelectPrinterDialog::CreatePrinterDC() const {
  const IMList::Item* line = list_->GetSelected();
  if (!line) return nullptr;
  const std::wstring name = line->GetText();
  return platform::CreateDCW(nullptr, name.c_str(), nullptr, nullptr);
}

void IMSelectPrinterDialog::ShowFailure(const std::wstring& text) { ShowFailureLine(this, failure_, 30, 160, text); }
