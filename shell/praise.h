#pragma once
// The praise when an exercise is done: a cloud framing one of five voiced clips, the pair
// picked by the random generator; the end of the clip closes the praise and the exercise.

#include <boost/bind/bind.hpp>

#include <stdexcept>

#include "framework/controls/animation.h"
#include "framework/controls/picture.h"
#include "framework/resources/resource_manager.h"
#include "framework/views/texture_view.h"
#include "framework/views/theora_view.h"
#include "media/embedded.h"
#include "shell/app.h"

namespace praise {

inline const wchar_t* const kVoices[] = {L"bravo_sound", L"gotovo_sound", L"molodec_sound", L"otlichno_sound",
                                         L"ura_sound"};
inline const wchar_t* const kClips[] = {L"praise_clip_1", L"praise_clip_2", L"praise_clip_3", L"praise_clip_4",
                                        L"praise_clip_5"};
// The clip inside the cloud, relative to the cloud's corner, and its size and frame period.
constexpr int kClipLeft = 93;
constexpr int kClipTop = 76;
constexpr int kClipWidth = 320;
constexpr int kClipHeight = 200;
constexpr int kClipPeriod = 5000;
// Where the praise with an exit puts its cloud, and its exit picture.
constexpr int kExitPraiseX = 137;
constexpr int kExitPraiseY = 100;
constexpr RECT kExitPicture{740, 10, 780, 50};

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
  animation->SetPosition(x + kClipLeft, y + kClipTop);
  animation->period = kClipPeriod;
  animation->SetSize(kClipWidth, kClipHeight);
  return Popup{animation, cloud};
}

}  // namespace praise

template <class T>
void IMApp<T>::ShowPraise(int x, int y) {
  auto* dialog = new IMDialog(window, nullptr, 0);
  IMAnimationBase<IMTheoraView>* animation = praise::Build(dialog, x, y).animation;
  animation->ConnectOnFinished(boost::bind(&IMControl::Close, dialog));
  if (stateDialog) animation->ConnectOnFinished(boost::bind(&IMControl::Close, stateDialog));
  animation->Play();
}

template <class T>
void IMApp<T>::ShowPraiseWithExit(IMDialog* target) {
  auto* dialog = new IMDialog(window, nullptr, 0);
  auto [animation, cloud] = praise::Build(dialog, praise::kExitPraiseX, praise::kExitPraiseY);
  animation->ConnectOnFinished(boost::bind(&IMControl::Close, animation));
  animation->ConnectOnFinished(boost::bind(&IMControl::Close, cloud));
  animation->Play();
  auto* exit = dialog->AddPicture(0, 0, L"ExitButton", 901, 0xFFFFFFFF);
  exit->SetRect(praise::kExitPicture);
  exit->Hide();
  animation->ConnectOnFinished(boost::bind(&IMControl::Show, exit));
  exit->ConnectOnClick(boost::bind(&IMControl::Close, target));
}
