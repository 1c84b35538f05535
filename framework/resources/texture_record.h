#pragma once
// One picture of the texture store: its device texture (dropped and re-created at will) and
// the copy of its pixels that makes dropping safe.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "framework/platform/device.h"

struct IMTextureRecord {
  platform::Texture* texture = nullptr;  // null while the device copy is dropped
  RECT imageRect{};                      // {0, 0, picture width, picture height}
  std::uint32_t textureWidth = 0;        // level 0 as the device made it: powers of two
  std::uint32_t textureHeight = 0;
  D3DFORMAT format = D3DFMT_A8R8G8B8;    // a re-created device copy keeps it
  std::wstring name;
  std::int32_t refCount = 0;
  // Level 0 as last backed up: textureHeight rows of `pitch` bytes; empty when there is none.
  std::vector<std::uint32_t> pixels;
  int pitch = 0;
  // A built-in picture registered from its header alone: its device copy is made but empty,
  // and the picture is decoded into it on first use.
  std::span<const unsigned char> encoded;
};
