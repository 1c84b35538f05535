// One full frame of the crane scene's pictures through the software device: the hangar
// background and the wall in front (800x600 each), six tinted plates, the rope, the trolley,
// the magnet, the direction arrows turned a quarter turn, and the wagon. Synthetic pictures of
// the scene's sizes stand in for the real ones.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <numbers>
#include <string>

#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "framework/resources/resource_manager.h"

namespace {

// Alpha of a picture with a solid body, a soft rim and transparent surroundings.
std::uint32_t Body(int x, int y, int w, int h, int rim) {
  const int d = std::min(std::min(x, w - 1 - x), std::min(y, h - 1 - y));
  if (d >= rim) return 255;
  return static_cast<std::uint32_t>(255 * d / rim);
}

std::uint32_t Make(const std::wstring& name, int w, int h, std::uint32_t (*pixel)(int, int, int, int)) {
  IMResourceManager* rm = IMResourceManager::Instance();
  const std::uint32_t id = rm->CreateTexture(name, w, h, D3DFMT_A8R8G8B8);
  rm->LockTexture(id, [&](void* bits, int pitch, int) {
    for (int y = 0; y < h; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(static_cast<unsigned char*>(bits) + y * pitch);
      for (int x = 0; x < w; ++x) row[x] = pixel(x, y, w, h);
    }
  });
  rm->BackupTexturePixels(id);
  return id;
}

struct Scene {
  std::uint32_t background, wall, plate, rope, trolley, magnet, arrows, wagon;

  Scene() {
    background = Make(L"hangar", 800, 600, [](int x, int y, int, int) {
      return 0xFF000000u | static_cast<std::uint32_t>(x / 4) << 16 | static_cast<std::uint32_t>(y / 3) << 8 | 0x40u;
    });
    // The wall in front: opaque brick on the right, a soft edge, transparent elsewhere.
    wall = Make(L"wall", 800, 600, [](int x, int y, int, int) {
      const std::uint32_t a = x < 560 ? 0u : x < 576 ? static_cast<std::uint32_t>((x - 560) * 16) : 255u;
      return a << 24 | (((x / 20 + y / 10) % 2) ? 0x8A4B2Au : 0x7A3B1Au);
    });
    plate = Make(L"plate", 90, 22, [](int x, int y, int w, int h) { return Body(x, y, w, h, 2) << 24 | 0xFFFFFFu; });
    rope = Make(L"rope", 4, 1, [](int x, int, int, int) { return x == 0 || x == 3 ? 0x80202020u : 0xFF303030u; });
    trolley = Make(L"trolley", 140, 60, [](int x, int y, int w, int h) { return Body(x, y, w, h, 3) << 24 | 0x506070u; });
    magnet = Make(L"magnet", 90, 46, [](int x, int y, int w, int h) { return Body(x, y, w, h, 3) << 24 | 0x902020u; });
    arrows = Make(L"arrows", 64, 64, [](int x, int y, int, int) {
      const bool cross = (x > 26 && x < 38) || (y > 26 && y < 38);
      return cross ? 0xFF20C040u : 0x00000000u;
    });
    wagon = Make(L"wagon", 280, 150, [](int x, int y, int w, int h) { return Body(x, y, w, h, 4) << 24 | 0x3A5A2Au; });
  }

  void Draw() const {
    IMResourceManager* rm = IMResourceManager::Instance();
    platform::Device* d = rm->GetDevice();
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    d->BeginScene();
    auto draw = [rm](std::uint32_t id, RECT r, DWORD tint = 0xFFFFFFFF, float angle = 0.0f) {
      rm->DrawTexture(id, &r, nullptr, tint, angle);
    };
    draw(background, RECT{0, 0, 800, 600});
    draw(wagon, RECT{560, 420, 840, 570});
    static const DWORD kTints[6] = {0xFFE04040, 0xFF40E040, 0xFF4040E0, 0xFFE0E040, 0xFFE040E0, 0xFF40E0E0};
    for (int i = 0; i < 6; ++i) draw(plate, RECT{40 + 80 * i, 540, 130 + 80 * i, 562}, kTints[i]);
    draw(rope, RECT{298, 120, 302, 330});
    draw(trolley, RECT{230, 60, 370, 120});
    draw(magnet, RECT{255, 330, 345, 376});
    draw(arrows, RECT{268, 66, 332, 130}, 0xFFFFFFFF, std::numbers::pi_v<float> / 2);
    draw(wall, RECT{0, 0, 800, 600});
    d->EndScene();
  }
};

class SceneFixture {
 public:
  SceneFixture() {
    platform::headless::Reset();
    platform::SetDebugSink([](const std::wstring&) {});
    IMResourceManager::Create(false);
    scene_ = new Scene();
  }
  ~SceneFixture() {
    delete scene_;
    IMResourceManager::Destroy();
  }
  const Scene& scene() const { return *scene_; }

 private:
  Scene* scene_;
};

void BM_CraneSceneFrame(benchmark::State& state) {
  SceneFixture fixture;
  for (auto _ : state) {
    fixture.scene().Draw();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CraneSceneFrame)->Unit(benchmark::kMicrosecond);

void BM_CraneSceneFrameAndPresent(benchmark::State& state) {
  SceneFixture fixture;
  platform::Device* d = IMResourceManager::Instance()->GetDevice();
  for (auto _ : state) {
    fixture.scene().Draw();
    d->Present();
  }
}
BENCHMARK(BM_CraneSceneFrameAndPresent)->Unit(benchmark::kMicrosecond);

}  // namespace
