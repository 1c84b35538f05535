#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "media/embedded.h"
#include "media_decoders.h"

namespace {

using media_test::Png;

enum class Kind { Opaque, Alpha, Either };

struct Expected {
  std::wstring name;  // a built-in name, or a resource number in decimal
  bool resource;
  int width, height;
  Kind kind;
};

std::string Narrow(std::wstring_view text) { return std::string(text.begin(), text.end()); }

std::span<const unsigned char> Find(const Expected& picture) {
  return picture.resource ? media::FindResource(static_cast<unsigned>(std::stoul(picture.name)))
                          : media::FindBuiltIn(picture.name);
}

std::vector<Expected> AllPictures() {
  std::vector<Expected> all;
  auto add = [&](std::wstring name, int w, int h, Kind kind) { all.push_back({std::move(name), false, w, h, kind}); };
  // The skin, in registration order.
  add(L"DefaultBackGround", 800, 600, Kind::Opaque);
  add(L"ExitButton", 21, 21, Kind::Alpha);
  const struct {
    const wchar_t* name;
    int width;
  } buttons[] = {{L"PrintButton", 84},  {L"SaveAsButton", 148},       {L"RetryButton", 109},
                 {L"CloseButton", 111}, {L"StartPopStartButton", 84}, {L"SubmitButton", 109},
                 {L"OptionsButton", 109}, {L"CancelButton", 111}};
  for (const wchar_t* state : {L"", L"Klick", L"Nuv"}) {
    for (const auto& button : buttons) add(std::wstring(button.name) + state, button.width, 47, Kind::Alpha);
  }
  for (const wchar_t* key : {L"EscButton", L"F1Button", L"F12Button"}) add(key, 37, 25, Kind::Opaque);
  add(L"SliderSliderVertical", 19, 10, Kind::Alpha);
  add(L"SliderSliderVerticalHover", 19, 10, Kind::Alpha);
  add(L"SliderSliderHorizontal", 11, 20, Kind::Alpha);
  add(L"SliderSliderHorizontalHover", 11, 20, Kind::Alpha);
  add(L"ScrollSlider", 16, 2, Kind::Opaque);
  add(L"ScrollSliderHorizontal", 2, 16, Kind::Opaque);
  add(L"ScrollBackground", 16, 16, Kind::Opaque);
  add(L"ScrollButtonUp", 16, 16, Kind::Alpha);
  add(L"ScrollButtonDown", 16, 16, Kind::Alpha);
  for (const wchar_t* box : {L"CheckBoxUnchecked", L"CheckBoxChecked", L"CheckBoxDisUnchecked", L"CheckBoxDisChecked"})
    add(box, 16, 16, Kind::Opaque);
  for (const wchar_t* radio :
       {L"RadioButtonUnchecked", L"RadioButtonChecked", L"RadioButtonDisUnchecked", L"RadioButtonDisChecked"})
    add(radio, 16, 16, Kind::Alpha);
  add(L"EditBarBackGround", 1, 1, Kind::Opaque);
  for (const wchar_t* corner : {L"EditBarCornerLT", L"EditBarCornerRT", L"EditBarCornerLB", L"EditBarCornerRB"})
    add(corner, 8, 8, Kind::Alpha);
  add(L"EditBarBorderL", 8, 1, Kind::Opaque);
  add(L"EditBarBorderR", 8, 1, Kind::Opaque);
  add(L"EditBarBorderT", 1, 8, Kind::Opaque);
  add(L"EditBarBorderB", 1, 8, Kind::Opaque);
  add(L"EditBarKaretka", 1, 19, Kind::Opaque);
  add(L"SelectionMask", 1, 1, Kind::Alpha);
  // Mouse hint, praise and instruction ending.
  for (const wchar_t* mouse :
       {L"MOUSE", L"MOUSE_L", L"MOUSE_R", L"MOUSE_B", L"MOUSE_B_CL", L"MOUSE_B_ROT1", L"MOUSE_B_ROT2"})
    add(mouse, 246, 246, Kind::Alpha);
  add(L"oblako_png", 506, 350, Kind::Alpha);
  add(L"KEYBOARDPIC", 524, 230, Kind::Either);
  add(L"KEYSPACE", 112, 14, Kind::Either);
  // The crane scene's numbered resources.
  auto resource = [&](std::wstring number, int w, int h, Kind kind) {
    all.push_back({std::move(number), true, w, h, kind});
  };
  resource(L"102", 800, 600, Kind::Opaque);
  resource(L"103", 124, 32, Kind::Alpha);
  resource(L"104", 46, 1, Kind::Alpha);
  resource(L"105", 110, 121, Kind::Alpha);
  resource(L"106", 116, 97, Kind::Alpha);
  resource(L"107", 800, 600, Kind::Alpha);
  resource(L"108", 22, 70, Kind::Alpha);
  resource(L"109", 224, 148, Kind::Alpha);
  resource(L"121", 800, 600, Kind::Opaque);
  resource(L"122", 800, 600, Kind::Alpha);
  return all;
}

// The picture, or nothing when its file is absent (the pictures are made separately from the
// voices and clips; each part's checks run once its files are in).
std::optional<Png> Load(std::span<const unsigned char> data, const std::string& what) {
  if (data.empty()) return std::nullopt;
  std::string error;
  auto png = media_test::DecodePng(data, &error);
  if (!png) ADD_FAILURE() << what << ": " << error;
  return png;
}

#define LOAD_OR_SKIP(var, data, what)                                              \
  const std::optional<Png> var = Load(data, what);                                 \
  if (!var) GTEST_SKIP() << what << " is not in media/ yet";                        \
  ASSERT_FALSE(var->rgba.empty()) << what << " is not an 8-bit RGB or RGBA picture"

bool AllOpaque(const Png& png) {
  for (int y = 0; y < png.height; ++y)
    for (int x = 0; x < png.width; ++x)
      if (png.Alpha(x, y) != 255) return false;
  return true;
}

TEST(Pictures, EveryPictureHasItsSizeAndKind) {
  int present = 0;
  std::vector<std::string> missing;
  for (const Expected& picture : AllPictures()) {
    const std::string name = Narrow(picture.name);
    const auto data = Find(picture);
    if (data.empty()) {
      missing.push_back(name);
      continue;
    }
    ++present;
    SCOPED_TRACE(name);
    const auto png = Load(data, name);
    if (!png) continue;
    EXPECT_EQ(png->width, picture.width);
    EXPECT_EQ(png->height, picture.height);
    if (png->rgba.empty()) continue;  // reported by EightBitRgbWithoutBackground
    if (picture.kind == Kind::Alpha) {
      EXPECT_TRUE(png->HasAlphaChannel()) << "needs an alpha channel";
    }
    if (picture.kind == Kind::Opaque) {
      EXPECT_TRUE(AllOpaque(*png)) << "must be opaque";
    }
  }
  if (present == 0) GTEST_SKIP() << "no pictures in media/ yet";
  for (const std::string& name : missing) ADD_FAILURE() << name << " is missing";
}

TEST(Pictures, AreEightBitRgbWithoutBackground) {
  int checked = 0;
  for (const auto* table : {&media::BuiltIn(), &media::Resources()}) {
    for (const media::Entry& entry : *table) {
      const std::string name = Narrow(entry.name);
      SCOPED_TRACE(name);
      std::string error;
      const auto png = media_test::DecodePng(entry.data, &error);
      if (!png) continue;  // not a picture
      ++checked;
      EXPECT_EQ(png->bitDepth, 8);
      EXPECT_TRUE(png->colourType == PNG_COLOR_TYPE_RGB || png->colourType == PNG_COLOR_TYPE_RGB_ALPHA)
          << "colour type " << png->colourType;
      // The loader composes a picture with a bKGD chunk onto that colour, erasing its alpha.
      EXPECT_FALSE(png->hasBackground) << "bKGD chunk";
      // The loader corrects a gAMA picture for a 2.2 screen; only 1/2.2 leaves it unchanged.
      if (png->gamma) {
        EXPECT_NEAR(*png->gamma, 1 / 2.2, 0.005);
      }
    }
  }
  if (checked == 0) GTEST_SKIP() << "no pictures in media/ yet";
}

// Only texels of alpha 255 are hits.
TEST(Pictures, ClickablePicturesAreOpaqueInTheMiddle) {
  for (const Expected& picture : AllPictures()) {
    const std::string name = Narrow(picture.name);
    const bool clickable = name.find("Button") != std::string::npos && picture.kind == Kind::Alpha;
    if (!clickable) continue;
    const auto png = Load(Find(picture), name);
    if (!png || png->rgba.empty()) continue;
    EXPECT_EQ(png->Alpha(png->width / 2, png->height / 2), 255) << name;
  }
}

TEST(Pictures, MouseHintsStandOnATransparentBackground) {
  for (const wchar_t* name :
       {L"MOUSE", L"MOUSE_L", L"MOUSE_R", L"MOUSE_B", L"MOUSE_B_CL", L"MOUSE_B_ROT1", L"MOUSE_B_ROT2"}) {
    const auto png = Load(media::FindBuiltIn(name), Narrow(name));
    if (!png || png->rgba.empty() || png->width != 246 || png->height != 246) continue;
    SCOPED_TRACE(Narrow(name));
    // The corners lie over the scene and must let clicks through.
    EXPECT_EQ(png->Alpha(0, 0), 0);
    EXPECT_EQ(png->Alpha(245, 0), 0);
    EXPECT_EQ(png->Alpha(0, 245), 0);
    EXPECT_EQ(png->Alpha(245, 245), 0);
    EXPECT_EQ(png->Alpha(123, 123), 255) << "the mouse's body";
  }
}

TEST(Pictures, CaretIsBlack) {
  LOAD_OR_SKIP(caret, media::FindBuiltIn(L"EditBarKaretka"), "EditBarKaretka");
  for (int y = 0; y < caret->height; ++y) {
    const std::uint8_t* p = caret->Pixel(0, y);
    EXPECT_TRUE(p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 255) << "row " << y;
  }
}

// The collision mask, drawn nowhere, is what the crane's movement tests against.
bool Blocks(int x, int y) {
  const bool ceiling = y <= 9, floor = y >= 542;
  const bool leftWall = x <= 60, rightWall = x >= 738;
  const bool partition = x >= 375 && x <= 431 && y >= 293;
  const bool block = x >= 375 && y >= 390;
  return ceiling || floor || leftWall || rightWall || partition || block;
}

// The partition's cap is wider than the wall; its exact outline is a matter of drawing.
bool InCapMargin(int x, int y) {
  return y >= 293 && y < 340 && ((x >= 360 && x < 375) || (x > 431 && x <= 448));
}

TEST(CollisionMask, AlphaIsOnlyFreeOrBlocking) {
  LOAD_OR_SKIP(mask, media::FindResource(122), "122");
  int wrong = 0;
  for (int y = 0; y < mask->height; ++y)
    for (int x = 0; x < mask->width; ++x)
      if (mask->Alpha(x, y) != 0 && mask->Alpha(x, y) != 255 && ++wrong <= 5)
        ADD_FAILURE() << "alpha " << int(mask->Alpha(x, y)) << " at " << x << "," << y;
  EXPECT_EQ(wrong, 0);
}

TEST(CollisionMask, BlocksExactlyWallsFloorPartitionAndLoadingBlock) {
  LOAD_OR_SKIP(mask, media::FindResource(122), "122");
  ASSERT_EQ(mask->width, 800);
  ASSERT_EQ(mask->height, 600);
  int wrong = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      if (InCapMargin(x, y)) continue;
      const bool blocks = mask->Alpha(x, y) != 0;
      if (blocks != Blocks(x, y) && ++wrong <= 10)
        ADD_FAILURE() << (blocks ? "blocks" : "free") << " at " << x << "," << y;
    }
  }
  EXPECT_EQ(wrong, 0) << "pixels differing from the scene's layout";

  // Region borders, one pixel either side.
  EXPECT_NE(mask->Alpha(200, 9), 0);     // ceiling
  EXPECT_EQ(mask->Alpha(200, 10), 0);
  EXPECT_NE(mask->Alpha(60, 300), 0);    // left wall
  EXPECT_EQ(mask->Alpha(61, 300), 0);
  EXPECT_NE(mask->Alpha(738, 200), 0);   // right wall
  EXPECT_EQ(mask->Alpha(737, 200), 0);
  EXPECT_NE(mask->Alpha(200, 542), 0);   // floor
  EXPECT_EQ(mask->Alpha(200, 541), 0);
  EXPECT_NE(mask->Alpha(600, 390), 0);   // loading block
  EXPECT_EQ(mask->Alpha(600, 389), 0);
  EXPECT_NE(mask->Alpha(375, 450), 0);   // partition
  EXPECT_EQ(mask->Alpha(374, 450), 0);
  // The partition's top: nothing above row 293, and the cap spans 360..448 at row 300.
  bool topRow = false;
  for (int x = 360; x <= 448; ++x) {
    EXPECT_EQ(mask->Alpha(x, 292), 0) << "x " << x;
    topRow = topRow || mask->Alpha(x, 293) != 0;
  }
  EXPECT_TRUE(topRow) << "the partition reaches up to row 293";
  EXPECT_NE(mask->Alpha(360, 300), 0);
  EXPECT_NE(mask->Alpha(448, 300), 0);
  EXPECT_EQ(mask->Alpha(359, 300), 0);
  EXPECT_EQ(mask->Alpha(449, 300), 0);
}

// A plate hangs on the magnet's bottom edge, and both collide by their opaque texels: the lowest
// row of each must be solid across for the crane to stop on floors, walls and plates.
TEST(Crane, MagnetAndPlateBottomRowsAreOpaque) {
  for (unsigned number : {106u, 103u}) {
    const std::string name = std::to_string(number);
    const auto png = Load(media::FindResource(number), name);
    if (!png || png->rgba.empty()) continue;
    for (int x = 0; x < png->width; ++x)
      EXPECT_EQ(png->Alpha(x, png->height - 1), 255) << name << " at x " << x;
  }
  if (media::FindResource(106).empty() && media::FindResource(103).empty())
    GTEST_SKIP() << "no crane pictures in media/ yet";
}

TEST(Cloud, IsTransparentOverTheClipWindow) {
  LOAD_OR_SKIP(cloud, media::FindBuiltIn(L"oblako_png"), "oblako_png");
  ASSERT_EQ(cloud->width, 506);
  ASSERT_EQ(cloud->height, 350);
  // The clip plays at cloud-local (93,76), 320 x 200, beneath the cloud.
  int covered = 0;
  for (int y = 76; y < 276; ++y)
    for (int x = 93; x < 413; ++x)
      if (cloud->Alpha(x, y) != 0 && ++covered <= 5) ADD_FAILURE() << "covers the clip at " << x << "," << y;
  EXPECT_EQ(covered, 0);
  // And it is a frame: something opaque surrounds the window.
  EXPECT_EQ(cloud->Alpha(253, 40), 255) << "above the window";
  EXPECT_EQ(cloud->Alpha(253, 310), 255) << "below the window";
}

TEST(Keyboard, SpaceBarLiesWhereKeySpaceIsDrawn) {
  LOAD_OR_SKIP(keyboard, media::FindBuiltIn(L"KEYBOARDPIC"), "KEYBOARDPIC");
  LOAD_OR_SKIP(space, media::FindBuiltIn(L"KEYSPACE"), "KEYSPACE");
  // KEYBOARDPIC is drawn at (107,347) and KEYSPACE at (237,502): keyboard-local (130,155).
  constexpr int kLeft = 130, kTop = 155, kWidth = 112, kHeight = 14;
  ASSERT_EQ(space->width, kWidth);
  ASSERT_EQ(space->height, kHeight);
  double inside[3] = {}, ring[3] = {};
  int insideCount = 0, ringCount = 0;
  for (int y = kTop + 2; y < kTop + kHeight - 2; ++y) {
    for (int x = kLeft + 2; x < kLeft + kWidth - 2; ++x) {
      EXPECT_EQ(keyboard->Alpha(x, y), 255) << "the space bar at " << x << "," << y;
      for (int c = 0; c < 3; ++c) inside[c] += keyboard->Pixel(x, y)[c];
      ++insideCount;
    }
  }
  auto addRing = [&](int x, int y) {
    for (int c = 0; c < 3; ++c) ring[c] += keyboard->Pixel(x, y)[c];
    ++ringCount;
  };
  for (int x = kLeft; x < kLeft + kWidth; ++x) {
    addRing(x, kTop - 1);
    addRing(x, kTop + kHeight);
  }
  for (int y = kTop; y < kTop + kHeight; ++y) {
    addRing(kLeft - 1, y);
    addRing(kLeft + kWidth, y);
  }
  // The key's face stands out from what surrounds it, so the bar's outline is where KEYSPACE lies.
  double difference = 0;
  for (int c = 0; c < 3; ++c) difference += std::fabs(inside[c] / insideCount - ring[c] / ringCount);
  EXPECT_GT(difference, 24.0) << "no key edge around the space bar's rectangle";
}

}  // namespace
