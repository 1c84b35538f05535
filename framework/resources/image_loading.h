#pragma once
// Pictures into textures: PNG and JPEG from memory, numbered resources or files, decoded into
// 32-bit BGRA texels (bytes B, G, R, A) of a texture whose sides are powers of two. Each loader
// reports the picture's own size and returns false when no texture was made; a picture that
// cannot be decoded never ends the program and never reads outside its data.
//
// With a null device the texture is made in system memory (see platform::CreateSystemMemoryTexture),
// so pictures can be decoded while the device is lost or absent.

#include <string>

#include "framework/platform/device.h"

// The longest side of any picture or texture (no device offers more). The loaders refuse a
// larger picture from its header, before the decoder allocates anything for it.
constexpr int kMaxPictureSide = 8192;

// Sides raised to the smallest power of two not below them (1 for 1 or less); a side above
// kMaxPictureSide returns false. Out of video memory throws std::bad_alloc; any other failure
// returns false.
bool CreateTexturePow2(platform::Device* device, platform::Texture*& texture, int width, int height,
                       D3DFORMAT format);

bool LoadPngFromMemory(platform::Device* device, const void* data, unsigned size, platform::Texture*& texture,
                       int& width, int& height);
// The size a PNG's header gives, without decoding it; false for anything else or a size no
// texture can have.
bool ReadPngSize(const void* data, unsigned size, int& width, int& height);
// Decodes a PNG of exactly width x height into level 0 of an existing texture of at least that
// size. On failure the texture stays the caller's, its content undefined.
bool DecodePngInto(const void* data, unsigned size, platform::Texture* texture, int width, int height);
bool LoadPngFromResource(platform::Device* device, WORD id, platform::Texture*& texture, int& width, int& height);
bool LoadPngFromFile(platform::Device* device, const std::wstring& path, platform::Texture*& texture, int& width,
                     int& height);

bool LoadJpegFromMemory(platform::Device* device, const void* data, unsigned size, platform::Texture*& texture,
                        int& width, int& height);
bool LoadJpegFromResource(platform::Device* device, WORD id, platform::Texture*& texture, int& width, int& height);
bool LoadJpegFromFile(platform::Device* device, const std::wstring& path, platform::Texture*& texture, int& width,
                      int& height);

// PNG first, then JPEG.
bool LoadImageFile(platform::Device* device, const std::wstring& path, platform::Texture*& texture, int& width,
                   int& height);
