#include "framework/resources/font_cache.h"

int IMFontCache::GetFont(const std::wstring& face, int height, bool bold, bool italic,
                         bool underline) {
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    const IMFont& f = *fonts_[i];
    if (f.face() == face && f.height() == height && f.bold() == bold && f.italic() == italic) {
      return static_cast<int>(i);
    }
  }
  fonts_.push_back(std::make_unique<IMFont>(face, height, bold, italic, underline));
  return static_cast<int>(fonts_.size() - 1);
}
