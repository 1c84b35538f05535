// The whole exercise over the headless backend, played with wheel turns and presses only, from
// the program's start to its end, with the statistics going into a workbook.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "exercise/app.h"
#include "exercise/hangar_scene.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "framework/platform/software_device.h"
#include "framework/platform/utf.h"
#include "framework/resources/resource_manager.h"
#include "framework/workbook/workbook_reader.h"
#include <unistd.h>

#include <cstdlib>

namespace {

namespace headless = platform::headless;
constexpr std::uint64_t kMsPerMessage = 50;

class CranePlay : public ::testing::Test {
 protected:
  CranePlay() {
    headless::Reset();
    headless::SetTimeMs(1000);
    // The pointer rests on the screen when the window appears, as a child's hand on the mouse.
    headless::SetCursorPos(400, 300);
    folder = std::filesystem::temp_directory_path() / ("crane_play_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    setenv("XDG_DATA_HOME", folder.c_str(), 1);
  }
  ~CranePlay() override {
    headless::SetIdleHook(nullptr);
    unsetenv("XDG_DATA_HOME");
    std::filesystem::remove_all(folder);
  }

  // One message through the loop, then the idle pass that draws its effect; the clock moves on.
  void Send(UINT message, WPARAM wParam) {
    headless::AdvanceMs(kMsPerMessage);
    platform::PostMessage(IMWindow::Handle(), message, wParam, MAKELPARAM(400, 300));
    Pump();
    ++messages;
  }
  void Pump() {
    headless::SetIdleHook([] { platform::PostQuitMessage(0); });
    IMWindow::Run(app->window);
  }
  void Turn(bool toward) { Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(toward ? -120 : 120))); }
  void Press() {
    Send(WM_MBUTTONDOWN, MK_MBUTTON);
    Send(WM_MBUTTONUP, 0);
  }
  HangarScene& Scene() { return *app->GetExerciseScene(); }
  void Mode(bool vertical) {
    if (Scene().verticalMode != vertical) Press();
  }
  void RaiseToTop() {
    Mode(true);
    while (Scene().ropeY > 0) Turn(true);
  }
  // Horizontal steps until the crane stands at x (a position the ten-pixel steps reach).
  void MoveTo(int x) {
    Mode(false);
    for (int guard = 0; Scene().craneX != x && guard < 100; ++guard) Turn(Scene().craneX < x);
    ASSERT_EQ(Scene().craneX, x);
  }

  // Fetches one plate from the stack and lowers it into the wagon; returns the messages used.
  int Deliver(int plate, int craneX) {
    const int before = messages;
    RaiseToTop();
    MoveTo(craneX);
    Mode(true);
    for (int guard = 0; Scene().carriedPlate == -1 && guard < 60; ++guard) Turn(false);
    EXPECT_EQ(Scene().carriedPlate, plate);
    RaiseToTop();
    // Right until the hanging plate lies wholly above the wagon.
    Mode(false);
    while (Scene().craneX + Scene().carriedOffset < 490) Turn(true);
    Mode(true);
    for (int guard = 0; !Scene().plates[plate]->IsHidden() && guard < 60; ++guard) Turn(false);
    EXPECT_TRUE(Scene().plates[plate]->IsHidden());
    return messages - before;
  }

  std::filesystem::path folder;
  App* app = nullptr;
  int messages = 0;
};

TEST_F(CranePlay, FromTheInformationScreenToTheResultsWithSixPlates) {
  app = App::Instance(L"04517 Игра «Тиморвал»", false);
  ASSERT_EQ(app->caption, L"04517 Игра «Тиморвал»");
  // The program's own caption, as main() makes it, names the file the shared folder's writer writes.
  EXPECT_EQ(platform::ToUtf8(std::wstring(App::kCatalogueNumber) + L" " + App::kTitle + L".xls"),
            IM_SHARED_WORKBOOK_NAME);
  ASSERT_EQ(app->stateName, L"Dialog1");
  app->ShowInfoScreen();
  Pump();

  // The pupil types a name and presses Enter; Esc skips the voiced instruction.
  for (wchar_t c : std::wstring(L"Маша")) Send(WM_CHAR, c);
  Send(WM_KEYDOWN, VK_RETURN);
  ASSERT_NE(app->workbook, nullptr);
  EXPECT_EQ(app->pupilName, L"Маша");
  EXPECT_TRUE(app->instructionOpen);
  Send(WM_KEYDOWN, VK_ESCAPE);
  ASSERT_NE(app->GetExerciseScene(), nullptr);
  EXPECT_TRUE(app->stateName.empty());
  messages = 0;

  // Top of the stack first: each plate lies on the ones below it.
  std::vector<std::uint32_t> expected;
  const std::pair<int, int> order[] = {{5, 135}, {4, 165}, {3, 225}, {2, 95}, {1, 225}, {0, 95}};
  for (auto [plate, x] : order) {
    const int used = Deliver(plate, x);
    if (HasFailure()) return;
    expected.push_back(static_cast<std::uint32_t>(used * kMsPerMessage));
  }
  // The praise plays its clip to the end, then the exercise's dialog closes and the results
  // screen follows; a close from the system saves the workbook.
  for (int pass = 0; app->stateDialog && pass < 100; ++pass) {
    headless::AdvanceMs(100);
    Pump();
  }
  EXPECT_EQ(app->stateDialog, nullptr);
  EXPECT_EQ(app->stateName, L"Dialog1");  // the results screen made the exercise current again
  platform::PostMessage(IMWindow::Handle(), WM_CLOSE, 0, 0);
  IMWindow::Run(app->window);
  App::Release();

  const std::filesystem::path path = folder / "VELT" / "04517 Игра «Тиморвал».xls";
  auto back = workbook_test::ReadSheets(path);
  ASSERT_TRUE(back.wellFormed);
  ASSERT_EQ(back.sheets.size(), 1u);
  EXPECT_EQ(back.sheets[0].name, L"Маша");
  const auto& rows = back.sheets[0].rows;
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_EQ(rows[0][0].text, L"Время начала работы с упражнением");
  EXPECT_EQ(rows[0][1].type, L"String");
  EXPECT_TRUE(std::regex_match(rows[0][1].text,
                               std::wregex(L"\\d\\d-(January|February|March|April|May|June|July|August|September|"
                                           L"October|November|December)-\\d{4} \\d\\d:\\d\\d")))
      << platform::ToUtf8(rows[0][1].text);
  EXPECT_EQ(rows[1][0].text, L"Количество кликов не колесом");
  EXPECT_EQ(rows[1][1].text, L"0");
  EXPECT_EQ(rows[1][1].type, L"Number");
  for (int n = 1; n <= 6; ++n) {
    EXPECT_EQ(rows[1 + n][0].text, L"время загрузки. мс. " + std::to_wstring(n) + L" плиты");
    EXPECT_EQ(rows[1 + n][1].text, std::to_wstring(expected[n - 1])) << n;
    EXPECT_EQ(rows[1 + n][1].type, L"Number");
  }
  EXPECT_EQ(rows[8][0].text, L"Количество дополнительных вызовов инструкций");
  EXPECT_EQ(rows[8][1].text, L"0");
  EXPECT_EQ(rows[9][0].text, L"Общее время работы с упражнением. с.");
  EXPECT_TRUE(std::regex_match(rows[9][1].text, std::wregex(L"\\d+")));
  EXPECT_TRUE(rows[10].empty());
}

// Every frame the program presents, drawn and uploaded only where something changed, must show
// what a full redraw of the same tree shows: checked right after each present on the same device.
class FullRedrawCheck {
 public:
  explicit FullRedrawCheck(IMWindow* window) : window_(window) {
    headless::SetPresentHook([this] { Check(); });
  }
  ~FullRedrawCheck() { headless::SetPresentHook(nullptr); }
  FullRedrawCheck(const FullRedrawCheck&) = delete;
  FullRedrawCheck& operator=(const FullRedrawCheck&) = delete;

  int frames = 0;
  int partial = 0;  // frames that drew and uploaded less than the whole screen
  std::vector<std::string> mismatches;

 private:
  void Check() {
    const headless::Frame& shown = headless::PresentedFrame();
    auto* device = dynamic_cast<platform::SoftwareDevice*>(IMResourceManager::Instance()->GetDevice());
    ASSERT_NE(device, nullptr);
    ++frames;
    partial += !EqualRect(shown.changed, RECT{0, 0, shown.width, shown.height});
    // The full redraw replaces the partial one, so each frame is judged on its own.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    window_->Draw(IMEvent(window_, IM_EVENT_DRAW));
    device->EndScene();
    int differ = 0;
    RECT where{};
    for (int y = 0; y < shown.height; ++y) {
      for (int x = 0; x < shown.width; ++x) {
        if (device->BackBuffer()[y * shown.width + x] == shown.At(x, y)) continue;
        ++differ;
        where = UnionRect(where, RECT{x, y, x + 1, y + 1});
      }
    }
    if (differ == 0) return;
    const RECT& c = shown.changed;
    mismatches.push_back("frame " + std::to_string(frames) + ": " + std::to_string(differ) + " pixels differ in {" +
                         std::to_string(where.left) + "," + std::to_string(where.top) + "," +
                         std::to_string(where.right) + "," + std::to_string(where.bottom) + "}, drawn {" +
                         std::to_string(c.left) + "," + std::to_string(c.top) + "," + std::to_string(c.right) + "," +
                         std::to_string(c.bottom) + "}");
  }

  IMWindow* window_;
};

TEST_F(CranePlay, EveryFrameOfTheCourseDrawnWhereItChangedShowsWhatAFullRedrawShows) {
  app = App::Instance(L"04517 Игра «Тиморвал»", false);
  FullRedrawCheck check(app->window);
  auto wait = [this](int steps) {
    for (int i = 0; i < steps; ++i) {
      headless::AdvanceMs(100);
      headless::StepSoundWorkers();
      Pump();
    }
  };
  auto mouse = [this](UINT message, WPARAM keys, int x, int y) {
    headless::SetCursorPos(x, y);
    platform::PostMessage(IMWindow::Handle(), message, keys, MAKELPARAM(x, y));
    Pump();
  };
  auto sweep = [&] {
    for (int y = 20; y < 600; y += 40) {
      for (int x = 20; x < 800; x += 60) mouse(WM_MOUSEMOVE, 0, x, y);
    }
  };
  app->ShowInfoScreen();
  Pump();

  // The name typed, the caret blinking: a blink draws and uploads only the caret.
  for (wchar_t c : std::wstring(L"Маша")) Send(WM_CHAR, c);
  wait(10);
  const RECT blink = headless::PresentedFrame().changed;
  EXPECT_LE((blink.right - blink.left) * (blink.bottom - blink.top), 100) << blink.left << "," << blink.top;

  // The voiced instruction with its demonstration, to the blinking Space key, then the exercise.
  Send(WM_KEYDOWN, VK_RETURN);
  ASSERT_TRUE(app->instructionOpen);
  wait(300);
  Send(WM_KEYDOWN, VK_SPACE);
  ASSERT_NE(app->GetExerciseScene(), nullptr);
  const std::pair<int, int> order[] = {{5, 135}, {4, 165}, {3, 225}, {2, 95}, {1, 225}, {0, 95}};
  for (auto [plate, x] : order) {
    Deliver(plate, x);
    if (HasFailure()) return;
  }
  // The praise, the results screen under a wandering pointer, the exit menu, the credits over it.
  for (int pass = 0; app->stateDialog && pass < 100; ++pass) wait(1);
  EXPECT_EQ(app->stateDialog, nullptr);
  sweep();
  Send(WM_KEYDOWN, VK_F12);
  sweep();
  platform::SetAsyncKeyState(VK_CONTROL, true);
  Send(WM_KEYDOWN, 'I');
  platform::SetAsyncKeyState(VK_CONTROL, false);
  sweep();
  mouse(WM_LBUTTONDOWN, MK_LBUTTON, 765, 32);
  mouse(WM_LBUTTONUP, 0, 765, 32);
  wait(2);
  sweep();

  EXPECT_TRUE(check.mismatches.empty()) << check.mismatches.size() << " of " << check.frames << " frames, first "
                                        << check.mismatches.front();
  EXPECT_GT(check.partial, check.frames / 2) << check.frames;
  platform::PostMessage(IMWindow::Handle(), WM_CLOSE, 0, 0);
  IMWindow::Run(app->window);
  App::Release();
}

}  // namespace
