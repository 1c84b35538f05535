#include "golden_image.h"

#include "support/png_file.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

namespace test_support {

bool WritePng(const platform::headless::Frame& frame, const std::string& path) {
  return testing_support::WritePng(path, testing_support::PngImage{frame.width, frame.height, frame.pixels});
}

std::string CompareWithGolden(const platform::headless::Frame& frame, const std::string& name, int tolerance) {
  return CompareWithGoldenIn(std::filesystem::path(__FILE__).parent_path() / "golden", frame, name, tolerance);
}

std::string CompareWithGoldenIn(const std::filesystem::path& folder, const platform::headless::Frame& frame,
                                const std::string& name, int tolerance) {
  const auto path = folder / (name + ".png");
  if (const char* update = std::getenv("IM_UPDATE_GOLDENS"); update && std::string(update) == "1") {
    std::filesystem::create_directories(path.parent_path());
    return WritePng(frame, path.string()) ? std::string() : "cannot write " + path.string();
  }
  testing_support::PngImage image;
  if (!testing_support::ReadPng(path.string(), &image)) return "no readable golden " + path.string();
  if (image.width != frame.width || image.height != frame.height) return "golden size differs";
  const std::vector<std::uint32_t>& golden = image.pixels;
  int bad = 0;
  std::ostringstream first;
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      const std::uint32_t a = frame.At(x, y);
      const std::uint32_t b = golden[static_cast<std::size_t>(y) * frame.width + x];
      for (int shift = 0; shift < 32; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) {
          if (bad++ == 0) first << std::hex << "first at (" << std::dec << x << "," << y << "): " << std::hex << a
                                << " vs golden " << b;
          break;
        }
      }
    }
  }
  if (bad == 0) return {};
  std::ostringstream out;
  out << bad << " pixels differ; " << first.str();
  WritePng(frame, (std::filesystem::temp_directory_path() / (name + ".actual.png")).string());
  return out.str();
}

}  // namespace test_support
