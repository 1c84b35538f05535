#include "framework/platform/sdl/letterbox.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using platform::sdl::FitPicture;
using platform::sdl::PictureScaler;

// Partial updates of a scaled picture, each covering only the window pixels its change reaches,
// leave the window exactly as scaling the whole new picture would: no stale pixels, no seams.
TEST(PictureScalerTest, PartialUpdatesEqualAWholeScaleOfTheSameFrame) {
  std::mt19937 random(7);
  for (const auto& size : {std::pair{1920, 1080}, std::pair{1280, 1024}, std::pair{800, 600}, std::pair{1000, 700}}) {
    const int w = size.first;
    const int h = size.second;
    PictureScaler scaler;
    scaler.Reset(FitPicture(w, h, 800, 600), 800, 600);
    const auto& box = scaler.Box();
    std::vector<std::uint32_t> picture(800 * 600);
    for (auto& p : picture) p = random();
    std::vector<std::uint32_t> window(static_cast<std::size_t>(w) * h);
    auto scale = [&](const SDL_Rect& a) { scaler.Scale(picture.data(), a, &window[a.y * w + a.x], w * 4); };
    scale(SDL_Rect{box.x, box.y, box.width, box.height});
    for (RECT r : {RECT{300, 200, 302, 220}, RECT{0, 0, 1, 1}, RECT{799, 599, 800, 600}, RECT{10, 590, 790, 600}}) {
      for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) picture[y * 800 + x] = random();
      }
      scale(scaler.Affected(r));
    }
    const std::vector<std::uint32_t> partial = window;
    scale(SDL_Rect{box.x, box.y, box.width, box.height});
    std::size_t differing = 0;
    for (std::size_t i = 0; i < window.size(); ++i) differing += partial[i] != window[i];
    EXPECT_EQ(differing, 0u) << w << "x" << h;
  }
}

}  // namespace
