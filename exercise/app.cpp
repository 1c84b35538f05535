#include "exercise/app.h"

#include <boost/bind/bind.hpp>

#include "exercise/hangar_scene.h"
#include "framework/views/mouse_hint.h"
#include "framework/platform/platform.h"
#include "framework/resources/resource_manager.h"
#include "shell/instruction_ending.h"

#include <vector>

const wchar_t App::kCatalogueNumber[] = L"04517";
const wchar_t App::kTitle[] = L"Игра «Тиморвал»";
const wchar_t App::kDescription[] =
    L"   Игра «Тиморвал» предназначена для развития навыка по использованию колеса мыши  на прокручивание и на "
    L"нажатие. На экране изображен погрузочный ангар, под потолком которого подвешен магнитный кран на рельсе.  На "
    L"механизме крана крестообразно изображены стрелки «вверх-вниз»  и «вправо-влево». Эти стрелки светятся "
    L"попарно, показывая, в каком направлении работает кран. Нажатие на колесе мыши меняет направление "
    L"перемещения крана, а прокручивание колеса либо поднимает-опускает магнит крана, либо перемещает кран "
    L"горизонтально. Требуется с помощью крана переместить все детали в вагонетку, отгороженную стеной.";

App::App() { SetExerciseInfo(kCatalogueNumber, kTitle, kDescription); }

App::~App() = default;

void App::Init() {
  using boost::placeholders::_1;
  AddState(L"Dialog1", boost::bind(&App::SetupScene, this, _1, false));
}

HangarScene* App::SetupScene(IMDialog* dialog, bool instructionMode) {
  auto* scene = new HangarScene(this, dialog, instructionMode);
  if (!instructionMode) exerciseScene_ = scene;
  return scene;
}

namespace {

constexpr unsigned long kVerticalRun = 12318;
constexpr unsigned long kSecondTurnHint = 13410;
constexpr unsigned long kHorizontalRun = 14068;
constexpr unsigned long kPressHint = 19794;
constexpr unsigned long kTaskCard = 21000;
constexpr unsigned long kEnding = 29000;
constexpr unsigned long kRunStep = 100;
constexpr int kRunSteps = 8;

// Up and back down again: 0, 100, 200, 300, 400, 300, 200, 100.
int RunOffset(int k) { return k < 4 ? 100 * k : 800 - 100 * k; }

// The step of a run the label belongs to, or -1.
int RunStep(unsigned long t, unsigned long start) {
  if (t < start || (t - start) % kRunStep != 0) return -1;
  const auto k = static_cast<int>((t - start) / kRunStep);
  return k < kRunSteps ? k : -1;
}

}  // namespace

void App::ShowInstruction(IMDialog* dialog) {
  platform::ShowCursor(false);
  HangarScene* scene = SetupScene(dialog, true);
  scene->ropeY = 100;
  scene->MoveVertical(false);
  ShowMouseHint(dialog, 3, 0, 0);
  IMResourceManager* rm = IMResourceManager::Instance();
  const unsigned sound = rm->AddSound(L"110");
  if (CSoundStream* stream = sound ? rm->GetStream(sound) : nullptr) {
    std::vector<unsigned long> labels;
    for (int k = 0; k < kRunSteps; ++k) labels.push_back(kVerticalRun + kRunStep * k);
    labels.push_back(kSecondTurnHint);
    for (int k = 0; k < kRunSteps; ++k) labels.push_back(kHorizontalRun + kRunStep * k);
    for (unsigned long t : {kPressHint, kTaskCard, kEnding}) labels.push_back(t);
    using boost::placeholders::_2;
    for (unsigned long t : labels) {
      stream->AddLabel(t);
      // Bound to the scene: the script stops when the instruction's dialog is deleted.
      stream->ConnectLabelSlot(t, boost::bind(&App::OnInstructionLabel, this, _2, dialog, scene));
    }
    stream->Play();
  }
  dialog->ConnectOnClose(boost::bind(&App::OnInstructionClose, this, sound));
}

long App::OnInstructionLabel(unsigned long t, IMDialog* dialog, HangarScene* scene) {
  if (t == kVerticalRun || t == kSecondTurnHint) ShowMouseHint(dialog, 3, 0, 0);
  if (int k = RunStep(t, kVerticalRun); k >= 0) {
    scene->ropeY = static_cast<int>(100 - 0.25 * RunOffset(k));
    scene->MoveVertical(false);
  }
  if (t == kHorizontalRun) {
    // The arrows show the other mode, though the scene takes no input to switch.
    scene->arrows->angle = 1.5707964f;
    scene->arrows->SetChanged(true);
  }
  if (int k = RunStep(t, kHorizontalRun); k >= 0) {
    scene->craneX = static_cast<int>(135 + 0.25 * RunOffset(k));
    scene->MoveHorizontal(false);
  }
  if (t == kPressHint) ShowMouseHint(dialog, 2, 1, 20000);
  if (t == kTaskCard) {
    scene->arrows->Hide();
    dialog->AddPicture(0, 0, L"121", 30, 0xFFFFFFFF);
  }
  if (t == kEnding) ShowInstructionEnding(this, dialog);
  return 0;
}

long App::OnInstructionClose(unsigned long sound) {
  IMResourceManager::Instance()->Stop(static_cast<unsigned>(sound));
  platform::ShowCursor(true);
  return 0;
}

void App::OnSceneDeleted(const HangarScene* scene) {
  if (scene == exerciseScene_) exerciseScene_ = nullptr;
}
