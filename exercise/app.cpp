#include "exercise/app.h"

#include <boost/bind/bind.hpp>

#include "exercise/hangar_scene.h"

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

void App::SetupScene(IMDialog* dialog, bool instructionMode) {
  auto* scene = new HangarScene(this, dialog, instructionMode);
  if (!instructionMode) exerciseScene_ = scene;
}

void App::OnSceneDeleted(const HangarScene* scene) {
  if (scene == exerciseScene_) exerciseScene_ = nullptr;
}
