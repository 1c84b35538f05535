// Ogg Theora clips as the praise pop-ups play them: open, every frame decoded and converted in
// order, then played again from the start (a rewind).

#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "framework/platform/software_device.h"
#include "framework/resources/resource_manager.h"
#include "framework/views/theora_view.h"

namespace {

// Frames shown one by one; the rest of a longer clip is decoded in one jump, unconverted, so
// that a clip of many empty packets does not spend the run converting the same picture.
constexpr int kFramesShown = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static platform::SoftwareDevice device(800, 600);
  static IMResourceManager manager(&device, 800, 600);
  IMTheoraView view;
  try {
    view.Open(data, static_cast<int>(size));
    for (int n = 0; n < kFramesShown && view.GetEndFrame() == IMTheoraView::kNoEndYet; ++n) view.SetFrame(n);
    view.SetFrame(1 << 30);
    view.SetFrame(0);
    view.SetFrame(1);
  } catch (const std::runtime_error&) {
    // Broken clips are refused with an error; that is the expected way out.
  }
  return 0;
}
