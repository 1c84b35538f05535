#include "framework/views/texture_view.h"

#include <cmath>

#include "framework/resources/resource_manager.h"

IMTextureView::~IMTextureView() {
  // Id 0 is the default background, which lives as long as the manager.
  IMResourceManager* rm = IMResourceManager::Instance();
  if (rm && hasTexture && textureId != 0) rm->ReleaseTexture(textureId);
}

void IMTextureView::Show(std::uint32_t id) {
  IMResourceManager* rm = IMResourceManager::Instance();
  const IMTextureRecord* record = rm->GetTextureRecord(id);
  rm->AddRef(id);
  if (hasTexture) rm->ReleaseTexture(textureId);
  textureId = id;
  hasTexture = true;
  SetSourceRect(record->imageRect);
  SetChanged(true);
}

void IMTextureView::SetTexture(const std::wstring& name) {
  IMResourceManager* rm = IMResourceManager::Instance();
  if (!rm) return;
  const std::uint32_t id = rm->LoadTexture(name);
  // A failed load took nothing: keep the picture shown so far rather than an id that a later
  // texture may receive.
  if (!rm->GetTextureRecord(id)) return;
  if (hasTexture && id == textureId) {
    rm->ReleaseTexture(id);
    return;
  }
  Show(id);
  rm->ReleaseTexture(id);
}

void IMTextureView::SetTextureId(std::uint32_t id) {
  IMResourceManager* rm = IMResourceManager::Instance();
  if (!rm || !rm->GetTextureRecord(id)) return;
  if (hasTexture && id == textureId) return;
  Show(id);
}

void IMTextureView::Draw() {
  IMResourceManager* rm = IMResourceManager::Instance();
  if (rm && hasTexture) {
    const RECT r = GetRect();
    const RECT s = GetSourceRect();
    rm->DrawTexture(textureId, &r, &s, tint, angle);
  }
  changed = false;
}

RECT IMTextureView::GetBounds() const {
  const RECT r = GetRect();
  if (angle == 0.0f) return r;
  const float cx = static_cast<float>(r.left + r.right) * 0.5f;
  const float cy = static_cast<float>(r.top + r.bottom) * 0.5f;
  const float c = std::abs(std::cos(angle));
  const float sn = std::abs(std::sin(angle));
  const float w = static_cast<float>(r.right - r.left) * 0.5f;
  const float h = static_cast<float>(r.bottom - r.top) * 0.5f;
  const float hw = c * w + sn * h;
  const float hh = sn * w + c * h;
  // A pixel of margin on each side for the rounding of the turned corners.
  return RECT{static_cast<int>(std::floor(cx - hw)) - 1, static_cast<int>(std::floor(cy - hh)) - 1,
              static_cast<int>(std::ceil(cx + hw)) + 1, static_cast<int>(std::ceil(cy + hh)) + 1};
}

bool IMTextureView::HitTest(const POINT& point) const {
  IMResourceManager* rm = IMResourceManager::Instance();
  if (!rm || !hasTexture) return false;
  const RECT r = GetRect();
  const RECT s = GetSourceRect();
  const auto cx = static_cast<float>(r.left + (r.right - r.left) / 2);
  const auto cy = static_cast<float>(r.top + (r.bottom - r.top) / 2);
  const float c = std::cos(-angle);
  const float sn = std::sin(-angle);
  const float px = static_cast<float>(point.x) - cx;
  const float py = static_cast<float>(point.y) - cy;
  const POINT p{static_cast<std::int32_t>(cx + c * px - sn * py), static_cast<std::int32_t>(cy + sn * px + c * py)};
  if (!PtInRect(r, p)) return false;
  // Offsets from the texture's top-left texel: the source's own offset is not added.
  const POINT texel{(s.right - s.left) * (p.x - r.left) / (r.right - r.left),
                    (s.bottom - s.top) * (p.y - r.top) / (r.bottom - r.top)};
  if (!PtInRect(s, texel)) return false;
  const std::uint32_t value = rm->GetTexel(textureId, texel.x, texel.y);
  const int alpha = static_cast<int>((tint >> 24) * (value >> 24) / 255);
  return alpha >= alphaThreshold;
}
