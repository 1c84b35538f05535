#include "framework/views/theora_view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/platform/headless/headless.h"
#include "framework/resources/golden_image.h"
#include "framework/resources/test_support.h"
#include "framework/views/yuv_conversion.h"
#include "media/embedded.h"
#include "ogg_test_clip.h"

namespace {

// X8R8G8B8 of one 2 x 2 block of the given samples.
std::vector<std::uint32_t> ConvertBlock(unsigned char y, unsigned char cb, unsigned char cr) {
  const unsigned char luma[4] = {y, y, y, y};
  std::vector<std::uint32_t> out(4, 0xDEADBEEF);
  ConvertYuv420ToX8R8G8B8(IMYuvPlanes{luma, &cb, &cr, 2, 1}, 2, 2, out.data(), 8);
  return out;
}

TEST(YuvConversion, StudioRangeBt601InSixBitFixedPoint) {
  EXPECT_EQ(ConvertBlock(128, 128, 128), std::vector<std::uint32_t>(4, 0x00818181u)) << "grey: 129 each, 4th byte 0";
  EXPECT_EQ(ConvertBlock(16, 128, 128)[0], 0x00000000u);
  EXPECT_EQ(ConvertBlock(235, 128, 240)[3] >> 16, 0xFFu) << "strong Cr saturates red";
  EXPECT_EQ(ConvertBlock(235, 255, 128)[0] & 0xFF, 0xFFu) << "blue past 16 bits still clamps to 255";
  EXPECT_EQ(ConvertBlock(16, 0, 128)[0] & 0xFF, 0x00u);

  // Rows are counted from the top even when the planes are stored bottom-up.
  const unsigned char luma[4] = {16, 16, 235, 235};  // two rows, stored last row first
  const unsigned char cb = 128;
  const unsigned char cr = 128;
  std::uint32_t out[4] = {};
  ConvertYuv420ToX8R8G8B8(IMYuvPlanes{luma + 2, &cb, &cr, -2, 0}, 2, 2, out, 8);
  EXPECT_EQ(out[0], 0x00FDFDFDu) << "Y 235 is 253 in this fixed point";
  EXPECT_EQ(out[2], 0x00000000u);
}

class TheoraViewTest : public test_support::ManagerTest {
 protected:
  static std::span<const unsigned char> Clip(int n = 1) {
    return media::FindBuiltIn(L"praise_clip_" + std::to_wstring(n));
  }
  static void Open(IMTheoraView& view, std::span<const unsigned char> data) {
    view.Open(data.data(), static_cast<int>(data.size()));
  }
  std::vector<std::uint32_t> Picture(std::uint32_t id) {
    std::vector<std::uint32_t> pixels;
    rm->LockTexture(id, [&](void* bits, int pitch, int) {
      for (int y = 0; y < 200; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const unsigned char*>(bits) + y * pitch);
        pixels.insert(pixels.end(), row, row + 320);
      }
    });
    return pixels;
  }
  const std::wstring& Name(std::uint32_t id) { return rm->GetTextureRecord(id)->name; }
  // The texture the view does not show: where the next frame waits.
  std::uint32_t Waiting(const IMTheoraView& view) {
    std::wstring name = Name(view.GetTextureId());
    name[12] = name[12] == L'1' ? L'2' : L'1';
    return rm->FindTexture(name);
  }
};

// Frame 0 of the first praise clip: fireworks over a town at night.
void ExpectNightTown(const std::vector<std::uint32_t>& picture) {
  auto at = [&](int x, int y) { return picture[static_cast<std::size_t>(y) * 320 + x]; };
  auto r = [](std::uint32_t c) { return static_cast<int>(c >> 16 & 0xFF); };
  auto g = [](std::uint32_t c) { return static_cast<int>(c >> 8 & 0xFF); };
  auto b = [](std::uint32_t c) { return static_cast<int>(c & 0xFF); };
  const std::uint32_t sky = at(5, 5);
  EXPECT_GT(b(sky), r(sky) + 30) << "dark blue sky";
  EXPECT_GT(b(sky), g(sky) + 30);
  const std::uint32_t window = at(30, 162);
  EXPECT_GT(r(window), 200) << "a lit yellow window near the bottom: rows run from the top";
  EXPECT_GT(g(window), 180);
  EXPECT_LT(b(window), 80);
  const std::uint32_t street = at(100, 190);
  EXPECT_LT(r(street) + g(street) + b(street), 150);
}

TEST_F(TheoraViewTest, DecodesAPraiseClipFrameByFrameOneFrameAhead) {
  IMTheoraView view;
  Open(view, Clip());
  const IMTextureRecord* shown = rm->GetTextureRecord(view.GetTextureId());
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->format, D3DFMT_X8R8G8B8);
  EXPECT_TRUE(EqualRect(shown->imageRect, RECT{0, 0, 320, 200}));
  EXPECT_TRUE(EqualRect(view.GetSourceRect(), RECT{0, 0, 320, 200}));
  EXPECT_EQ(view.GetFrame(), 0);
  EXPECT_EQ(view.GetEndFrame(), IMTheoraView::kNoEndYet);
  // Open shows frame 0 at once and has frame 1 waiting in the other texture; SetFrame(0) then
  // changes nothing.
  ExpectNightTown(Picture(view.GetTextureId()));
  const std::vector<std::uint32_t> second = Picture(Waiting(view));
  EXPECT_NE(second, Picture(view.GetTextureId()));
  view.SetFrame(0);
  ExpectNightTown(Picture(view.GetTextureId()));
  EXPECT_EQ(Picture(Waiting(view)), second);
  std::vector<std::uint32_t> previous = Picture(view.GetTextureId());
  std::vector<std::uint32_t> waiting = Picture(Waiting(view));
  int frames = 1;
  for (int n = 1; n < 40 && view.GetEndFrame() == IMTheoraView::kNoEndYet; ++n) {
    view.SetFrame(n);
    ++frames;
    const std::vector<std::uint32_t> now = Picture(view.GetTextureId());
    ASSERT_EQ(now, waiting) << "frame " << n << " was decoded by the call before";
    EXPECT_NE(now, previous) << "fireworks move every frame";
    previous = now;
    waiting = Picture(Waiting(view));
  }
  EXPECT_EQ(frames, 30);
  EXPECT_EQ(view.GetEndFrame(), 29);
  EXPECT_EQ(view.GetFrame(), 29);

  // Nothing of a video is ever hit.
  view.SetRect(RECT{0, 0, 320, 200});
  EXPECT_FALSE(view.HitTest(POINT{30, 162}));
}

TEST_F(TheoraViewTest, PlayingAgainRewindsToTheFirstFrame) {
  IMTheoraView view;
  Open(view, Clip(2));
  std::vector<std::vector<std::uint32_t>> first;
  for (int n = 0; n < 30; ++n) {
    view.SetFrame(n);
    first.push_back(Picture(view.GetTextureId()));
  }
  view.SetFrame(0);
  EXPECT_EQ(Picture(Waiting(view)), first[1]) << "decoded again from the start";
  for (int n = 1; n < 30; ++n) {
    view.SetFrame(n);
    ASSERT_EQ(Picture(view.GetTextureId()), first[static_cast<std::size_t>(n)]) << "frame " << n;
  }
  EXPECT_EQ(view.GetEndFrame(), 29);

  // Jumps, as when idle passes come late: the frame asked for is the one shown.
  view.SetFrame(3);
  EXPECT_EQ(Picture(view.GetTextureId()), first[3]);
  view.SetFrame(11);
  EXPECT_EQ(Picture(view.GetTextureId()), first[11]);
  EXPECT_EQ(Picture(Waiting(view)), first[12]);
  view.SetFrame(40);
  EXPECT_EQ(view.GetFrame(), 11) << "past the end the screen stays";
  EXPECT_EQ(Picture(view.GetTextureId()), first[11]);
}

TEST_F(TheoraViewTest, EachClipNamesItsTexturesWithTheNextNumber) {
  std::uint32_t firstId = 0;
  {
    IMTheoraView first;
    IMTheoraView second;
    Open(first, Clip(3));
    Open(second, Clip(4));
    // Frame 0 is shown in the second texture, frame 1 waits in the first.
    const std::wstring a = Name(Waiting(first));
    const std::wstring b = Name(Waiting(second));
    ASSERT_EQ(a.rfind(L"IMTheoraView1", 0), 0u);
    ASSERT_EQ(b.rfind(L"IMTheoraView1", 0), 0u);
    EXPECT_EQ(std::stoi(b.substr(13)), std::stoi(a.substr(13)) + 1);
    EXPECT_EQ(Name(first.GetTextureId()), L"IMTheoraView2" + a.substr(13));
    firstId = first.GetTextureId();
  }
  EXPECT_EQ(rm->GetTextureRecord(firstId), nullptr) << "both textures go with the view";
}

// A view of 320 x 200 on a screen of that size.
class TheoraGoldenTest : public TheoraViewTest {
 protected:
  TheoraGoldenTest() : TheoraViewTest() {
    width_ = 320;
    height_ = 200;
  }
};

TEST_F(TheoraGoldenTest, FrameDrawnThroughTheDevice) {
  IMTheoraView view;
  Open(view, Clip());
  view.SetRect(RECT{0, 0, 320, 200});
  for (int n = 0; n <= 12; ++n) view.SetFrame(n);
  platform::Device* d = rm->GetDevice();
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF00FF, 1.0f, 0);
  d->BeginScene();
  view.Draw();
  d->EndScene();
  d->Present();
  const auto& frame = platform::headless::PresentedFrame();
  EXPECT_EQ(frame.At(0, 0) >> 24, 0xFFu) << "opaque although the texels' fourth byte is 0";
  EXPECT_EQ(test_support::CompareWithGoldenIn(std::filesystem::path(__FILE__).parent_path() / "golden", frame,
                                              "praise_clip_1_frame_12"),
            "");
}

std::string OpenError(std::span<const unsigned char> data) {
  IMTheoraView view;
  try {
    view.Open(data.data(), static_cast<int>(data.size()));
  } catch (const std::runtime_error& e) {
    try {
      view.SetFrame(0);
    } catch (const std::runtime_error& again) {
      if (std::string(again.what()) == e.what()) return e.what();
    }
    return "SetFrame did not raise the fault again";
  }
  return "opened";
}

TEST_F(TheoraViewTest, BrokenOrCutClipsRaiseTheDecodersErrors) {
  const auto clip = Clip();
  const std::vector<ogg_test::Bytes> packets = ogg_test::Packets(clip);
  ASSERT_EQ(packets.size(), 33u) << "three headers and thirty frames";

  const unsigned char junk[] = "no Ogg data at all";
  EXPECT_EQ(OpenError(std::span<const unsigned char>(junk, sizeof junk)), "eof searched, terminate...");
  EXPECT_EQ(OpenError({}), "eof searched, terminate...");
  EXPECT_EQ(OpenError(clip.first(70)), "eof searched, terminate...") << "only the first page";

  // Headers on pages of their own, cut after the comment page.
  const ogg_test::Bytes paged = ogg_test::Pack(packets);
  const std::size_t secondPage = 28 + paged[26] + packets[0].size();
  const std::size_t thirdPage = secondPage + 27 + paged[secondPage + 26] + packets[1].size();
  EXPECT_EQ(OpenError(std::span(paged).first(thirdPage)), "eof searched. terminate...");
  EXPECT_EQ(OpenError(media::FindBuiltIn(L"MOUSE_CLICK_SOUND")), "eof searched. terminate...")
      << "an Ogg stream that is not Theora";

  std::vector<ogg_test::Bytes> badSetup = packets;
  badSetup[2].resize(12);
  EXPECT_EQ(OpenError(ogg_test::Pack(badSetup)), "error during theora_decode_header (corrupt stream)");

  EXPECT_EQ(OpenError(ogg_test::WithFirstPageHeaderByte(clip, 4, 1)), "error during ogg_stream_pagein")
      << "an unknown page version";
  EXPECT_EQ(OpenError(ogg_test::WithFirstPageHeaderByte(clip, 18, 5)), "error during ogg_stream_packetout")
      << "a first page that claims pages before it";

  // A frame larger than any clip needs is refused before the decoder or the view allocates
  // for it: 8192 x 8192 would take two textures of 256 MiB, each with a copy as large.
  std::vector<ogg_test::Bytes> huge = packets;
  huge[0][10] = huge[0][12] = 8192 / 16 >> 8;  // macroblocks across and down
  huge[0][11] = huge[0][13] = 0;
  for (int at : {14, 17}) {  // the picture's width and height
    huge[0][at] = 0;
    huge[0][at + 1] = 8192 >> 8;
    huge[0][at + 2] = 0;
  }
  huge[0][20] = huge[0][21] = 0;  // its offset
  EXPECT_EQ(OpenError(ogg_test::Pack(huge)), "error during theora_decode_init (frame too large)");

  // A frame packet with the header bit set is refused by the decoder.
  std::vector<ogg_test::Bytes> badFirstFrame = packets;
  badFirstFrame[3][0] |= 0x80;
  EXPECT_EQ(OpenError(ogg_test::Pack(badFirstFrame)), "error during theora_decode_packetin...");
}

TEST_F(TheoraViewTest, AFaultyFrameStopsTheViewOnItsLastPictureForGood) {
  std::vector<ogg_test::Bytes> packets = ogg_test::Packets(Clip());
  packets[3 + 10][0] |= 0x80;
  const ogg_test::Bytes clip = ogg_test::Pack(packets);
  IMTheoraView view;
  Open(view, clip);
  for (int n = 0; n < 9; ++n) view.SetFrame(n);
  const std::vector<std::uint32_t> last = Picture(view.GetTextureId());
  EXPECT_THROW(view.SetFrame(9), std::runtime_error) << "frame 10 cannot be prepared";
  EXPECT_THROW(view.SetFrame(10), std::runtime_error) << "nor anything after it";
  EXPECT_EQ(view.GetFrame(), 9);
  EXPECT_EQ(Picture(Waiting(view)), last) << "nothing moves after the fault";
}

TEST_F(TheoraViewTest, ACutClipEndsWithItsLastWholeFrame) {
  const auto clip = Clip();
  IMTheoraView view;
  Open(view, clip.first(60000));
  int n = 0;
  while (view.GetEndFrame() == IMTheoraView::kNoEndYet && n < 40) view.SetFrame(n++);
  EXPECT_GT(view.GetEndFrame(), 0);
  EXPECT_LT(view.GetEndFrame(), 29);
  EXPECT_EQ(view.GetFrame(), view.GetEndFrame());
}

}  // namespace
