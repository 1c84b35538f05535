#include "golden_image.h"

#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

namespace test_support {

namespace {


// Frame words are 0xAARRGGBB: in memory B, G, R, A.
png_image Describe(int width, int height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_BGRA;
  return image;
}

}  // namespace

bool WritePng(const platform::headless::Frame& frame, const std::string& path) {
  png_image image = Describe(frame.width, frame.height);
  return png_image_write_to_file(&image, path.c_str(), 0, frame.pixels.data(), 0, nullptr) != 0;
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
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.string().c_str())) return "no golden " + path.string();
  image.format = PNG_FORMAT_BGRA;
  std::vector<std::uint32_t> golden(static_cast<std::size_t>(image.width) * image.height);
  if (!png_image_finish_read(&image, nullptr, golden.data(), 0, nullptr)) return "unreadable golden";
  if (static_cast<int>(image.width) != frame.width || static_cast<int>(image.height) != frame.height) {
    return "golden size differs";
  }
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
