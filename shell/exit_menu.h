#pragma once
// F12's exit menu over every screen: Retry, Close and Cancel in a box on a translucent shade;
// and the opener of an exercise's own options dialog.

#include <boost/bind/bind.hpp>

#include "framework/controls/picture.h"
#include "framework/resources/resource_manager.h"
#include "framework/views/texture_view.h"
#include "shell/app.h"
#include "shell/screen_parts.h"

namespace exit_menu {

constexpr int kLayer = 1099;
constexpr int kBoxWidth = 136;
constexpr int kBoxHeight = 200;
// The black shade at this alpha.
constexpr DWORD kShadeTint = 0x4B000096;

}  // namespace exit_menu

template <class T>
long IMApp<T>::OnKey(const IMKeyboardEvent& e) {
  if (e.wParam == static_cast<WPARAM>(VK_F12)) ShowExitMenu();
  return 0;
}

template <class T>
long IMApp<T>::ShowExitMenu() {
  namespace em = exit_menu;
  using Picture = IMStaticPictureBase<IMTextureView>;
  if (exitMenu) return 0;
  platform::ShowCursor(true);
  const IMResourceManager* rm = IMResourceManager::Instance();
  const int w = rm->GetBackBufferWidth();
  const int h = rm->GetBackBufferHeight();
  exitMenu = IMDialog::AddDialog(window, 0, 0, w, h, em::kLayer);
  auto* shade = new Picture(exitMenu, 0);
  shade->SetTexture(L"EditBarKaretka");
  shade->SetSize(w, h);
  shade->SetPosition(0, 0);
  shade->tint = em::kShadeTint;
  shade->SetChanged(true);
  IMDialog* box = IMDialog::AddDialog(exitMenu, 0, 0, w, h, 1);
  const int left = (w - em::kBoxWidth) / 2;
  const int top = (h - em::kBoxHeight) / 2;
  box->SetRect(RECT{left, top, left + em::kBoxWidth, top + em::kBoxHeight});
  box->AddPicture(0, 0, L"DefaultBackGround", 0, 0xFFFFFFFF)->SetRect(RECT{0, -100, em::kBoxWidth, 300});
  AddSkinButton(box, 10, 20, L"RetryButton")->ConnectOnClick(boost::bind(&IMApp::Restart, this));
  AddSkinButton(box, 10, 80, L"CloseButton")->ConnectOnClick(boost::bind(&IMControl::Close, window));
  AddSkinButton(box, 10, 140, L"CancelButton")->ConnectOnClick(boost::bind(&IMApp::CloseExitMenu, this));
  const int r = em::kBoxWidth;
  const int b = em::kBoxHeight;
  for (RECT edge : {RECT{0, 0, 1, b}, RECT{0, 0, r, 1}, RECT{r - 1, 0, r, b}, RECT{0, b - 1, r, b}}) {
    auto* line = new Picture(box, 0);
    line->SetTexture(L"EditBarKaretka");
    line->SetSize(edge.right - edge.left, edge.bottom - edge.top);
    line->SetPosition(edge.left, edge.top);
  }
  return 0;
}

template <class T>
long IMApp<T>::CloseExitMenu() {
  if (exitMenu) {
    exitMenu->Hide();
    exitMenu->Close();
    exitMenu = nullptr;
  }
  return 0;
}

// A dialog over the whole window for a builder that fills it and closes it when done.
template <class T>
long IMApp<T>::ShowDialog(boost::function<void(IMDialog*)> builder) {
  auto* dialog = new IMDialog(window, nullptr, 0);
  dialog->SetFocus(true);
  builder(dialog);
  return 0;
}
