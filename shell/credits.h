#pragma once
// Ctrl+I: the credits page over everything, the cursor shown until it closes.

#include <boost/bind/bind.hpp>

#include "shell/app.h"
#include "shell/handlers.h"
#include "shell/screen_parts.h"

// True while the credits page is open.
inline bool g_CreditsOpen = false;

namespace credits {

constexpr int kLayer = 9999;
constexpr int kLeft = 22;

struct Line {
  int size;
  int top;
  const wchar_t* text;
};

// The course caption, the roles and the people behind them.
inline constexpr Line kLines[] = {
    {25, 18, L"Ламбридин"},         {21, 90, L"Авторы:"},
    {20, 110, L"Соколова А. В."},   {20, 130, L"Петров И. С."},
    {21, 170, L"Руководитель проекта:"}, {20, 190, L"Кузнецова Е. Н."},
    {21, 230, L"Программисты:"},    {20, 250, L"Волков Д. А."},
    {20, 270, L"Морозов П. К."},    {21, 310, L"Художник:"},
    {20, 330, L"Лебедева О. И."},   {21, 370, L"Дизайнер-аниматор:"},
    {20, 390, L"Новиков С. Г."},    {21, 430, L"Трёхмерная графика:"},
    {20, 450, L"Зайцева М. Р."},
};

// The I key's codes; only the low byte of the key code is looked at.
inline bool IsKeyI(WPARAM key) {
  const unsigned low = key & 0xFF;
  return low == 0x49 || low == 0x69 || low == 0xD8 || low == 0xF8;
}

}  // namespace credits

template <class T>
long IMApp<T>::OnKeyCredits(const IMKeyboardEvent& e) {
  if (!credits::IsKeyI(e.wParam)) return 0;
  if (!(platform::GetAsyncKeyState(VK_CONTROL) & 0x8000)) return 0;
  if (g_CreditsOpen) return 0;
  int n = 0;
  while (platform::ShowCursor(true) <= 1) ++n;
  g_CreditsOpen = true;
  const RECT area = window->GetRect();
  IMDialog* page = IMDialog::AddDialog(window, 0, 0, area.right - area.left, area.bottom - area.top, credits::kLayer);
  page->AddPicture(0, 0, L"DefaultBackGround", 0, 0xFFFFFFFF)->SetRect(page->GetRect());
  for (const credits::Line& line : credits::kLines) {
    AddScreenLabel(page, line.text, line.size, false, credits::kLeft, line.top);
  }
  page->AddButton(755, 22, L"ExitButton", L"", L"", L"", 0)->ConnectOnClick(boost::bind(&IMControl::Close, page));
  page->ConnectOnClose(boost::bind(&RestoreCursorAndClear, &g_CreditsOpen, n));
  return 0;
}
