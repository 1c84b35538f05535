#include "shell/screen_parts.h"

#include "framework/window/window.h"

IMScreenLabel* AddScreenLabel(IMDialog* dialog, const std::wstring& text, int size, bool bold, int x, int top) {
  auto* label = new IMScreenLabel(dialog, 0);
  label->SetFontSize(size);
  label->SetColor(kScreenTextColour);
  if (bold) label->SetBold(true);
  label->SetText(text);
  label->SetRect(label->GetSourceRect());
  label->SetPosition(x, top);
  return label;
}

IMScreenLabel* AddCentredLabel(IMDialog* dialog, const std::wstring& text, int size, bool bold, int top) {
  IMScreenLabel* label = AddScreenLabel(dialog, text, size, bold, 0, top);
  // Each half truncated on its own, as the screens were laid out.
  label->SetPosition(dialog->GetWidth() / 2 - label->GetWidth() / 2, top);
  return label;
}

IMSkinButton* AddSkinButton(IMDialog* dialog, int x, int y, const std::wstring& base) {
  return dialog->AddButton(x, y, base, base, base + L"Nuv", base + L"Klick", 0);
}

IMDialog* NewScreen(IMWindow* window) {
  auto* screen = new IMDialog(window, nullptr, 0);
  screen->AddPicture(0, 0, L"DefaultBackGround", 0, 0xFFFFFFFF)->SetRect(screen->GetRect());
  AddCentredLabel(screen, L"Корвелина", 14, false, 10);
  AddCentredLabel(screen, L"Ламбридин", 18, true, 35);
  return screen;
}
