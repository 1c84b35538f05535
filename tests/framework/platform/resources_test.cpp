#include "framework/platform/resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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

// Directories that share one sub-directory would make a tree walk meet every entry once per
// path to it: this 112 KB module has 7000 RCDATA types leading to one directory of 7000
// numbers, which would be 49 million entries, and its one resource is found.
TEST(ResourceModuleTest, SharedDirectoriesAreReadOnce) {
  const auto module = platform::ResourceModule::Load(std::filesystem::path(__FILE__).parent_path().parent_path()
                                                     .parent_path() / "fuzz" / "regressions" / "resource_module" /
                                                     "shared-subdirectories.dll");
  ASSERT_TRUE(module);
  EXPECT_EQ(module->EntryCount(), 1u);
  EXPECT_EQ(Text(module->FindRcData(1)), "data");
}

TEST(ResourceModuleTest, CompanionModuleIsFoundInTheCurrentFolderAndReadAgainOnlyWhenItChanges) {
  // The program's own resources are searched first; 4002 is not among them.
  EXPECT_FALSE(platform::FindResource(4002));
  const auto folder = std::filesystem::temp_directory_path() / "im-companion-module-test";
  std::filesystem::create_directories(folder);
  const auto module = folder / "Animations.dll";
  std::filesystem::copy_file(DataDir() / "Animations.dll", module, std::filesystem::copy_options::overwrite_existing);
  const auto saved = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  const platform::ResourceData found = platform::FindResource(4002);
  const platform::ResourceData again = platform::FindResource(4001);
  const platform::ResourceData missing = platform::FindResource(4003);

  // The same size, a new time: read again.
  auto image = ReadBytes(module);
  // The text is there twice: the named entry holds it too.
  for (auto at = image.begin();
       (at = std::search(at, image.end(), found.bytes.begin(), found.bytes.end())) != image.end();) {
    *at = 'R';
  }
  const auto written = std::filesystem::last_write_time(module);
  std::ofstream(module, std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                static_cast<std::streamsize>(image.size()));
  std::filesystem::last_write_time(module, written + std::chrono::seconds(1));
  const platform::ResourceData changed = platform::FindResource(4002);
  std::filesystem::current_path(saved);
  std::filesystem::remove_all(folder);

  ASSERT_TRUE(found);
  EXPECT_EQ(Text(found.bytes), "resource 4002");
  EXPECT_FALSE(missing);
  EXPECT_EQ(again.owner, found.owner) << "parsed once";
  EXPECT_EQ(Text(changed.bytes), "Resource 4002");
  EXPECT_NE(changed.owner, found.owner);
  EXPECT_EQ(Text(found.bytes), "resource 4002") << "an earlier lookup keeps its bytes";
}

}  // namespace
