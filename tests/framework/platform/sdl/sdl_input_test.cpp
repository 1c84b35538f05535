#include "framework/platform/sdl/sdl_input.h"

#include <gtest/gtest.h>

namespace {

using platform::Message;
using platform::sdl::InputTranslator;

SDL_Event Button(bool down, std::uint8_t button, int x, int y, std::uint32_t ms) {
  SDL_Event e{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.button = button;
  e.button.x = x;
  e.button.y = y;
  e.button.timestamp = ms;
  return e;
}

SDL_Event Key(bool down, SDL_Scancode sc, std::uint16_t mod = KMOD_NONE, bool repeat = false) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.keysym.scancode = sc;
  e.key.keysym.mod = mod;
  e.key.repeat = repeat;
  return e;
}

SDL_Event Wheel(float notches, bool flipped = false) {
  SDL_Event e{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.preciseY = notches;
  e.wheel.y = static_cast<Sint32>(notches);
  e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
  return e;
}

SDL_Event Text(const char* utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  std::snprintf(e.text.text, sizeof e.text.text, "%s", utf8);
  return e;
}

SDL_Event Motion(int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.x = x;
  e.motion.y = y;
  return e;
}

std::vector<UINT> Messages(const std::vector<Message>& ms) {
  std::vector<UINT> out;
  for (const Message& m : ms) out.push_back(m.message);
  return out;
}

class InputTranslatorTest : public ::testing::Test {
 protected:
  std::vector<Message> Feed(const SDL_Event& e) { return input.Translate(e); }
  InputTranslator input{nullptr, 800, 600};
};

TEST_F(InputTranslatorTest, SecondPressOfTheSameButtonNearbyAndSoonIsADoubleClick) {
  EXPECT_EQ(Messages(Feed(Button(true, SDL_BUTTON_LEFT, 100, 100, 1000))), std::vector<UINT>{WM_LBUTTONDOWN});
  Feed(Button(false, SDL_BUTTON_LEFT, 100, 100, 1050));
  EXPECT_EQ(Messages(Feed(Button(true, SDL_BUTTON_LEFT, 102, 98, 1500))), std::vector<UINT>{WM_LBUTTONDBLCLK});
  Feed(Button(false, SDL_BUTTON_LEFT, 102, 98, 1520));
  // A third press starts a new pair.
  EXPECT_EQ(Messages(Feed(Button(true, SDL_BUTTON_LEFT, 102, 98, 1600))), std::vector<UINT>{WM_LBUTTONDOWN});
  Feed(Button(false, SDL_BUTTON_LEFT, 102, 98, 1610));
  // Too far, too late, or another button: plain presses.
  EXPECT_EQ(Messages(Feed(Button(true, SDL_BUTTON_LEFT, 105, 98, 1700))), std::vector<UINT>{WM_LBUTTONDOWN});
  EXPECT_EQ(Messages(Feed(Button(true, SDL_BUTTON_LEFT, 105, 98, 2201))), std::vector<UINT>{WM_LBUTTONDOWN});
  EXPECT_EQ(Messages(Feed(Button(true, SDL_BUTTON_MIDDLE, 105, 98, 2300))), std::vector<UINT>{WM_MBUTTONDOWN});
  EXPECT_EQ(Messages(Feed(Button(true, SDL_BUTTON_MIDDLE, 105, 98, 2400))), std::vector<UINT>{WM_MBUTTONDBLCLK});
  EXPECT_EQ(Messages(Feed(Button(true, SDL_BUTTON_RIGHT, 105, 98, 2500))), std::vector<UINT>{WM_RBUTTONDOWN});
  EXPECT_EQ(Messages(Feed(Button(true, SDL_BUTTON_RIGHT, 105, 98, 2600))), std::vector<UINT>{WM_RBUTTONDBLCLK});
}

TEST_F(InputTranslatorTest, ButtonFlagsDescribeTheStateAfterTheEvent) {
  auto down = Feed(Button(true, SDL_BUTTON_LEFT, 10, 20, 0));
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].wParam, MK_LBUTTON);
  EXPECT_EQ(GET_X_LPARAM(down[0].lParam), 10);
  EXPECT_EQ(GET_Y_LPARAM(down[0].lParam), 20);
  Feed(Key(true, SDL_SCANCODE_LSHIFT, KMOD_NONE));
  auto right = Feed(Button(true, SDL_BUTTON_RIGHT, 10, 20, 1000));
  EXPECT_EQ(right[0].wParam, MK_LBUTTON | MK_RBUTTON | MK_SHIFT);
  auto up = Feed(Button(false, SDL_BUTTON_LEFT, 10, 20, 1100));
  EXPECT_EQ(up[0].wParam, MK_RBUTTON | MK_SHIFT);
  // Extra buttons never become messages.
  EXPECT_TRUE(Feed(Button(true, SDL_BUTTON_X1, 10, 20, 1200)).empty());
}

// Its leaving is posted once, so that a loop asleep notices it.
TEST_F(InputTranslatorTest, OutsideAWindowThePointerReachesNoOne) {
  EXPECT_EQ(Messages(Feed(Motion(799, 599))), std::vector<UINT>{WM_MOUSEMOVE});
  EXPECT_EQ(Messages(Feed(Motion(800, 10))), std::vector<UINT>{WM_MOUSELEAVE});
  EXPECT_TRUE(Feed(Motion(-1, 10)).empty());
  EXPECT_FALSE(input.MouseInside());
  EXPECT_TRUE(Feed(Button(true, SDL_BUTTON_LEFT, 10, 600, 0)).empty());
}

// Positions here are what the letterboxing hands over: the bars lie outside 800x600.
TEST(FullScreenInputTest, ThePointerInTheBarsActsOnTheNearestEdgePixel) {
  InputTranslator input{nullptr, 800, 600, true};
  auto at = [](const Message& m) { return std::pair{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)}; };

  auto left = input.Translate(Motion(-130, 250));
  ASSERT_EQ(Messages(left), std::vector<UINT>{WM_MOUSEMOVE});
  EXPECT_EQ(at(left[0]), std::pair(0, 250));
  EXPECT_TRUE(input.MouseInside());
  EXPECT_EQ(input.LastMousePosition().x, 0);
  // A wheel turn and press while the pointer rests in the bar go to the edge.
  auto turn = input.Translate(Wheel(1.0f));
  ASSERT_EQ(turn.size(), 1u);
  EXPECT_EQ(at(turn[0]), std::pair(0, 250));
  auto press = input.Translate(Button(true, SDL_BUTTON_MIDDLE, -130, 250, 0));
  ASSERT_EQ(Messages(press), std::vector<UINT>{WM_MBUTTONDOWN});
  EXPECT_EQ(at(press[0]), std::pair(0, 250));
  EXPECT_EQ(Messages(input.Translate(Button(false, SDL_BUTTON_MIDDLE, -130, 250, 10))),
            std::vector<UINT>{WM_MBUTTONUP});

  // The bars below and to the right, and a corner; two clicks there are still a double click.
  EXPECT_EQ(at(input.Translate(Motion(420, 655))[0]), std::pair(420, 599));
  EXPECT_EQ(at(input.Translate(Motion(900, -40))[0]), std::pair(799, 0));
  EXPECT_EQ(at(input.Translate(Button(true, SDL_BUTTON_LEFT, 950, 700, 1000))[0]), std::pair(799, 599));
  input.Translate(Button(false, SDL_BUTTON_LEFT, 950, 700, 1050));
  EXPECT_EQ(Messages(input.Translate(Button(true, SDL_BUTTON_LEFT, 1200, 640, 1100))),
            std::vector<UINT>{WM_LBUTTONDBLCLK});
}

TEST_F(InputTranslatorTest, OneWheelMessagePerNotchWithTheSignOfTheTurn) {
  Feed(Motion(300, 200));
  auto away = Feed(Wheel(1.0f));
  ASSERT_EQ(away.size(), 1u);
  EXPECT_EQ(away[0].message, WM_MOUSEWHEEL);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(away[0].wParam), 120);
  EXPECT_EQ(LOWORD(away[0].wParam), 0);
  EXPECT_EQ(GET_X_LPARAM(away[0].lParam), 300);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(Feed(Wheel(-1.0f))[0].wParam), -120);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(Feed(Wheel(1.0f, true))[0].wParam), -120);
  EXPECT_EQ(Feed(Wheel(2.0f)).size(), 2u);
  // Fine-grained travel adds up to whole notches; turning back starts afresh.
  EXPECT_TRUE(Feed(Wheel(0.5f)).empty());
  EXPECT_EQ(Feed(Wheel(0.5f)).size(), 1u);
  EXPECT_TRUE(Feed(Wheel(0.75f)).empty());
  EXPECT_TRUE(Feed(Wheel(-0.5f)).empty());
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(Feed(Wheel(-0.5f))[0].wParam), -120);
}

TEST_F(InputTranslatorTest, KeysGiveVirtualKeysAndTheControlCharactersTypingMakes) {
  auto a = Feed(Key(true, SDL_SCANCODE_A));
  EXPECT_EQ(Messages(a), std::vector<UINT>{WM_KEYDOWN});
  EXPECT_EQ(a[0].wParam, static_cast<WPARAM>('A'));
  EXPECT_EQ(platform::GetAsyncKeyState('A') & 0x8000, 0x8000);
  EXPECT_EQ(Messages(Feed(Key(false, SDL_SCANCODE_A))), std::vector<UINT>{WM_KEYUP});
  EXPECT_EQ(platform::GetAsyncKeyState('A'), 0);

  struct Case {
    SDL_Scancode sc;
    std::uint16_t mod;
    WPARAM ch;
  };
  for (Case c : {Case{SDL_SCANCODE_BACKSPACE, KMOD_NONE, 8}, Case{SDL_SCANCODE_BACKSPACE, KMOD_LCTRL, 0x7F},
                 Case{SDL_SCANCODE_TAB, KMOD_NONE, 9}, Case{SDL_SCANCODE_RETURN, KMOD_NONE, 13},
                 Case{SDL_SCANCODE_RETURN, KMOD_LCTRL, 10}, Case{SDL_SCANCODE_ESCAPE, KMOD_NONE, 27},
                 Case{SDL_SCANCODE_I, KMOD_LCTRL, 9}, Case{SDL_SCANCODE_A, KMOD_RCTRL, 1}}) {
    auto ms = Feed(Key(true, c.sc, c.mod));
    ASSERT_EQ(ms.size(), 2u) << c.sc;
    EXPECT_EQ(ms[0].message, WM_KEYDOWN);
    EXPECT_EQ(ms[1].message, WM_CHAR);
    EXPECT_EQ(ms[1].wParam, c.ch) << c.sc;
    Feed(Key(false, c.sc, c.mod));
  }
}

TEST_F(InputTranslatorTest, TypedTextArrivesAsUtf16UnitsButNotWithCtrlOrAlt) {
  auto ms = Feed(Text("Жё 😀"));
  std::vector<WPARAM> units;
  for (const Message& m : ms) units.push_back(m.wParam);
  EXPECT_EQ(units, (std::vector<WPARAM>{0x416, 0x451, 0x20, 0xD83D, 0xDE00}));
  Feed(Key(true, SDL_SCANCODE_LCTRL));
  EXPECT_TRUE(Feed(Text("i")).empty());
  Feed(Key(false, SDL_SCANCODE_LCTRL, KMOD_LCTRL));
  EXPECT_EQ(Feed(Text("i")).size(), 1u);
}

TEST_F(InputTranslatorTest, AltAndF10GoOutAsSystemKeys) {
  Feed(Key(true, SDL_SCANCODE_LALT));
  auto f4 = Feed(Key(true, SDL_SCANCODE_F4, KMOD_LALT));
  ASSERT_EQ(f4.size(), 1u);
  EXPECT_EQ(f4[0].message, WM_SYSKEYDOWN);
  EXPECT_EQ(f4[0].wParam, static_cast<WPARAM>(VK_F4));
  EXPECT_NE(f4[0].lParam & (1 << 29), 0);
  EXPECT_EQ(Messages(Feed(Key(false, SDL_SCANCODE_F4, KMOD_LALT))), std::vector<UINT>{WM_SYSKEYUP});
  Feed(Key(false, SDL_SCANCODE_LALT, KMOD_LALT));
  EXPECT_EQ(Messages(Feed(Key(true, SDL_SCANCODE_F10))), std::vector<UINT>{WM_SYSKEYDOWN});
  EXPECT_EQ(Messages(Feed(Key(true, SDL_SCANCODE_F12))), std::vector<UINT>{WM_KEYDOWN});
}

TEST_F(InputTranslatorTest, WindowEventsBecomeSizeShowPaintCloseAndLeave) {
  auto window = [&](SDL_WindowEventID id) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = id;
    return Feed(e);
  };
  auto min = window(SDL_WINDOWEVENT_MINIMIZED);
  ASSERT_EQ(min.size(), 1u);
  EXPECT_EQ(min[0].message, WM_SIZE);
  EXPECT_EQ(min[0].wParam, SIZE_MINIMIZED);
  EXPECT_EQ(window(SDL_WINDOWEVENT_RESTORED)[0].wParam, SIZE_RESTORED);
  EXPECT_EQ(Messages(window(SDL_WINDOWEVENT_EXPOSED)), std::vector<UINT>{WM_PAINT});
  EXPECT_EQ(Messages(window(SDL_WINDOWEVENT_SIZE_CHANGED)), std::vector<UINT>{WM_PAINT});
  EXPECT_EQ(Messages(window(SDL_WINDOWEVENT_CLOSE)), std::vector<UINT>{WM_CLOSE});
  EXPECT_EQ(window(SDL_WINDOWEVENT_HIDDEN)[0].wParam, 0u);
  Feed(Motion(10, 10));
  EXPECT_EQ(Messages(window(SDL_WINDOWEVENT_LEAVE)), std::vector<UINT>{WM_MOUSELEAVE});
  EXPECT_FALSE(input.MouseInside());
  EXPECT_TRUE(window(SDL_WINDOWEVENT_LEAVE).empty());
}

}  // namespace
