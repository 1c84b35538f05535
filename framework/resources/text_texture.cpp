// Glyph textures: one character in one format, rendered once and then shared by its key.

#include <optional>

#include "framework/resources/glyph_path_source.h"
#include "framework/resources/glyph_rasteriser.h"
#include "framework/resources/image_loading.h"
#include "framework/resources/resource_manager.h"

std::uint32_t IMResourceManager::CreateTextTexture(const std::wstring& key, const std::wstring& text,
                                                   const RECT* rect, DWORD colour, int size,
                                                   const std::wstring& face, bool italic, bool bold,
                                                   bool underline, DWORD backColour) {
  // Decoded inside the maker so that a key already registered costs no font work at all.
  return Register(
      key,
      [&](platform::Device* device, platform::Texture*& texture, int& width, int& height) {
        IMTextStyle style(fonts_, face, size, bold, italic, underline);
        IMFont& font = fonts_.Font(style.font);
        GlyphPathSource path;
        if (!text.empty()) {
          // A character without an outline leaves the path empty: the cell of back colour.
          DecodeGlyphOutline(&path, font, style.underline, text.front());
        } else {
          path.cellHeight = font.metrics().tmHeight;
        }
        const std::optional<RECT> imageRect = rect ? std::optional<RECT>(*rect) : std::nullopt;
        GlyphImageSize(path, imageRect, &width, &height);
        if (!CreateTexturePow2(device, texture, width, height, D3DFMT_A8R8G8B8)) return false;
        platform::LockedRect locked;
        if (texture->LockRect(0, &locked, nullptr, 0) == D3D_OK) {
          FillGlyph(path, static_cast<std::uint8_t*>(locked.pBits), locked.Pitch, width, height, colour,
                    backColour);
          texture->UnlockRect(0);
        }
        return true;
      },
      D3DFMT_A8R8G8B8);
}
