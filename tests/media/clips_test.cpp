#include <gtest/gtest.h>
#include <theora/codec.h>

#include <string>

#include "media/embedded.h"
#include "media_decoders.h"

namespace {

// The praise pairs 0..4 show praise_clip_1..praise_clip_5.
TEST(PraiseClips, FitTheCloudWindowAndTheVideoView) {
  for (const wchar_t* name : {L"praise_clip_1", L"praise_clip_2", L"praise_clip_3", L"praise_clip_4",
                              L"praise_clip_5"}) {
    const std::string label(name, name + std::wstring(name).size());
    SCOPED_TRACE(label);
    const auto data = media::FindBuiltIn(name);
    ASSERT_FALSE(data.empty());
    std::string error;
    const auto clip = media_test::DecodeTheora(data, &error);
    ASSERT_TRUE(clip) << error;
    EXPECT_EQ(clip->pictureWidth, 320);
    EXPECT_EQ(clip->pictureHeight, 200);
    // The view converts the coded frame from row 0 and column 0 and ignores the offset.
    EXPECT_EQ(clip->pictureX, 0);
    EXPECT_EQ(clip->pictureY, 0);
    EXPECT_EQ(clip->frameWidth, 320);
    EXPECT_EQ(clip->frameHeight, 208);
    EXPECT_EQ(clip->pixelFormat, TH_PF_420) << "the view converts 4:2:0 only";
    EXPECT_EQ(clip->streams, 1) << "video only";
    // At 12 frames a second the praise lasts 2 to 3 seconds.
    EXPECT_GE(clip->frames, 24);
    EXPECT_LE(clip->frames, 36);
  }
}

}  // namespace
