#include "framework/views/sequence_view.h"

#include <gtest/gtest.h>

#include "framework/resources/test_support.h"

namespace {

class SequenceViewTest : public test_support::ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    for (const wchar_t* name : {L"F0", L"F1", L"F2"}) {
      ids.push_back(test_support::MakeTexture(name, 4, 4, [](int, int) { return 0xFF000000u; }));
    }
  }
  std::vector<std::uint32_t> ids;
};

TEST_F(SequenceViewTest, FramesAreShownByNumberAndOnlyWhenTheyExist) {
  IMSequenceView view;
  view.AddFrame(L"F0");
  view.AddFrame(L"F1");
  view.SetStartFrame(1);
  view.AddFrame(L"F2");
  EXPECT_EQ(view.GetFrame(), 1) << "adding a frame shows the start frame";
  EXPECT_EQ(view.GetTextureId(), ids[1]);

  view.SetFrame(2);
  EXPECT_EQ(view.GetTextureId(), ids[2]);
  for (int outside : {3, -1}) {
    view.SetFrame(outside);
    EXPECT_EQ(view.GetFrame(), 2);
    EXPECT_EQ(view.GetTextureId(), ids[2]);
  }

  view.SetStartFrame(-3);
  EXPECT_EQ(view.GetStartFrame(), 0);
  view.SetEndFrame(100);
  EXPECT_EQ(view.GetEndFrame(), 3) << "clamped to the number of frames";
}

}  // namespace
