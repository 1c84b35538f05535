#include "framework/views/state_view.h"

#include <gtest/gtest.h>

#include "framework/resources/test_support.h"

namespace {

using test_support::MakeTexture;

class StateViewTest : public test_support::ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    for (const wchar_t* name : {L"Button", L"ButtonDis", L"ButtonNuv", L"ButtonKlick"}) {
      ids[name] = MakeTexture(name, 8, 8, [](int, int) { return 0xFFFFFFFFu; });
    }
  }
  std::map<std::wstring, std::uint32_t> ids;
};

TEST_F(StateViewTest, EachStateShowsItsPicture) {
  IMStateView view;
  view.state = 3;
  view.SetStateTextures(L"Button", L"ButtonDis", L"ButtonNuv", L"ButtonKlick");
  EXPECT_EQ(view.GetTextureId(), ids[L"ButtonNuv"]);
  view.state = 4;
  view.SetStateTextures(L"Button", L"ButtonDis", L"ButtonNuv", L"ButtonKlick");
  EXPECT_EQ(view.GetTextureId(), ids[L"ButtonKlick"]);
  EXPECT_EQ(rm->GetTextureRecord(ids[L"ButtonNuv"])->refCount, 1);
}

TEST_F(StateViewTest, EmptyNamesFallBackToTheNormalPicture) {
  for (int state : {0, 1, 3, 4}) {
    IMStateView view;
    view.state = state;
    view.SetStateTextures(L"Button", L"", L"", L"");
    EXPECT_EQ(view.GetTextureId(), ids[L"Button"]) << state;
  }
  IMStateView view;
  view.state = 1;
  view.SetStateTextures(L"Button", L"ButtonDis", L"", L"");
  EXPECT_EQ(view.GetTextureId(), ids[L"ButtonDis"]);
}

}  // namespace
