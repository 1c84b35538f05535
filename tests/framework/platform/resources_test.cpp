#include "framework/platform/resources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::filesystem::path DataDir() { return std::filesystem::path(__FILE__).parent_path() / "data"; }

std::vector<unsigned char> ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string Text(std::span<const unsigned char> bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(ResourceModuleTest, FindsNumberedRcDataEntries) {
  auto module = platform::ResourceModule::Load(DataDir() / "Animations.dll");
  ASSERT_TRUE(module);
  EXPECT_EQ(Text(module->FindRcData(4002)), "resource 4002");
  const auto clip = ReadBytes(std::filesystem::path(__FILE__).parent_path().parent_path() / "sound" / "data" /
                              "short_44k_stereo.ogg");
  const auto found = module->FindRcData(4001);
  EXPECT_EQ(std::vector<unsigned char>(found.begin(), found.end()), clip);
  EXPECT_TRUE(module->FindRcData(4003).empty());
  EXPECT_TRUE(module->FindRcData(1).empty());  // a string table entry, not RCDATA

  EXPECT_FALSE(platform::ResourceModule::Load(DataDir() / "missing.dll"));
  EXPECT_FALSE(platform::ResourceModule::Load(DataDir() / "make_animations_dll.sh"));
}

// Damaged modules never make the reader leave the bytes (the sanitizer build checks every read).
TEST(ResourceModuleTest, DamagedModulesAreReadSafely) {
  const auto image = ReadBytes(DataDir() / "Animations.dll");
  ASSERT_FALSE(image.empty());
  for (std::size_t size = 0; size < image.size(); size += 7) {
    std::vector<unsigned char> cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size));
    if (auto module = platform::ResourceModule::Parse(std::move(cut))) {
      for (std::uint32_t n : {4001u, 4002u}) {
        const auto bytes = module->FindRcData(n);
        EXPECT_LE(bytes.size(), size);
      }
    }
  }
  for (std::size_t at = 0; at < image.size(); ++at) {
    for (unsigned char value : {0x00, 0x7F, 0x80, 0xFF}) {
      std::vector<unsigned char> bad = image;
      bad[at] = value;
      if (auto module = platform::ResourceModule::Parse(std::move(bad))) {
        EXPECT_LE(module->FindRcData(4001).size(), image.size());
      }
    }
  }
}

TEST(ResourceModuleTest, CompanionModuleIsFoundInTheCurrentFolder) {
  // The program's own resources are searched first; 4002 is not among them.
  EXPECT_FALSE(platform::FindResource(4002));
  const auto saved = std::filesystem::current_path();
  std::filesystem::current_path(DataDir());
  const platform::ResourceData found = platform::FindResource(4002);
  const platform::ResourceData missing = platform::FindResource(4003);
  std::filesystem::current_path(saved);
  ASSERT_TRUE(found);
  EXPECT_EQ(Text(found.bytes), "resource 4002");
  EXPECT_FALSE(missing);
}

}  // namespace
