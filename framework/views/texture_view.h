#pragma once
// A view that draws one texture of the store, tinted and turned about its centre, and is hit
// only where the texture is opaque enough.

#include <cstdint>
#include <string>

#include "framework/views/view.h"

class IMTextureView : public IMView {
 public:
  IMTextureView() = default;
  ~IMTextureView() override;

  // Shows the picture registered (or loadable) under the name. When it cannot be loaded the
  // view keeps what it showed.
  void SetTexture(const std::wstring& name);
  // Shows an already registered texture; an id without a texture changes nothing.
  void SetTextureId(std::uint32_t id);

  void Draw() override;
  bool HitTest(const POINT& point) const override;
  // A turned picture reaches beyond its rectangle.
  RECT GetBounds() const override;

  std::uint32_t GetTextureId() const { return textureId; }
  bool HasTexture() const { return hasTexture; }

  DWORD tint = 0xFFFFFFFF;
  float angle = 0.0f;
  int alphaThreshold = 255;

 protected:
  // Holds one reference on id and gives up the previous one.
  void Show(std::uint32_t id);

  std::uint32_t textureId = 0;
  bool hasTexture = false;
};
