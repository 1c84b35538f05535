#include "framework/views/mouse_hint.h"

#include <algorithm>
#include <array>
#include <boost/bind/bind.hpp>
#include <memory>
#include <utility>

#include "framework/resources/resource_manager.h"
#include "media/embedded.h"

int g_MouseHintFrameCounter = 0;

namespace {

constexpr int kLeft = 554;
constexpr int kTop = 354;
constexpr int kPictureLayer = 20;
constexpr int kDefaultCount = 3;
constexpr int kDefaultPeriod = 20000;

void RegisterBuiltIn(IMResourceManager* rm, const wchar_t* name) {
  const auto data = media::FindBuiltIn(name);
  rm->RegisterTexture(name, data.data(), static_cast<unsigned>(data.size()));
}

// What the hint's handlers share. It holds the hint's registrations of its pictures and gives
// them back once: through CloseMouseHint when the hint finishes, or when the animation whose
// handlers hold it goes with its dialog before that.
class HintState {
 public:
  HintState(const std::array<std::wstring, 4>& pictures, std::vector<int> clickFrames, unsigned soundId)
      : pictures_(pictures), clickFrames_(std::move(clickFrames)), soundId_(soundId) {}
  HintState(const HintState&) = delete;
  HintState& operator=(const HintState&) = delete;
  ~HintState() {
    IMResourceManager* rm = IMResourceManager::Instance();
    if (!rm) return;
    for (const std::wstring& name : pictures_) {
      if (!name.empty()) rm->ReleaseTextureByName(name);
    }
  }

  long Frame() { return OnMouseHintFrame(clickFrames_, soundId_); }
  long Finished(IMAnimationBase<IMSequenceView>* animation, IMStaticPictureBase<IMTextureView>* picture) {
    const std::array<std::wstring, 4> names = std::exchange(pictures_, {});
    return CloseMouseHint(animation, picture, names[0], names[1], names[2], names[3]);
  }

 private:
  std::array<std::wstring, 4> pictures_;
  std::vector<int> clickFrames_;
  unsigned soundId_;
};

}  // namespace

void ShowMouseHint(IMDialog* parent, int kind, int count, int period) {
  IMResourceManager* rm = IMResourceManager::Instance();
  if (!rm || !parent) return;
  g_MouseHintFrameCounter = 0;
  RegisterBuiltIn(rm, L"MOUSE");
  // The click's real length: the data end there.
  const auto click = media::FindBuiltIn(L"MOUSE_CLICK_SOUND");
  const unsigned soundId =
      rm->AddSoundFromMemory(L"MOUSE_CLICK_SOUND", click.data(), static_cast<unsigned>(click.size()));

  // The plain mouse stays underneath while the animation alternates over it.
  IMStaticPictureBase<IMTextureView>* picture = parent->AddPicture(kLeft, kTop, L"MOUSE", kPictureLayer, 0xFFFFFFFF);
  auto* animation = new IMAnimationBase<IMSequenceView>(parent);
  if (count == 0) count = kDefaultCount;
  if (period == 0) period = kDefaultPeriod;

  std::vector<int> clickFrames;
  // An unknown kind has registered the plain mouse alone.
  std::array<std::wstring, 4> pictures{L"MOUSE", L"", L"", L""};
  int endFrame = 0;
  int index = 0;
  auto add = [&](const wchar_t* name, bool clicks) {
    if (clicks) clickFrames.push_back(index);
    animation->AddFrame(name);
    ++index;
  };
  switch (kind) {
    case kMouseHintLeftClick:
      RegisterBuiltIn(rm, L"MOUSE_L");
      for (int i = 0; i < count; ++i) {
        add(L"MOUSE", true);
        add(L"MOUSE_L", false);
      }
      endFrame = 2 * count - 1;
      pictures = {L"MOUSE", L"MOUSE_L", L"", L""};
      break;
    case kMouseHintWheelClick:
      RegisterBuiltIn(rm, L"MOUSE_B");
      RegisterBuiltIn(rm, L"MOUSE_B_CL");
      add(L"MOUSE", false);
      for (int i = 0; i < count; ++i) {
        add(L"MOUSE_B", true);
        add(L"MOUSE_B_CL", false);
      }
      endFrame = 2 * count;
      pictures = {L"MOUSE_B", L"MOUSE_B_CL", L"MOUSE", L""};
      break;
    case kMouseHintWheelTurn:
      RegisterBuiltIn(rm, L"MOUSE_B");
      RegisterBuiltIn(rm, L"MOUSE_B_ROT1");
      RegisterBuiltIn(rm, L"MOUSE_B_ROT2");
      add(L"MOUSE", false);
      add(L"MOUSE_B", false);
      for (int i = 0; i < count; ++i) {
        add(L"MOUSE_B_ROT1", false);
        add(L"MOUSE_B_ROT2", false);
      }
      endFrame = 2 * count + 1;
      pictures = {L"MOUSE_B", L"MOUSE_B_ROT1", L"MOUSE", L"MOUSE_B_ROT2"};
      break;
    case kMouseHintRightClick:
      RegisterBuiltIn(rm, L"MOUSE_R");
      for (int i = 0; i < count; ++i) {
        add(L"MOUSE_R", true);
        add(L"MOUSE", false);
      }
      endFrame = 2 * count - 1;
      pictures = {L"MOUSE_R", L"MOUSE", L"", L""};
      break;
    default:
      // Nothing to show: the picture and the empty animation stay until the dialog closes.
      break;
  }
  const auto state = std::make_shared<HintState>(pictures, clickFrames, soundId);
  if (kind >= kMouseHintLeftClick && kind <= kMouseHintRightClick) {
    animation->SetStartFrame(0);
    animation->SetEndFrame(endFrame);
    animation->period = period;
    animation->ConnectOnFinished(
        IMControl::EventSignal::slot_type(boost::bind(&HintState::Finished, state, animation, picture)));
  }
  animation->SetRect(RECT{kLeft, kTop, 800, 600});
  animation->ConnectOnFrame(IMControl::EventSignal::slot_type(boost::bind(&HintState::Frame, state)));
  animation->Play();
}

long CloseMouseHint(IMAnimationBase<IMSequenceView>* animation, IMStaticPictureBase<IMTextureView>* picture,
                    const std::wstring& first, const std::wstring& second, const std::wstring& third,
                    const std::wstring& fourth) {
  animation->Close();
  picture->Close();
  IMResourceManager* rm = IMResourceManager::Instance();
  if (!rm) return 0;
  for (const std::wstring* name : {&first, &second, &third, &fourth}) {
    if (!name->empty()) rm->ReleaseTextureByName(*name);
  }
  return 0;
}

long OnMouseHintFrame(const std::vector<int>& clickFrames, unsigned soundId) {
  if (std::find(clickFrames.begin(), clickFrames.end(), g_MouseHintFrameCounter) != clickFrames.end()) {
    if (IMResourceManager* rm = IMResourceManager::Instance()) {
      // A click that is still sounding starts again from the beginning.
      if (rm->IsPlaying(soundId)) rm->Stop(soundId);
      rm->Play(soundId);
    }
  }
  ++g_MouseHintFrameCounter;
  return 0;
}
