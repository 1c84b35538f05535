#include "framework/resources/resource_manager.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "framework/resources/skin.h"
#include "media/embedded.h"
#include "test_support.h"

namespace {

using test_support::ManagerTest;
using test_support::MakeTexture;

class ResourceManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::headless::Reset();
    platform::SetDebugSink([this](const std::wstring& text) { debug_ += text; });
  }
  void TearDown() override {
    IMResourceManager::Destroy();
    platform::headless::Reset();
  }
  std::wstring debug_;
};

TEST_F(ResourceManagerTest, FullScreenIs800x600At75HzAndWindowedTakesTheClientSize) {
  IMResourceManager::Create(false);
  IMResourceManager* rm = IMResourceManager::Instance();
  ASSERT_NE(rm, nullptr);
  EXPECT_EQ(rm->GetBackBufferWidth(), 800);
  EXPECT_EQ(rm->GetBackBufferHeight(), 600);
  EXPECT_EQ(rm->GetRefreshRate(), 75);
  EXPECT_FALSE(rm->IsWindowed());
  IMResourceManager::Destroy();
  EXPECT_EQ(IMResourceManager::Instance(), nullptr);

  platform::headless::SetClientSize(640, 480);
  IMResourceManager::Create(true);
  rm = IMResourceManager::Instance();
  EXPECT_EQ(rm->GetBackBufferWidth(), 640);
  EXPECT_EQ(rm->GetBackBufferHeight(), 480);
  EXPECT_EQ(rm->GetRefreshRate(), 0);
  platform::Viewport viewport;
  rm->GetDevice()->GetViewport(&viewport);
  EXPECT_EQ(viewport.Width, 640u);
}

TEST_F(ResourceManagerTest, NoDeviceAtStartThrowsAndLeavesNoManager) {
  platform::headless::SetDeviceLost(true);
  try {
    IMResourceManager::Create(false);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Не могу создать устройство Direct3D");
  }
  EXPECT_EQ(IMResourceManager::Instance(), nullptr);
}

TEST_F(ResourceManagerTest, SkinPicturesHoldTheFirstIdsInTheirOrder) {
  for (std::wstring_view name : kSkinPictureNames) {
    if (media::FindBuiltIn(name).empty()) {
      GTEST_SKIP() << "the skin pictures are not embedded in this build (media/builtin/ lacks "
                   << std::string(name.begin(), name.end()) << ".png)";
    }
  }
  IMResourceManager::Create(false);
  IMResourceManager* rm = IMResourceManager::Instance();
  EXPECT_EQ(rm->FindTexture(L"DefaultBackGround"), 0u);
  EXPECT_EQ(rm->FindTexture(L"SelectionMask"), 56u);
  EXPECT_EQ(rm->GetIdCount(), 57u);
  EXPECT_EQ(rm->GetTextureRecord(0)->imageRect.right, 800);
  EXPECT_EQ(rm->GetTextureRecord(0)->imageRect.bottom, 600);
  EXPECT_EQ(rm->GetTexel(0, 10, 10) >> 24, 0xFFu) << "the background is opaque";
}

TEST_F(ResourceManagerTest, ASkinPictureThatCannotBeMadeKeepsItsIdAndSaysSo) {
  // Too little video memory for the 800 x 600 background, enough for the small pictures.
  platform::headless::SetVideoMemoryBudget(1 << 20);
  IMResourceManager::Create(false);
  IMResourceManager* rm = IMResourceManager::Instance();
  EXPECT_EQ(rm->FindTexture(L"DefaultBackGround"), kNoTexture);
  EXPECT_EQ(rm->GetTextureRecord(0), nullptr);
  EXPECT_EQ(rm->FindTexture(L"ExitButton"), 1u) << "later pictures keep their ids";
  EXPECT_EQ(rm->FindTexture(L"SelectionMask"), 56u);
  EXPECT_EQ(rm->GetIdCount(), 57u);
  EXPECT_EQ(debug_, L"Skin picture missing: DefaultBackGround\n");
  rm->ReleaseTexture(0);
  EXPECT_EQ(rm->CreateTexture(L"later", 4, 4, D3DFMT_A8R8G8B8), 57u) << "the empty id is not handed out";
}

TEST_F(ResourceManagerTest, DestroyWritesTheFramesPerSecond) {
  platform::headless::SetTimeMs(1000);
  IMResourceManager::Create(false);
  IMResourceManager::Instance()->frameCount = 5000;
  platform::headless::AdvanceMs(10000);
  IMResourceManager::Destroy();
  EXPECT_EQ(debug_, L"FPS: 500\n");
}

TEST_F(ResourceManagerTest, TheFramesPerSecondNeitherOverflowNorDivideByZero) {
  IMResourceManager::Create(false);
  // 72 minutes at about 1.16 passes per millisecond: the 32-bit product would wrap.
  IMResourceManager::Instance()->frameCount = 5'000'000;
  platform::headless::AdvanceMs(4'320'000);
  IMResourceManager::Destroy();
  EXPECT_EQ(debug_, L"FPS: 1157\n");

  debug_.clear();
  IMResourceManager::Create(false);
  IMResourceManager::Instance()->frameCount = 3;
  IMResourceManager::Destroy();
  EXPECT_EQ(debug_, L"FPS: 0\n");
}

using DeviceLossTest = ManagerTest;

TEST_F(DeviceLossTest, RestoreDropsEveryDeviceCopyEvenWhenNotLost) {
  const std::uint32_t a = MakeTexture(L"A", 4, 4, [](int, int) { return 0xFFFFFFFFu; });
  const std::uint32_t b = MakeTexture(L"B", 4, 4, [](int, int) { return 0xFF000000u; });
  platform::Device* device = rm->GetDevice();
  EXPECT_FALSE(rm->IsDeviceLost());
  EXPECT_TRUE(rm->Restore());
  EXPECT_EQ(rm->GetDevice(), device) << "a device that was not lost is kept";
  for (std::uint32_t id = 0; id < rm->GetIdCount(); ++id) {
    if (rm->GetTextureRecord(id)) {
      EXPECT_EQ(rm->GetTextureRecord(id)->texture, nullptr) << id;
    }
  }
  EXPECT_EQ(rm->GetTexel(a, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(rm->GetTexel(b, 0, 0), 0xFF000000u);
}

TEST_F(DeviceLossTest, ALostDeviceIsMadeAnewOnceTheDisplayIsBack) {
  const std::uint32_t a = MakeTexture(L"A", 4, 4, [](int, int) { return 0xFF123456u; });
  platform::headless::SetDeviceLost(true);
  EXPECT_TRUE(rm->IsDeviceLost());
  platform::headless::SetDeviceLost(false);
  EXPECT_TRUE(rm->IsDeviceLost()) << "lost stays set until a Restore succeeds";

  platform::headless::SetDeviceLost(true);
  EXPECT_FALSE(rm->Restore());
  EXPECT_EQ(rm->GetDevice(), nullptr);
  EXPECT_TRUE(rm->IsDeviceLost());
  // Nothing touches the absent device meanwhile.
  RECT r{0, 0, 4, 4};
  rm->DrawTexture(a, &r, nullptr, 0xFFFFFFFF, 0.0f);
  EXPECT_EQ(rm->GetTexel(a, 1, 1), 0xFF123456u);
  const std::uint32_t late = rm->CreateTexture(L"Late", 4, 4, D3DFMT_A8R8G8B8);
  EXPECT_NE(rm->GetTextureRecord(late), nullptr);

  platform::headless::SetDeviceLost(false);
  EXPECT_TRUE(rm->Restore());
  EXPECT_NE(rm->GetDevice(), nullptr);
  EXPECT_FALSE(rm->IsDeviceLost());
  EXPECT_EQ(rm->GetBackBufferWidth(), 800);
  rm->EnsureTexture(late);
  EXPECT_NE(rm->GetTextureRecord(late)->texture, nullptr);
}

}  // namespace

// The skin is decoded on first use; what that use sees must be what decoding at once gave.
TEST_F(DeviceLossTest, ASkinPictureDecodedOnFirstUseMatchesOneDecodedAtOnce) {
  if (media::FindBuiltIn(kSkinPictureNames[0]).empty()) GTEST_SKIP() << "the skin is not embedded in this build";
  // The background loses its device copy before anyone used it; the rest are drawn or read.
  rm->DropDeviceTexture(0);
  for (std::size_t id = 0; id < kSkinPictureCount; ++id) {
    const std::wstring name(kSkinPictureNames[id]);
    const auto data = media::FindBuiltIn(name);
    const std::uint32_t eager = rm->RegisterTexture(name + L" now", data.data(), static_cast<unsigned>(data.size()));
    const IMTextureRecord* expected = rm->GetTextureRecord(eager);
    RECT all = expected->imageRect;
    rm->DrawTexture(static_cast<std::uint32_t>(id), &all, nullptr, 0xFFFFFFFF, 0.0f);
    rm->GetTexel(static_cast<std::uint32_t>(id), 0, 0);
    const IMTextureRecord* lazy = rm->GetTextureRecord(static_cast<std::uint32_t>(id));
    ASSERT_NE(lazy, nullptr) << id;
    EXPECT_EQ(lazy->imageRect.right, expected->imageRect.right) << id;
    EXPECT_EQ(lazy->textureHeight, expected->textureHeight) << id;
    EXPECT_EQ(lazy->pixels, expected->pixels) << id;
    EXPECT_NE(lazy->texture, nullptr) << id;
  }
}

TEST_F(DeviceLossTest, ASkinPictureThatFailsItsFirstDecodingIsGoneAndKeepsItsId) {
  static std::vector<unsigned char> broken;  // the data outlive the manager, as the skin's do
  const auto data = media::FindBuiltIn(L"ExitButton");
  if (data.empty()) GTEST_SKIP() << "the skin is not embedded in this build";
  broken.assign(data.begin(), data.end());
  broken[broken.size() / 2] ^= 0xFF;  // inside the picture's data: its checksum fails
  const std::uint32_t id = rm->RegisterSkinPicture(L"Broken", broken);
  ASSERT_EQ(id, kSkinPictureCount);
  EXPECT_EQ(rm->GetTextureRecord(id)->imageRect.right, 21) << "the size comes from the header";
  debug_.clear();
  EXPECT_EQ(rm->GetTexel(id, 0, 0), 0u);
  EXPECT_EQ(rm->GetTextureRecord(id), nullptr);
  EXPECT_EQ(rm->FindTexture(L"Broken"), kNoTexture);
  EXPECT_EQ(debug_, L"Skin picture missing: Broken\n");
  rm->ReleaseTexture(id);
  EXPECT_EQ(rm->CreateTexture(L"later", 4, 4, D3DFMT_A8R8G8B8), id + 1) << "the empty id is not handed out";
}
