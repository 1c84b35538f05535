#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "framework/platform/headless/headless.h"
#include "framework/platform/software_device.h"
#include "test_support.h"

namespace {

using test_support::ManagerTest;
using test_support::MakeTexture;
using test_support::ReadData;

class TextureStoreTest : public ManagerTest {
 protected:
  // The skin, when embedded, holds the lowest ids: take it off the device so eviction order
  // and memory use concern only the textures a test makes.
  void SetUp() override {
    ManagerTest::SetUp();
    for (std::uint32_t id = 0; id < rm->GetIdCount(); ++id) rm->DropDeviceTexture(id);
  }
  std::uint32_t Register(const std::wstring& name, const std::string& file = "rgb8.png") {
    const auto data = ReadData(file);
    return rm->RegisterTexture(name, data.data(), static_cast<unsigned>(data.size()));
  }
  int RefCount(std::uint32_t id) {
    const IMTextureRecord* record = rm->GetTextureRecord(id);
    return record ? record->refCount : 0;
  }
  bool OnDevice(std::uint32_t id) { return rm->GetTextureRecord(id)->texture != nullptr; }
  std::size_t VideoMemoryUsed() { return static_cast<platform::SoftwareDevice*>(rm->GetDevice())->VideoMemoryUsed(); }
};

TEST_F(TextureStoreTest, ANameRegisteredAgainOnlyGainsAReference) {
  const std::uint32_t base = rm->GetIdCount();
  const std::uint32_t id = Register(L"Picture");
  EXPECT_EQ(id, base);
  // The second registration would fail to decode: it is never decoded at all.
  EXPECT_EQ(rm->RegisterTexture(L"Picture", "not a picture", 13), id);
  EXPECT_EQ(rm->CreateTexture(L"Picture", 999, 999, D3DFMT_X8R8G8B8), id);
  EXPECT_EQ(RefCount(id), 3);
  EXPECT_EQ(rm->GetTextureRecord(id)->imageRect.right, 4);
  rm->ReleaseTexture(id);
  rm->ReleaseTexture(id);
  EXPECT_EQ(rm->FindTexture(L"Picture"), id);
  rm->ReleaseTexture(id);
  EXPECT_EQ(rm->FindTexture(L"Picture"), kNoTexture);
  EXPECT_EQ(Register(L"Other"), id) << "the freed id is taken before a new one";
}

TEST_F(TextureStoreTest, FreedIdsAreReusedLastFreedFirst) {
  std::vector<std::uint32_t> ids;
  for (int i = 0; i < 6; ++i) ids.push_back(Register(L"T" + std::to_wstring(i)));
  const std::uint32_t count = rm->GetIdCount();
  rm->ReleaseTexture(ids[3]);
  rm->ReleaseTexture(ids[5]);
  EXPECT_EQ(Register(L"A"), ids[5]);
  EXPECT_EQ(Register(L"B"), ids[3]);
  EXPECT_EQ(Register(L"C"), count);
}

TEST_F(TextureStoreTest, UnknownNamesAndIdsAreHarmless) {
  const std::uint32_t id = Register(L"CraneHook");
  EXPECT_EQ(rm->FindTexture(L"cranehook"), kNoTexture) << "names compare exactly";
  const std::uint32_t count = rm->GetIdCount();
  rm->ReleaseTexture(count);
  rm->ReleaseTexture(count + 7);
  rm->ReleaseTexture(kNoTexture);
  rm->ReleaseTextureByName(L"nothing");
  EXPECT_EQ(RefCount(id), 1);
  rm->ReleaseTexture(id);
  EXPECT_EQ(rm->AddRef(id), kNoTexture) << "a freed id gains no reference";
  EXPECT_EQ(rm->GetTexel(id, 0, 0), 0u);
  rm->LockTexture(id, [](void*, int, int) { ADD_FAILURE() << "locked a freed texture"; });
}

TEST_F(TextureStoreTest, FailedLoadsReturnAnIdNoTextureWillEverHave) {
  const std::uint32_t id = rm->LoadTexture(L"no such picture.png");
  EXPECT_EQ(id, kNoTexture);
  EXPECT_EQ(rm->RegisterTexture(L"junk", "junk junk junk", 14), kNoTexture);
  EXPECT_EQ(rm->FindTexture(L"junk"), kNoTexture);
  // Many textures later the failure value still names none of them.
  for (int i = 0; i < 5; ++i) Register(L"T" + std::to_wstring(i));
  EXPECT_EQ(rm->GetTextureRecord(id), nullptr);
}

TEST_F(TextureStoreTest, NumberedNamesAreResourcesAndOtherNamesAreFiles) {
  const auto dir = std::filesystem::temp_directory_path() / "im_texture_store_files";
  std::filesystem::create_directories(dir);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  const auto png = ReadData("rgb8.png");
  for (const char* name : {"4242", "4242.png"}) {
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), static_cast<long>(png.size()));
  }
  EXPECT_EQ(rm->LoadTexture(L"4242"), kNoTexture) << "a number is never a file name";
  const std::uint32_t id = rm->LoadTexture(L"4242.png");
  ASSERT_NE(rm->GetTextureRecord(id), nullptr);
  EXPECT_EQ(rm->GetTextureRecord(id)->imageRect.right, 4);
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(dir);
}

TEST_F(TextureStoreTest, CreateTextureZeroesTheRowsOfTheImage) {
  const std::uint32_t id = rm->CreateTexture(L"Video", 800, 600, D3DFMT_X8R8G8B8);
  const IMTextureRecord* record = rm->GetTextureRecord(id);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->imageRect.right, 800);
  EXPECT_EQ(record->imageRect.bottom, 600);
  EXPECT_EQ(record->textureWidth, 1024u);
  EXPECT_EQ(record->textureHeight, 1024u);
  EXPECT_EQ(record->format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(rm->GetTexel(id, 799, 599), 0u);
  EXPECT_EQ(rm->GetTexel(id, 1023, 599), 0u);
  EXPECT_EQ(rm->GetTexturePitch(id), 4096);
  int seenHeight = 0;
  rm->LockTexture(id, [&](void*, int pitch, int imageHeight) {
    EXPECT_EQ(pitch, 4096);
    seenHeight = imageHeight;
  });
  EXPECT_EQ(seenHeight, 600);
}

TEST_F(TextureStoreTest, DroppedDeviceCopiesComeBackFromThePixelCopy) {
  const std::uint32_t id = MakeTexture(L"Pattern", 5, 3, [](int x, int y) { return 0x80000000u | (x << 8) | y; });
  const std::uint32_t before = rm->GetTexel(id, 4, 2);
  EXPECT_EQ(before, 0x80000402u);
  rm->DropDeviceTexture(id);
  EXPECT_FALSE(OnDevice(id));
  EXPECT_EQ(rm->GetTexel(id, 4, 2), before);
  EXPECT_TRUE(OnDevice(id)) << "GetTexel puts the texture back on the device";
  std::uint32_t onDevice = 0;
  rm->LockTexture(id, [&](void* bits, int pitch, int) {
    onDevice = *reinterpret_cast<std::uint32_t*>(static_cast<unsigned char*>(bits) + 2 * pitch + 16);
  });
  EXPECT_EQ(onDevice, before);
}

TEST_F(TextureStoreTest, LockTextureDoesNotRefreshThePixelCopy) {
  const std::uint32_t id = MakeTexture(L"Frame", 2, 2, [](int, int) { return 0xFF111111u; });
  rm->LockTexture(id, [](void* bits, int, int) { *static_cast<std::uint32_t*>(bits) = 0xFF222222u; });
  EXPECT_EQ(rm->GetTexel(id, 0, 0), 0xFF111111u);
  rm->DropDeviceTexture(id);
  rm->LockTexture(id, [](void* bits, int, int) { EXPECT_EQ(*static_cast<std::uint32_t*>(bits), 0xFF111111u); });
  rm->BackupTexturePixels(id);
  rm->LockTexture(id, [](void* bits, int, int) { *static_cast<std::uint32_t*>(bits) = 0xFF333333u; });
  rm->BackupTexturePixels(id);
  EXPECT_EQ(rm->GetTexel(id, 0, 0), 0xFF333333u);
}

TEST_F(TextureStoreTest, ARecreatedDeviceCopyKeepsItsFormat) {
  const std::uint32_t id = rm->CreateTexture(L"Video", 4, 4, D3DFMT_X8R8G8B8);
  rm->DropDeviceTexture(id);
  rm->EnsureTexture(id);
  platform::SurfaceDesc desc;
  rm->GetTextureRecord(id)->texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
}

TEST_F(TextureStoreTest, OutOfVideoMemoryEvictsTheFirstOtherTextureAndRetries) {
  // 64x64 textures take 16 KiB each; the budget is what B and C take.
  auto fill = [](int, int) { return 0xFF00FF00u; };
  const std::uint32_t a = MakeTexture(L"A", 64, 64, fill);
  const std::uint32_t b = MakeTexture(L"B", 64, 64, fill);
  const std::uint32_t c = MakeTexture(L"C", 64, 64, fill);
  rm->DropDeviceTexture(a);  // A holds no device copy: B is the first victim
  platform::headless::SetVideoMemoryBudget(VideoMemoryUsed());

  const std::uint32_t d = rm->CreateTexture(L"D", 128, 32, D3DFMT_A8R8G8B8);  // 16 KiB
  ASSERT_NE(rm->GetTextureRecord(d), nullptr);
  EXPECT_TRUE(OnDevice(d));
  EXPECT_FALSE(OnDevice(b));
  EXPECT_TRUE(OnDevice(c));
  EXPECT_EQ(rm->GetTexel(b, 3, 3), 0xFF00FF00u) << "an evicted texture keeps its record and pixels";

  // Needs two victims: the operation is retried until it fits (C, then D go).
  const auto png = ReadData("interlaced.png");  // 16x16: 1 KiB
  platform::headless::SetVideoMemoryBudget(VideoMemoryUsed() + 512);
  const std::uint32_t e = rm->CreateTexture(L"E", 128, 64, D3DFMT_A8R8G8B8);  // 32 KiB
  ASSERT_NE(rm->GetTextureRecord(e), nullptr);
  EXPECT_FALSE(OnDevice(c));
  EXPECT_FALSE(OnDevice(d));
  // A decode is run again from the start after an eviction.
  const std::uint32_t f = rm->RegisterTexture(L"F", png.data(), static_cast<unsigned>(png.size()));
  ASSERT_NE(rm->GetTextureRecord(f), nullptr);
  EXPECT_EQ(rm->GetTexel(f, 1, 0), 0xFF1D0000u);
  EXPECT_TRUE(OnDevice(f));
  EXPECT_FALSE(OnDevice(e));
}

TEST_F(TextureStoreTest, WhenNothingCanBeEvictedTheLoadFails) {
  platform::headless::SetVideoMemoryBudget(VideoMemoryUsed() + 100);
  EXPECT_EQ(rm->CreateTexture(L"Huge", 64, 64, D3DFMT_A8R8G8B8), kNoTexture);
  EXPECT_EQ(rm->FindTexture(L"Huge"), kNoTexture);
}

TEST_F(TextureStoreTest, EnsureTextureEvictsOthersButNotItself) {
  auto fill = [](int, int) { return 0xFF0000FFu; };
  const std::uint32_t a = MakeTexture(L"A", 64, 64, fill);
  const std::uint32_t b = MakeTexture(L"B", 64, 64, fill);
  platform::headless::SetVideoMemoryBudget(VideoMemoryUsed());
  rm->DropDeviceTexture(b);
  const std::uint32_t c = MakeTexture(L"C", 64, 64, fill);  // fits in B's place
  (void)c;
  rm->EnsureTexture(b);
  EXPECT_TRUE(OnDevice(b));
  EXPECT_FALSE(OnDevice(a));
}

TEST_F(TextureStoreTest, TexturesRegisteredWhileTheDeviceIsLostKeepTheirPixels) {
  platform::headless::SetDeviceLost(true);
  ASSERT_TRUE(rm->IsDeviceLost());
  const std::uint32_t id = Register(L"WhileLost");
  const std::uint32_t made = rm->CreateTexture(L"MadeWhileLost", 8, 8, D3DFMT_A8R8G8B8);
  ASSERT_NE(rm->GetTextureRecord(id), nullptr);
  ASSERT_NE(rm->GetTextureRecord(made), nullptr);
  EXPECT_FALSE(OnDevice(id));
  EXPECT_EQ(rm->GetTexel(id, 0, 0), 0xFFFF0000u) << "hit tests work while the device is lost";
  EXPECT_FALSE(OnDevice(id));
  platform::headless::SetDeviceLost(false);
  ASSERT_TRUE(rm->Restore());
  EXPECT_EQ(rm->GetTexel(id, 1, 0), 0xFF00FF00u);
  EXPECT_TRUE(OnDevice(id));
}

TEST_F(TextureStoreTest, ReleasingEverythingGivesTheVideoMemoryBack) {
  const std::size_t before = VideoMemoryUsed();
  const std::uint32_t id = MakeTexture(L"X", 32, 32, [](int, int) { return 0u; });
  EXPECT_GT(VideoMemoryUsed(), before);
  rm->ReleaseTexture(id);
  EXPECT_EQ(VideoMemoryUsed(), before);
}

}  // namespace
