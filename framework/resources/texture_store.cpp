// The texture store half of the resource manager: named, reference-counted textures, each
// with a copy of its pixels so that its device copy can be dropped and re-created at will.

#include <algorithm>
#include <boost/lexical_cast.hpp>
#include <cstring>
#include <new>

#include "framework/platform/platform.h"
#include "framework/resources/image_loading.h"
#include "framework/resources/resource_manager.h"
#include "framework/resources/skin.h"

IMTextureRecord* IMResourceManager::Record(std::uint32_t id) const {
  return id < idCount_ ? records_[id].get() : nullptr;
}

const IMTextureRecord* IMResourceManager::GetTextureRecord(std::uint32_t id) const { return Record(id); }

std::uint32_t IMResourceManager::FindTexture(const std::wstring& name) const {
  const auto it = textureIds_.find(name);
  return it == textureIds_.end() ? kNoTexture : it->second;
}

bool IMResourceManager::EvictFor(const std::wstring& name) {
  for (std::uint32_t id = 0; id < idCount_; ++id) {
    IMTextureRecord* record = records_[id].get();
    if (record && record->name != name && record->texture) {
      DropDeviceTexture(id);
      return true;
    }
  }
  return false;
}

std::uint32_t IMResourceManager::Register(const std::wstring& name, const Maker& make, D3DFORMAT format,
                                          std::span<const unsigned char> encoded) {
  for (;;) {
    const std::uint32_t existing = FindTexture(name);
    if (existing != kNoTexture) {
      ++records_[existing]->refCount;
      return existing;
    }
    platform::Device* device = LiveDevice();
    platform::Texture* texture = nullptr;
    int width = 0;
    int height = 0;
    try {
      if (!make(device, texture, width, height)) return kNoTexture;
    } catch (const std::bad_alloc&) {
      if (texture) texture->Release();
      // Out of video memory: free one other texture's device copy and run the whole operation
      // again; when there is nothing left to free, give up.
      if (!EvictFor(name)) return kNoTexture;
      continue;
    }
    return AddRecord(name, texture, width, height, format, device == nullptr, encoded);
  }
}

std::uint32_t IMResourceManager::AddRecord(const std::wstring& name, platform::Texture* texture, int width,
                                           int height, D3DFORMAT format, bool detached,
                                           std::span<const unsigned char> encoded) {
  auto record = std::make_unique<IMTextureRecord>();
  record->texture = texture;
  record->imageRect = RECT{0, 0, width, height};
  platform::SurfaceDesc desc;
  if (texture->GetLevelDesc(0, &desc) == D3D_OK) {
    record->textureWidth = desc.Width;
    record->textureHeight = desc.Height;
    record->format = desc.Format;
  } else {
    record->format = format;
  }
  record->name = name;
  record->refCount = 1;

  std::uint32_t id;
  if (!freeIds_.empty()) {
    id = freeIds_.back();
    freeIds_.pop_back();
  } else {
    records_.emplace_back();
    id = idCount_++;
  }
  textureIds_[name] = id;
  records_[id] = std::move(record);
  // An undecoded picture has nothing to back up yet: its pixels come with its decoding.
  if (encoded.empty()) {
    BackupTexturePixels(id);
  } else {
    records_[id]->encoded = encoded;
  }
  // A texture decoded in system memory while the device was away: keep only its pixels; the
  // device copy is made on first use.
  if (detached) DropDeviceTexture(id);
  return id;
}

std::uint32_t IMResourceManager::LoadTexture(const std::wstring& name) {
  int number = 0;
  bool numbered = false;
  try {
    number = boost::lexical_cast<int>(name);
    numbered = true;
  } catch (const boost::bad_lexical_cast&) {
  }
  if (numbered) {
    const WORD id = static_cast<WORD>(number & 0xFFFF);
    return Register(
        name,
        [id](platform::Device* device, platform::Texture*& texture, int& width, int& height) {
          return LoadPngFromResource(device, id, texture, width, height) ||
                 LoadJpegFromResource(device, id, texture, width, height);
        },
        D3DFMT_A8R8G8B8);
  }
  return Register(
      name,
      [&name](platform::Device* device, platform::Texture*& texture, int& width, int& height) {
        return LoadImageFile(device, name, texture, width, height);
      },
      D3DFMT_A8R8G8B8);
}

std::uint32_t IMResourceManager::RegisterTexture(const std::wstring& name, const void* data, unsigned size) {
  return Register(
      name,
      [data, size](platform::Device* device, platform::Texture*& texture, int& width, int& height) {
        return LoadPngFromMemory(device, data, size, texture, width, height) ||
               LoadJpegFromMemory(device, data, size, texture, width, height);
      },
      D3DFMT_A8R8G8B8);
}

std::uint32_t IMResourceManager::RegisterSkinPicture(const std::wstring& name, std::span<const unsigned char> data) {
  const auto size = static_cast<unsigned>(data.size());
  int width = 0;
  int height = 0;
  if (!ReadPngSize(data.data(), size, width, height)) return RegisterTexture(name, data.data(), size);
  // The device copy is made now, so that running out of video memory shows where it did before.
  return Register(
      name,
      [width, height](platform::Device* device, platform::Texture*& texture, int& w, int& h) {
        w = width;
        h = height;
        return CreateTexturePow2(device, texture, width, height, D3DFMT_A8R8G8B8);
      },
      D3DFMT_A8R8G8B8, data);
}

void IMResourceManager::DecodeRegistered(std::uint32_t id) {
  IMTextureRecord* record = Record(id);
  if (!record || record->encoded.empty()) return;
  const std::span<const unsigned char> encoded = record->encoded;
  record->encoded = {};
  // A device copy dropped before first use: decode into system memory, keep only the pixels.
  const bool detached = record->texture == nullptr;
  if (detached) {
    CreateTexturePow2(nullptr, record->texture, static_cast<int>(record->textureWidth),
                      static_cast<int>(record->textureHeight), record->format);
  }
  if (!record->texture || !DecodePngInto(encoded.data(), static_cast<unsigned>(encoded.size()), record->texture,
                                         record->imageRect.right, record->imageRect.bottom)) {
    ReportMissingSkinPicture(record->name);
    textureIds_.erase(record->name);
    if (record->texture) record->texture->Release();
    records_[id].reset();  // the id is not handed out again, as for a picture that failed at start
    return;
  }
  BackupTexturePixels(id);
  if (detached) DropDeviceTexture(id);
}

std::uint32_t IMResourceManager::CreateTexture(const std::wstring& name, int width, int height, D3DFORMAT format) {
  return Register(
      name,
      [width, height, format](platform::Device* device, platform::Texture*& texture, int& w, int& h) {
        if (!CreateTexturePow2(device, texture, width, height, format)) return false;
        platform::LockedRect locked;
        if (texture->LockRect(0, &locked, nullptr, 0) == D3D_OK) {
          std::memset(locked.pBits, 0, static_cast<std::size_t>(locked.Pitch) * std::max(height, 0));
          texture->UnlockRect(0);
        }
        w = width;
        h = height;
        return true;
      },
      format);
}

std::uint32_t IMResourceManager::AddRef(std::uint32_t id) {
  IMTextureRecord* record = Record(id);
  if (!record) return kNoTexture;
  ++record->refCount;
  return id;
}

int IMResourceManager::ReleaseTexture(std::uint32_t id) {
  IMTextureRecord* record = Record(id);
  if (!record) return 0;
  if (--record->refCount > 0) return 0;
  textureIds_.erase(record->name);
  if (record->texture) record->texture->Release();
  records_[id].reset();
  freeIds_.push_back(id);
  return 0;
}

int IMResourceManager::ReleaseTextureByName(const std::wstring& name) { return ReleaseTexture(FindTexture(name)); }

void IMResourceManager::DropDeviceTexture(std::uint32_t id) {
  IMTextureRecord* record = Record(id);
  if (record && record->texture) {
    record->texture->Release();
    record->texture = nullptr;
  }
}

void IMResourceManager::BackupTexturePixels(std::uint32_t id) {
  IMTextureRecord* record = Record(id);
  if (!record) return;
  if (!record->encoded.empty()) {
    DecodeRegistered(id);  // backs the decoded picture up
    return;
  }
  record->pixels.clear();
  record->pixels.shrink_to_fit();
  record->pitch = 0;
  if (!record->texture) return;
  platform::LockedRect locked;
  if (record->texture->LockRect(0, &locked, nullptr, 0) != D3D_OK) return;
  // Copied straight in: filling the copy with zeros first doubles the memory written, and
  // the background alone is four megabytes.
  const auto* from = static_cast<const std::uint32_t*>(locked.pBits);
  record->pixels.assign(from, from + static_cast<std::size_t>(locked.Pitch / 4) * record->textureHeight);
  record->pitch = locked.Pitch;
  record->texture->UnlockRect(0);
}

void IMResourceManager::EnsureTexture(std::uint32_t id) {
  DecodeRegistered(id);
  IMTextureRecord* record = Record(id);
  if (!record || record->pixels.empty() || record->texture) return;
  // While the device is lost or absent the record keeps only its pixels.
  platform::Device* device = LiveDevice();
  if (!device) return;
  for (;;) {
    platform::Texture* texture = nullptr;
    try {
      // The record's own format: a video frame texture stays opaque when it comes back.
      if (!CreateTexturePow2(device, texture, static_cast<int>(record->textureWidth),
                             static_cast<int>(record->textureHeight), record->format)) {
        return;
      }
    } catch (const std::bad_alloc&) {
      if (!EvictFor(record->name)) return;
      continue;
    }
    platform::LockedRect locked;
    if (texture->LockRect(0, &locked, nullptr, 0) == D3D_OK) {
      const std::size_t rowBytes = static_cast<std::size_t>(std::min(locked.Pitch, record->pitch));
      const auto* from = reinterpret_cast<const unsigned char*>(record->pixels.data());
      auto* to = static_cast<unsigned char*>(locked.pBits);
      for (std::uint32_t y = 0; y < record->textureHeight; ++y) {
        std::memcpy(to + static_cast<std::size_t>(y) * locked.Pitch, from + static_cast<std::size_t>(y) * record->pitch,
                    rowBytes);
      }
      texture->UnlockRect(0);
    }
    record->texture = texture;
    return;
  }
}

std::uint32_t IMResourceManager::GetTexel(std::uint32_t id, int x, int y) {
  EnsureTexture(id);
  const IMTextureRecord* record = Record(id);
  if (!record || x < 0 || y < 0 || static_cast<std::uint32_t>(x) >= record->textureWidth ||
      static_cast<std::uint32_t>(y) >= record->textureHeight) {
    return 0;
  }
  const std::size_t index = static_cast<std::size_t>(y) * record->textureWidth + static_cast<std::size_t>(x);
  return index < record->pixels.size() ? record->pixels[index] : 0;
}

int IMResourceManager::GetTexturePitch(std::uint32_t id) {
  EnsureTexture(id);
  IMTextureRecord* record = Record(id);
  if (!record) return 0;
  platform::LockedRect locked;
  if (record->texture && record->texture->LockRect(0, &locked, nullptr, 0) == D3D_OK) {
    record->texture->UnlockRect(0);
    return locked.Pitch;
  }
  return record->pitch;  // the pixel copy keeps the device's layout
}

int IMResourceManager::LockTexture(std::uint32_t id,
                                   const std::function<void(void* bits, int pitch, int imageHeight)>& f) {
  EnsureTexture(id);
  IMTextureRecord* record = Record(id);
  if (!record || !f) return 0;
  platform::LockedRect locked;
  if (!record->texture || record->texture->LockRect(0, &locked, nullptr, 0) != D3D_OK) {
    platform::OutputDebugString(L"Ошибка!");
    return 0;
  }
  f(locked.pBits, locked.Pitch, record->imageRect.bottom);
  record->texture->UnlockRect(0);
  return 0;
}
