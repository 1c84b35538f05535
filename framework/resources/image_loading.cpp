#include "framework/resources/image_loading.h"

#include <new>

#include "framework/platform/resources.h"

namespace {

UINT RoundUpToPowerOfTwo(int size) {
  UINT p = 1;
  while (static_cast<int>(p) < size) p <<= 1;
  return p;
}

}  // namespace

bool CreateTexturePow2(platform::Device* device, platform::Texture*& texture, int width, int height,
                       D3DFORMAT format) {
  texture = nullptr;
  if (width > kMaxPictureSide || height > kMaxPictureSide) return false;
  const UINT w = RoundUpToPowerOfTwo(width);
  const UINT h = RoundUpToPowerOfTwo(height);
  if (!device) {
    texture = platform::CreateSystemMemoryTexture(w, h, format);
    return texture != nullptr;
  }
  const HRESULT result = device->CreateTexture(w, h, 0, D3DUSAGE_DYNAMIC, format, D3DPOOL_DEFAULT, &texture);
  if (result == D3DERR_OUTOFVIDEOMEMORY) {
    texture = nullptr;
    throw std::bad_alloc();
  }
  if (result != D3D_OK) texture = nullptr;
  return texture != nullptr;
}

bool LoadPngFromResource(platform::Device* device, WORD id, platform::Texture*& texture, int& width, int& height) {
  // Held while decoding: a picture from the companion module lives as long as this does.
  const platform::ResourceData data = platform::FindResource(id);
  if (data.bytes.empty()) return false;
  return LoadPngFromMemory(device, data.bytes.data(), static_cast<unsigned>(data.bytes.size()), texture, width,
                           height);
}

bool LoadJpegFromResource(platform::Device* device, WORD id, platform::Texture*& texture, int& width, int& height) {
  const platform::ResourceData data = platform::FindResource(id);
  if (data.bytes.empty()) return false;
  return LoadJpegFromMemory(device, data.bytes.data(), static_cast<unsigned>(data.bytes.size()), texture, width,
                            height);
}

bool LoadImageFile(platform::Device* device, const std::wstring& path, platform::Texture*& texture, int& width,
                   int& height) {
  return LoadPngFromFile(device, path, texture, width, height) ||
         LoadJpegFromFile(device, path, texture, width, height);
}
