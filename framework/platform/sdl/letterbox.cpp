#include "framework/platform/sdl/letterbox.h"

#include <algorithm>
#include <cstring>

namespace platform::sdl {

namespace {

int FloorDiv(int a, int b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

constexpr std::uint64_t kLanes = 0x00FF00FF00FF00FFull;
// Rounds each lane's mix to the nearest level.
constexpr std::uint64_t kHalves = 0x0080008000800080ull;

// The four channels spread to 16 bits each, so one multiply weighs them all.
std::uint64_t Spread(std::uint32_t p) {
  return (p & 0x00FF00FFu) | (static_cast<std::uint64_t>(p & 0xFF00FF00u) << 24);
}

std::uint64_t Mix(std::uint64_t a, std::uint64_t b, std::uint32_t weight) {
  return ((a * (256 - weight) + b * weight + kHalves) >> 8) & kLanes;
}

std::uint32_t Pack(std::uint64_t v) {
  return static_cast<std::uint32_t>((v & 0x00FF00FFu) | ((v >> 24) & 0xFF00FF00u)) | 0xFF000000u;
}

}  // namespace

Letterbox FitPicture(int windowWidth, int windowHeight, int pictureWidth, int pictureHeight) {
  Letterbox box{0, 0, windowWidth, windowHeight};
  if (static_cast<long long>(windowWidth) * pictureHeight > static_cast<long long>(windowHeight) * pictureWidth) {
    box.width = static_cast<int>(static_cast<long long>(pictureWidth) * windowHeight / pictureHeight);
  } else {
    box.height = static_cast<int>(static_cast<long long>(pictureHeight) * windowWidth / pictureWidth);
  }
  box.x = (windowWidth - box.width) / 2;
  box.y = (windowHeight - box.height) / 2;
  return box;
}

POINT WindowToPicture(const Letterbox& box, int pictureWidth, int pictureHeight, int x, int y) {
  if (box.width <= 0 || box.height <= 0) return POINT{x, y};
  return POINT{FloorDiv((x - box.x) * pictureWidth, box.width), FloorDiv((y - box.y) * pictureHeight, box.height)};
}

std::vector<PictureScaler::Tap> PictureScaler::Taps(int length, int source) {
  std::vector<Tap> taps(static_cast<std::size_t>(length));
  for (int i = 0; i < length; ++i) {
    // The pixel's centre in source pixels, less half a pixel, in 256ths.
    const long long at = (static_cast<long long>(2 * i + 1) * source - length) * 128 / length;
    Tap& t = taps[static_cast<std::size_t>(i)];
    t = at <= 0 ? Tap{0, 0, 0} : Tap{static_cast<int>(at >> 8), 0, static_cast<std::uint32_t>(at & 255)};
    if (t.first >= source - 1) t = Tap{source - 1, source - 1, 0};
    else t.second = t.first + 1;
  }
  return taps;
}

void PictureScaler::Reset(const Letterbox& box, int pictureWidth, int pictureHeight) {
  box_ = box;
  width_ = pictureWidth;
  height_ = pictureHeight;
  columns_ = Taps(box.width, pictureWidth);
  rows_ = Taps(box.height, pictureHeight);
}

// The window pixels along one axis whose taps reach source pixels [from, to).
std::pair<int, int> PictureScaler::Span(const std::vector<Tap>& taps, int from, int to) {
  auto firstAtLeast = [&](int s) {
    return static_cast<int>(std::partition_point(taps.begin(), taps.end(), [s](const Tap& t) { return t.first < s; }) -
                            taps.begin());
  };
  return {firstAtLeast(from - 1), firstAtLeast(to)};
}

SDL_Rect PictureScaler::Affected(const RECT& changed) const {
  if (changed.left >= changed.right || changed.top >= changed.bottom) return SDL_Rect{0, 0, 0, 0};
  const auto [left, right] = Span(columns_, changed.left, changed.right);
  const auto [top, bottom] = Span(rows_, changed.top, changed.bottom);
  return SDL_Rect{box_.x + left, box_.y + top, right - left, bottom - top};
}

void PictureScaler::Scale(const std::uint32_t* picture, const SDL_Rect& area, void* out, int pitch) const {
  auto* row = static_cast<std::uint8_t*>(out);
  const Tap* tx = columns_.data() + (area.x - box_.x);
  if (box_.width == width_ && box_.height == height_) {
    // 1:1 every tap is whole; this is what the mixing below gives, only faster.
    for (int y = area.y; y < area.y + area.h; ++y, row += pitch) {
      const std::uint32_t* src = picture + static_cast<std::size_t>(rows_[y - box_.y].first) * width_;
      auto* dst = reinterpret_cast<std::uint32_t*>(row);
      for (int x = 0; x < area.w; ++x) dst[x] = src[tx[x].first] | 0xFF000000u;
    }
    return;
  }
  // Source rows mixed across, kept while neighbouring window rows still use them.
  std::vector<std::uint64_t> upper(static_cast<std::size_t>(area.w));
  std::vector<std::uint64_t> lower(upper.size());
  int upperRow = -1;
  int lowerRow = -1;
  auto across = [&](int sourceRow, std::vector<std::uint64_t>& mixed) {
    const std::uint32_t* src = picture + static_cast<std::size_t>(sourceRow) * width_;
    for (int x = 0; x < area.w; ++x) mixed[x] = Mix(Spread(src[tx[x].first]), Spread(src[tx[x].second]), tx[x].weight);
  };
  for (int y = area.y; y < area.y + area.h; ++y, row += pitch) {
    const Tap& ty = rows_[static_cast<std::size_t>(y - box_.y)];
    if (ty.first != upperRow) {
      if (ty.first == lowerRow) {
        std::swap(upper, lower);
        std::swap(upperRow, lowerRow);
      } else {
        across(ty.first, upper);
        upperRow = ty.first;
      }
    }
    auto* dst = reinterpret_cast<std::uint32_t*>(row);
    if (!ty.weight) {
      for (int x = 0; x < area.w; ++x) dst[x] = Pack(upper[x]);
      continue;
    }
    if (ty.second != lowerRow) {
      across(ty.second, lower);
      lowerRow = ty.second;
    }
    for (int x = 0; x < area.w; ++x) dst[x] = Pack(Mix(upper[x], lower[x], ty.weight));
  }
}

}  // namespace platform::sdl
