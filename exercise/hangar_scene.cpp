#include "exercise/hangar_scene.h"

#include <boost/bind/bind.hpp>

#include <algorithm>
#include <string>

#include "exercise/app.h"
#include "framework/platform/platform.h"
#include "framework/resources/resource_manager.h"

namespace {

struct PlateSpot {
  int x;
  int y;
  DWORD tint;
};

constexpr PlateSpot kPlates[] = {{83, 509, 0xFFB900E6}, {221, 509, 0xFF0052DE}, {90, 477, 0xFF00CFDE},
                                 {230, 477, 0xFF00CC12}, {170, 445, 0xFFDCE900}, {148, 413, 0xFFE96600}};
constexpr DWORD kNoTint = 0xFFFFFFFF;
constexpr float kQuarterTurn = 1.5707964f;

// The alpha of a texel from the store's pixel copy; `outside` for texels beyond the picture.
int Alpha(const IMTextureRecord* record, int x, int y, int outside) {
  if (!record || x < 0 || y < 0 || x >= record->imageRect.right || y >= record->imageRect.bottom) return outside;
  const std::size_t index = static_cast<std::size_t>(y) * record->textureWidth + static_cast<std::size_t>(x);
  return index < record->pixels.size() ? static_cast<int>(record->pixels[index] >> 24) : outside;
}

}  // namespace

HangarScene::HangarScene(App* app, IMDialog* dialog, bool instructionMode)
    : IMViewControl<IMEmptyView>(dialog, 0), app_(app), instructionMode_(instructionMode) {
  IMResourceManager* rm = IMResourceManager::Instance();
  clicks = 0;
  if (!instructionMode) deliveryTimes.assign(1, platform::timeGetTime());
  verticalMode = true;
  step = 10;
  maskTexture = rm->LoadTexture(L"122");
  maskHeld_ = rm->GetTextureRecord(maskTexture) != nullptr;

  dialog->AddPicture(0, 0, L"102", 0, kNoTint);
  dialog->AddPicture(476, 390, L"109", 10, kNoTint);
  dialog->AddPicture(0, 0, L"107", 10, kNoTint);
  craneX = 135;
  ropeY = 0;
  trolley = dialog->AddPicture(craneX + 4, 21, L"105", 5, kNoTint);
  magnet = dialog->AddPicture(craneX, ropeY + kMagnetTopAtRest, L"106", 4, kNoTint);
  rope = dialog->AddPicture(craneX + 35, 134, L"104", 4, kNoTint);
  arrows = dialog->AddPicture(craneX + 47, 45, L"108", 6, kNoTint);
  carriedPlate = -1;
  plates.clear();
  for (const PlateSpot& spot : kPlates) plates.push_back(dialog->AddPicture(spot.x, spot.y, L"103", 0, spot.tint));

  using boost::placeholders::_1;
  if (!instructionMode) dialog->ConnectOnMouse(boost::bind(&HangarScene::OnMouseEvent, this, _1));
  dialog->ConnectOnClose(boost::bind(&HangarScene::OnSceneClose, this, _1));
}

HangarScene::~HangarScene() {
  OnSceneClose(IMEvent(this, IM_EVENT_CLOSE));
  if (app_) app_->OnSceneDeleted(this);
}

long HangarScene::OnSceneClose(const IMEvent&) {
  if (maskHeld_) {
    maskHeld_ = false;
    if (IMResourceManager* rm = IMResourceManager::Instance()) rm->ReleaseTexture(maskTexture);
  }
  return 0;
}

long HangarScene::OnMouseEvent(const IMMouseEvent& e) {
  if (e.Is(WM_MBUTTONDOWN)) {
    verticalMode = !verticalMode;
    arrows->angle = verticalMode ? 0.0f : kQuarterTurn;
    arrows->SetChanged(true);
  }
  if (e.Is(WM_LBUTTONDOWN) || e.Is(WM_RBUTTONDOWN)) ++clicks;
  if (e.Is(WM_MOUSEWHEEL)) {
    // Toward the user raises the magnet or moves the crane right; a zero delta counts as away.
    const bool toward = GET_WHEEL_DELTA_WPARAM(e.wParam) < 0;
    if (verticalMode) {
      MoveVertical(toward);
    } else {
      MoveHorizontal(toward);
    }
  }
  return 0;
}

void HangarScene::MoveVertical(bool up) {
  int next = up ? ropeY - step : ropeY + step;
  // Back off a pixel at a time, never past where the crane is now.
  while (next != ropeY && !IsPositionFree(craneX, next)) next += up ? 1 : -1;
  if (next != ropeY) {
    ropeY = std::max(next, 0);
    PlaceCrane(craneX, ropeY);
  }
  TryPickUpPlate();
  TryDropPlate();
}

void HangarScene::MoveHorizontal(bool right) {
  int next = right ? craneX + step : craneX - step;
  while (next != craneX && !IsPositionFree(next, ropeY)) next += right ? -1 : 1;
  if (next != craneX) {
    craneX = std::clamp(next, kCraneMinX, kCraneMaxX);
    PlaceCrane(craneX, ropeY);
  }
  TryPickUpPlate();
  TryDropPlate();
}

void HangarScene::PlaceCrane(int x, int y) {
  trolley->SetPosition(x + 4, 21);
  magnet->SetPosition(x, y + kMagnetTopAtRest);
  arrows->SetPosition(x + 47, 45);
  rope->SetRect(RECT{x + 35, 134, x + 35 + rope->GetWidth(), y + kMagnetTopAtRest});
  if (carriedPlate != -1) {
    const RECT m = magnet->GetRect();
    plates[carriedPlate]->SetPosition(m.left + carriedOffset, m.top + magnet->GetHeight());
  }
}

bool HangarScene::HitsMask(const IMPicture* picture, int left, int top) const {
  const IMResourceManager* rm = IMResourceManager::Instance();
  const IMTextureRecord* mask = rm->GetTextureRecord(maskTexture);
  const IMTextureRecord* texels = rm->GetTextureRecord(picture->GetTextureId());
  const int width = picture->GetWidth();
  const int height = picture->GetHeight();
  for (int c = 0; c < width; ++c) {
    for (int r = 0; r < height; ++r) {
      // Beyond the mask is wall.
      if (Alpha(texels, c, r, 0) > 0 && Alpha(mask, left + c, top + r, 255) != 0) return true;
    }
  }
  return false;
}

bool HangarScene::IsPositionFree(int x, int y) const {
  const int magnetTop = y + kMagnetTopAtRest;
  if (HitsMask(magnet, x, magnetTop)) return false;

  const RECT m{x, magnetTop, x + magnet->GetWidth(), magnetTop + magnet->GetHeight()};
  RECT p{};
  const IMPicture* carried = carriedPlate != -1 ? plates[carriedPlate] : nullptr;
  if (carried) {
    p = RECT{x + carriedOffset, m.bottom, x + carriedOffset + carried->GetWidth(), m.bottom + carried->GetHeight()};
  }
  for (const IMPicture* plate : plates) {
    if (plate == carried || plate->IsHidden()) continue;
    // Plates block by their whole rectangles, transparent parts included.
    const RECT r = plate->GetRect();
    if (IntersectsRect(r, m) || (carried && IntersectsRect(r, p))) return false;
  }
  return !(carried && HitsMask(carried, p.left, p.top));
}

void HangarScene::TryPickUpPlate() {
  if (carriedPlate != -1) return;
  const RECT m = magnet->GetRect();
  for (std::size_t i = 0; i < plates.size(); ++i) {
    if (plates[i]->IsHidden()) continue;
    RECT r = plates[i]->GetRect();
    r.top -= kPickUpSlack;
    if (!IntersectsRect(r, m)) continue;
    // Only the first plate touched is tried, picked up or not.
    carriedOffset = r.left - m.left;
    if (std::abs(carriedOffset) <= kPickUpMaxOffset) carriedPlate = static_cast<int>(i);
    return;
  }
}

void HangarScene::TryDropPlate() {
  if (carriedPlate == -1) return;
  IMPicture* plate = plates[carriedPlate];
  RECT inside;
  if (!IntersectRect(&inside, kWagonZone, plate->GetRect())) return;
  if (inside.right - inside.left != plate->GetWidth()) return;
  plate->Hide();
  carriedPlate = -1;
  OnPlateDelivered();
}

void HangarScene::OnPlateDelivered() {
  // Only a timed exercise counts deliveries.
  if (deliveryTimes.empty()) return;
  const bool all = std::all_of(plates.begin(), plates.end(), [](const IMPicture* p) { return p->IsHidden(); });
  deliveryTimes.back() = platform::timeGetTime() - deliveryTimes.back();
  if (!all) {
    deliveryTimes.push_back(platform::timeGetTime());
    return;
  }
  if (!app_) return;
  app_->AddStatistic(L"Количество кликов не колесом", std::to_wstring(clicks), L"Number");
  for (std::size_t i = 0; i < deliveryTimes.size(); ++i) {
    app_->AddStatistic(L"время загрузки. мс. " + std::to_wstring(i + 1) + L" плиты", std::to_wstring(deliveryTimes[i]),
                       L"Number");
  }
  app_->ShowPraise(137, 100);
}
