#pragma once
// A picture loader run on one input as the texture store runs it: from memory, into a
// system-memory texture, which is then given back.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "framework/resources/image_loading.h"

using PictureLoader = bool (*)(platform::Device*, const void*, unsigned, platform::Texture*&, int&, int&);

inline int LoadPicture(PictureLoader load, const std::uint8_t* data, std::size_t size) {
  platform::Texture* texture = nullptr;
  int width = 0;
  int height = 0;
  if (load(nullptr, data, static_cast<unsigned>(size), texture, width, height)) {
    platform::SurfaceDesc desc;
    texture->GetLevelDesc(0, &desc);
    // The picture lies inside its texture.
    if (width > static_cast<int>(desc.Width) || height > static_cast<int>(desc.Height)) std::abort();
    texture->Release();
  }
  return 0;
}
