#pragma once
// The screens of the application template: information, results and praise.

#include "shell/app.h"

template <class T>
long IMApp<T>::ShowInfoScreen() {
  IMDialog* screen = NewScreen();
  AddLabel(screen, L"Номер ЦОР:", 18, true, 30, 115);
  AddLabel(screen, catalogueNumber, 18, false, 135, 115);
  AddLabel(screen, L"Название:", 18, true, 30, 152);
  AddLabel(screen, title, 18, false, 135, 152);
  AddLabel(screen, L"Описание:", 18, true, 30, 188);

  // The description scrolls inside a window of 593 x 236.
  IMDialog* frame = IMDialog::AddDialog(screen, 119, 187, 593, 236, 0);
  IMDialog* panel = IMDialog::AddDialog(frame, 0, 0, 593, 236, 0);
  auto* text = new IMStaticPictureBase<IMTextView>(panel, 0);
  text->SetFontSize(18);
  text->SetColor(kScreenTextColour);
  text->SetRect(RECT{0, 0, 593, 415});
  text->wrap = true;
  text->Layout(0);
  text->SetText(description);
  text->SetRect(text->GetSourceRect());
  const RECT extent = text->GetSourceRect();
  const int height = extent.bottom - extent.top;
  panel->SetRect(RECT{0, 0, 593, height == 0 ? 235 : height});
  const RECT bar{712, 187, 726, 427};
  auto* scroll = new IMScroll(screen, &bar);
  if (height <= 236) scroll->Hide();
  scroll->SetRange(0, panel->GetHeight());
  scroll->SetPage(frame->GetHeight());
  using boost::placeholders::_1;
  using boost::placeholders::_2;
  scroll->ConnectOnScroll(boost::bind(&ScrollPanelTo, _2, panel));

  AddLabel(screen, L"Ученик:", 18, true, 30, 460);
  auto* name = new IMEditBar(screen);
  name->SetSize(520, 20);
  name->SetPosition(135, 460);
  name->SetFocus(true);

  IMControl* start = AddSkinButton(screen, 690, 450, L"StartPopStartButton");
  start->ConnectOnClick(boost::bind(&IMApp::StartFromInfoScreen, this, screen, name));
  screen->AddButton(755, 22, L"ExitButton", L"", L"", L"", 0)->ConnectOnClick(boost::bind(&IMControl::Close, window));
  screen->ConnectOnKey(boost::bind(&IMApp::OnInfoScreenKey, this, _1, start, screen, name));

  AddLabel(screen, L"Клавиши:", 18, true, 30, 520);
  screen->AddPicture(135, 517, L"EscButton", 0, 0xFFFFFFFF);
  AddLabel(screen, L"- пропустить инструкцию;", 16, false, 180, 520);
  screen->AddPicture(350, 517, L"F1Button", 0, 0xFFFFFFFF);
  AddLabel(screen, L"- повторить инструкцию;", 16, false, 395, 520);
  screen->AddPicture(555, 517, L"F12Button", 0, 0xFFFFFFFF);
  AddLabel(screen, L"- выход", 16, false, 600, 520);
  if (optionsBuilder) {
    AddSkinButton(screen, 665, 510, L"OptionsButton")
        ->ConnectOnClick(boost::bind(&IMApp::ShowDialog, this, optionsBuilder));
  }
  return 0;
}

template <class T>
void IMApp<T>::ShowResultsScreen() {
  IMDialog* screen = NewScreen();
  resultsScreen_ = screen;
  using boost::placeholders::_1;
  screen->ConnectOnClose(boost::bind(&IMApp::ForgetResultsScreen, this, _1));
  AddLabel(screen, L"ЗАДАНИЕ ВЫПОЛНЕНО", 24, false, kCentred, 150);
  AddLabel(screen, L"Номер ЦОР:", 18, true, 30, 250);
  AddLabel(screen, catalogueNumber, 18, false, 135, 250);
  AddLabel(screen, L"Название:", 18, true, 30, 300);
  AddLabel(screen, title, 18, false, 135, 300);
  AddLabel(screen, L"Ученик:", 18, true, 30, 350);
  AddLabel(screen, pupilName, 18, false, 135, 350);
  AddLabel(screen, L"Статистика:", 18, true, 30, 465);

  // Without a workbook there is nothing to print or save: grey and inert.
  auto workbookButton = [&](int x, const std::wstring& base, long (IMApp::*handler)()) {
    IMButtonBase<IMStateView>* button = AddSkinButton(screen, x, 490, base);
    if (workbook) {
      button->ConnectOnClick(boost::bind(handler, this));
    } else {
      button->Disable();
      button->tint = 0xFF808080;
      button->SetChanged(true);
    }
  };
  workbookButton(30, L"PrintButton", &IMApp::OnPrint);
  workbookButton(128, L"SaveAsButton", &IMApp::OnSaveAs);
  if (!states.empty()) stateName = states.begin()->first;

  IMControl* retry = AddSkinButton(screen, 535, 490, L"RetryButton");
  retry->ConnectOnClick(boost::bind(&IMApp::ShowInfoScreen, this));
  retry->ConnectOnClick(boost::bind(&IMControl::Close, screen));
  AddSkinButton(screen, 660, 490, L"CloseButton")->ConnectOnClick(boost::bind(&IMControl::Close, window));
  screen->AddButton(755, 22, L"ExitButton", L"", L"", L"", 0)->ConnectOnClick(boost::bind(&IMControl::Close, window));
  screen->ConnectOnKey(boost::bind(&IMApp::OnResultsScreenKey, this, _1, screen));
}

namespace praise_detail {

inline const wchar_t* const kVoices[] = {L"bravo_sound", L"gotovo_sound", L"molodec_sound", L"otlichno_sound",
                                         L"ura_sound"};
inline const wchar_t* const kClips[] = {L"praise_clip_1", L"praise_clip_2", L"praise_clip_3", L"praise_clip_4",
                                        L"praise_clip_5"};

struct Popup {
  IMAnimationBase<IMTheoraView>* animation;
  IMControl* cloud;
};

// The pop-up's cloud, voice and clip; the caller starts the animation.
inline Popup Build(IMDialog* dialog, int x, int y) {
  auto* animation = new IMAnimationBase<IMTheoraView>(dialog);
  IMResourceManager* rm = IMResourceManager::Instance();
  const auto picture = media::FindBuiltIn(L"oblako_png");
  rm->RegisterTexture(L"oblako_png", picture.data(), static_cast<unsigned>(picture.size()));
  IMControl* cloud = dialog->AddPicture(x, y, L"oblako_png", 0, 0xFFFFFFFF);
  rm->ReleaseTexture(rm->FindTexture(L"oblako_png"));

  const int pair = static_cast<int>(platform::Rand() * 5.0 * (1.0 / 32768));
  const auto voice = media::FindBuiltIn(kVoices[pair]);
  rm->Play(rm->AddSoundFromMemory(kVoices[pair], voice.data(), static_cast<unsigned>(voice.size())));
  const auto clip = media::FindBuiltIn(kClips[pair]);
  try {
    animation->Open(clip.data(), static_cast<int>(clip.size()));
  } catch (const std::runtime_error&) {
    // A broken clip finishes at once when played, so the praise still ends.
  }
  animation->SetPosition(x + 93, y + 76);
  animation->period = 5000;
  animation->SetSize(320, 200);
  return Popup{animation, cloud};
}

}  // namespace praise_detail

template <class T>
void IMApp<T>::ShowPraise(int x, int y) {
  auto* dialog = new IMDialog(window, nullptr, 0);
  IMAnimationBase<IMTheoraView>* animation = praise_detail::Build(dialog, x, y).animation;
  animation->ConnectOnFinished(boost::bind(&IMControl::Close, dialog));
  if (stateDialog) animation->ConnectOnFinished(boost::bind(&IMControl::Close, stateDialog));
  animation->Play();
}

template <class T>
void IMApp<T>::ShowPraiseWithExit(IMDialog* target) {
  auto* dialog = new IMDialog(window, nullptr, 0);
  auto [animation, cloud] = praise_detail::Build(dialog, 137, 100);
  animation->ConnectOnFinished(boost::bind(&IMControl::Close, animation));
  animation->ConnectOnFinished(boost::bind(&IMControl::Close, cloud));
  animation->Play();
  auto* exit = dialog->AddPicture(0, 0, L"ExitButton", 901, 0xFFFFFFFF);
  exit->SetRect(RECT{740, 10, 780, 50});
  exit->Hide();
  animation->ConnectOnFinished(boost::bind(&IMControl::Show, exit));
  exit->ConnectOnClick(boost::bind(&IMControl::Close, target));
}

template <class T>
long IMApp<T>::OnPrint() {
  if (!workbook) return 0;
  auto* dialog = new IMSelectPrinterDialog(window);
  dialog->ConnectOnConfirm(
      boost::bind(&IMApp::PrintResults, this, boost::bind(&IMSelectPrinterDialog::CreatePrinterDC, dialog)));
  dialog->ConnectOnConfirm(boost::bind(&IMControl::Close, dialog));
  return 0;
}

template <class T>
long IMApp<T>::PrintResults(platform::HDC context) {
  if (workbook) {
    std::map<std::wstring, std::wstring> header{
        {L"Номер ЦОР", catalogueNumber}, {L"Название", title}, {L"Ученик", pupilName}};
    workbook->Print(context, header);
  }
  // The context handed in is always released here.
  if (context) platform::DeleteDC(context);
  return 0;
}
