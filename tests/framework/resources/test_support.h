#pragma once
// Shared set-up of the resource and view tests: a manager on the headless software device,
// test pictures from the data folder, textures filled from code.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "framework/resources/resource_manager.h"

namespace test_support {

inline std::filesystem::path DataPath(const std::string& name) {
  return std::filesystem::path(__FILE__).parent_path() / "data" / name;
}

inline std::vector<unsigned char> ReadData(const std::string& name) {
  std::ifstream in(DataPath(name), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A texture named `name` of width x height whose texel (x, y) is pixel(x, y); its pixel copy
// is refreshed.
template <class F>
std::uint32_t MakeTexture(const std::wstring& name, int width, int height, F pixel,
                          D3DFORMAT format = D3DFMT_A8R8G8B8) {
  IMResourceManager* rm = IMResourceManager::Instance();
  const std::uint32_t id = rm->CreateTexture(name, width, height, format);
  rm->LockTexture(id, [&](void* bits, int pitch, int) {
    for (int y = 0; y < height; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(static_cast<unsigned char*>(bits) + y * pitch);
      for (int x = 0; x < width; ++x) row[x] = pixel(x, y);
    }
  });
  rm->BackupTexturePixels(id);
  return id;
}

// A manager with its own windowed device of the given size; debug output is swallowed.
class ManagerTest : public ::testing::Test {
 protected:
  explicit ManagerTest(int width = 800, int height = 600) : width_(width), height_(height) {}
  void SetUp() override {
    platform::headless::Reset();
    platform::SetDebugSink([this](const std::wstring& text) { debug_ += text; });
    platform::headless::SetClientSize(width_, height_);
    IMResourceManager::Create(true);
    rm = IMResourceManager::Instance();
  }
  void TearDown() override {
    IMResourceManager::Destroy();
    platform::headless::Reset();
  }

  IMResourceManager* rm = nullptr;
  std::wstring debug_;
  int width_;
  int height_;
};

}  // namespace test_support
