#pragma once
// The client-sized picture in a larger window: where it lies (aspect kept, centred, black bars
// around), which picture pixel a window position acts on, and the picture scaled into its place.

#include <SDL2/SDL.h>

#include <cstdint>
#include <vector>

#include "framework/platform/win_types.h"

namespace platform::sdl {

struct Letterbox {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

Letterbox FitPicture(int windowWidth, int windowHeight, int pictureWidth, int pictureHeight);

// The picture pixel under a window position; outside the picture when the position is in a bar.
POINT WindowToPicture(const Letterbox& box, int pictureWidth, int pictureHeight, int x, int y);

// Bilinear, sampling at pixel centres as a GPU does. Each window pixel is a fixed function of
// its position and the picture, so a partial update gives exactly what a whole one would.
class PictureScaler {
 public:
  void Reset(const Letterbox& box, int pictureWidth, int pictureHeight);
  const Letterbox& Box() const { return box_; }
  // The window pixels that depend on the picture's `changed` pixels.
  SDL_Rect Affected(const RECT& changed) const;
  // Writes the window pixels of `area` (inside the box) as opaque 0xAARRGGBB to `out`, which
  // points at the area's top left pixel and has rows of `pitch` bytes.
  void Scale(const std::uint32_t* picture, const SDL_Rect& area, void* out, int pitch) const;

 private:
  struct Tap {
    int first;
    int second;
    std::uint32_t weight;  // of the second, in 256ths
  };
  static std::vector<Tap> Taps(int length, int source);
  static std::pair<int, int> Span(const std::vector<Tap>& taps, int from, int to);

  Letterbox box_;
  int width_ = 0;
  int height_ = 0;
  std::vector<Tap> columns_;
  std::vector<Tap> rows_;
};

}  // namespace platform::sdl
