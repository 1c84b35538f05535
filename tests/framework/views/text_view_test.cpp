#include "framework/views/text_view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/platform/headless/headless.h"
#include "framework/platform/software_device.h"
#include "framework/resources/glyph_key.h"
#include "framework/resources/golden_image.h"
#include "framework/resources/test_support.h"

namespace {

constexpr DWORD kWhite = 0xFFFFFFFF;
constexpr DWORD kGrey = 0x00AFAFAF;
constexpr DWORD kDarkBlue = 0xFF072134;
constexpr DWORD kPaper = 0xFFF4EFDC;

const std::wstring kSentence = L"Перенеси все детали в вагонетку";

std::wstring Key(wchar_t ch, DWORD colour = kWhite, int size = 16, std::uint8_t whitespace = 0) {
  return MakeGlyphKey(L"Arial", ch, size, colour, false, false, false, kGrey, whitespace);
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

class TextViewTest : public test_support::ManagerTest {
 protected:
  int Refs(const std::wstring& key) {
    const IMTextureRecord* record = rm->GetTextureRecord(rm->FindTexture(key));
    return record ? record->refCount : 0;
  }
  std::vector<RECT> Rects(const IMTextView& view) {
    std::vector<RECT> rects;
    for (int i = 0; i < view.GetCharCount(); ++i) rects.push_back(view.GetCharRect(i));
    return rects;
  }
  // A wrapping view of the given width, as labels and edits set it up before the text.
  std::unique_ptr<IMTextView> Wrapping(int width, const std::wstring& text) {
    auto view = std::make_unique<IMTextView>();
    view->SetRect(RECT{0, 0, width, 400});
    view->wrap = true;
    view->SetText(text);
    return view;
  }
  const platform::headless::Frame& DrawFrame(IMTextView& view) {
    platform::Device* d = rm->GetDevice();
    d->Clear(0, nullptr, D3DCLEAR_TARGET, kPaper, 1.0f, 0);
    d->BeginScene();
    view.Draw();
    d->EndScene();
    d->Present();
    return platform::headless::PresentedFrame();
  }
};

void ExpectSameRects(const std::vector<RECT>& a, const std::vector<RECT>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) EXPECT_TRUE(EqualRect(a[i], b[i])) << "character " << i;
}

TEST_F(TextViewTest, ANewOrEmptiedViewHoldsNothing) {
  IMTextView view;
  EXPECT_EQ(view.GetCharCount(), 0);
  EXPECT_EQ(view.GetLineStarts(), std::vector<int>{0});
  view.SetRect(RECT{0, 0, 200, 50});
  const auto before = DrawFrame(view).pixels;
  EXPECT_EQ(before, std::vector<std::uint32_t>(before.size(), kPaper));

  view.SetText(L"Дом\nдом");
  EXPECT_EQ(view.GetText(), L"Дом\nдом");
  view.SetText(L"");
  EXPECT_EQ(view.GetCharCount(), 0);
  EXPECT_EQ(view.GetLineStarts(), std::vector<int>{0});
  EXPECT_TRUE(EqualRect(view.GetSourceRect(), RECT{0, 0, 0, 0}));
  EXPECT_EQ(Refs(Key(L'Д')), 0) << "the glyphs went with the text";
  EXPECT_EQ(Refs(Key(L'\n')), 0);

  // Out of range: nothing, not a crash.
  EXPECT_EQ(view.GetCharAt(3), 0);
  EXPECT_EQ(view.GetCharColor(-1), 0u);
  EXPECT_EQ(view.GetCharFace(0), L"");
  EXPECT_TRUE(EqualRect(view.GetCharRect(7), RECT{0, 0, 0, 0}));
  EXPECT_EQ(view.GetTextChar(0), nullptr);
}

TEST_F(TextViewTest, EqualCharactersInEqualFormatShareOneTexture) {
  const std::uint32_t ids = rm->GetIdCount();
  auto first = std::make_unique<IMTextView>();
  first->SetText(L"мама");
  IMTextView second;
  second.SetText(L"мама");
  EXPECT_EQ(rm->GetIdCount(), ids + 2) << "one texture per distinct character";
  EXPECT_EQ(Refs(Key(L'м')), 4);
  EXPECT_EQ(Refs(Key(L'а')), 4);
  EXPECT_EQ(first->GetTextChar(0)->textureId, second.GetTextChar(2)->textureId);
  EXPECT_EQ(first->GetTextChar(0)->key, Key(L'м'));

  first.reset();
  EXPECT_EQ(Refs(Key(L'м')), 2);
  second.EraseText(0, 2);
  EXPECT_EQ(Refs(Key(L'м')), 1);
  second.SetText(L"");
  EXPECT_EQ(rm->FindTexture(Key(L'м')), kNoTexture);
  EXPECT_EQ(rm->FindTexture(Key(L'а')), kNoTexture);
}

TEST_F(TextViewTest, ACharacterWithoutATextureNeverReleasesAnotherViewsTexture) {
  // No video memory and nothing to drop: the glyph cannot be made.
  auto* device = static_cast<platform::SoftwareDevice*>(rm->GetDevice());
  for (std::uint32_t id = 0; id < rm->GetIdCount(); ++id) rm->DropDeviceTexture(id);
  platform::headless::SetVideoMemoryBudget(device->VideoMemoryUsed());
  IMTextView failed;
  failed.SetText(L"Ы");
  EXPECT_EQ(rm->GetTextureRecord(failed.GetTextChar(0)->textureId), nullptr);
  EXPECT_TRUE(EqualRect(failed.GetSourceRect(), RECT{0, 0, 0, 0}));
  failed.SetRect(RECT{0, 0, 50, 20});
  DrawFrame(failed);  // draws nothing, and does not fail

  // Memory comes back; another view makes the same key.
  platform::headless::SetVideoMemoryBudget(platform::headless::kUnlimitedVideoMemory);
  IMTextView shown;
  shown.SetText(L"Ы");
  ASSERT_EQ(Refs(Key(L'Ы')), 1);
  failed.SetText(L"");
  EXPECT_EQ(Refs(Key(L'Ы')), 1) << "the reference the failed character never held stays";
}

TEST_F(TextViewTest, AColourChangeReKeysWithoutLayoutAndFreesUnusedTextures) {
  auto view = Wrapping(100, L"один два три четыре");
  const std::vector<RECT> before = Rects(*view);
  const std::vector<int> lines = view->GetLineStarts();
  ASSERT_GT(lines.size(), 1u);
  IMTextView other;
  other.SetText(L"и");

  // Were the text laid out again, it would now fit on one line.
  view->SetSize(1000, 400);
  view->SetChanged(false);
  view->SetColor(kDarkBlue);
  EXPECT_TRUE(view->IsChanged());
  ExpectSameRects(Rects(*view), before);
  EXPECT_EQ(view->GetLineStarts(), lines);
  for (int i = 0; i < view->GetCharCount(); ++i) {
    EXPECT_EQ(view->GetTextChar(i)->key, Key(view->GetCharAt(i), kDarkBlue));
    EXPECT_EQ(view->GetCharColor(i), kDarkBlue);
  }
  EXPECT_EQ(Refs(Key(L'д')), 0) << "the white glyphs nobody uses are freed";
  EXPECT_EQ(Refs(Key(L' ')), 0);
  EXPECT_EQ(Refs(Key(L'и')), 1) << "the other view's white 'и' stays";
  EXPECT_EQ(Refs(Key(L'и', kDarkBlue)), 2);

  // The same colour again keeps every texture and its count.
  view->SetColor(kDarkBlue);
  EXPECT_EQ(Refs(Key(L'и', kDarkBlue)), 2);

  // A size change alters the glyphs: laid out again, now inside the wider view.
  view->SetFontSize(20);
  EXPECT_EQ(view->GetLineStarts(), std::vector<int>{0});
  EXPECT_EQ(Height(view->GetCharRect(0)), 20);
  EXPECT_EQ(Refs(Key(L'и', kDarkBlue)), 0);
  EXPECT_EQ(view->GetFontSize(), 20);
}

TEST_F(TextViewTest, WithoutWrappingEveryCharacterIsOnLineZero) {
  IMTextView view;
  view.SetRect(RECT{0, 0, 30, 16});  // far narrower than the text: no matter
  view.SetText(L"Ab cd\nef\r\tg");
  EXPECT_EQ(view.GetLineStarts(), std::vector<int>{0});
  int x = 0;
  for (int i = 0; i < view.GetCharCount(); ++i) {
    const RECT r = view.GetCharRect(i);
    EXPECT_EQ(r.top, 0) << i;
    EXPECT_EQ(r.left, x) << i;
    x = r.right;
  }
  EXPECT_EQ(Width(view.GetCharRect(5)), 1) << "a line feed is a one-pixel dot";
  EXPECT_EQ(Height(view.GetCharRect(5)), 1);
  EXPECT_EQ(Width(view.GetCharRect(2)), 4);
  EXPECT_EQ(Width(view.GetCharRect(9)), 4) << "a tab shows as a blank";
  EXPECT_TRUE(EqualRect(view.GetSourceRect(), RECT{0, 0, x, 16}));
}

TEST_F(TextViewTest, WrappingBreaksAtBlanksInsideTheViewWidth) {
  auto view = Wrapping(100, kSentence);
  const std::vector<int> lines = view->GetLineStarts();
  ASSERT_GE(lines.size(), 3u);
  int widest = 0;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const int start = lines[k];
    const int end = k + 1 < lines.size() ? lines[k + 1] : view->GetCharCount();
    if (k > 0) {
      EXPECT_EQ(view->GetCharAt(start - 1), L' ') << "line " << k << " starts after a blank";
    }
    EXPECT_EQ(view->GetCharRect(start).left, 0);
    for (int i = start; i < end; ++i) {
      const RECT r = view->GetCharRect(i);
      EXPECT_EQ(r.top, static_cast<int>(k) * 16);
      EXPECT_LE(r.right, 100) << "character " << i;
      widest = std::max(widest, r.right + Width(r));
    }
    // Greedy: the next line's first word would not have fitted on this line.
    if (k + 1 < lines.size()) {
      int right = view->GetCharRect(end - 1).right;
      for (int i = end; i < view->GetCharCount() && view->GetCharAt(i) != L' '; ++i) {
        right += Width(view->GetCharRect(i));
      }
      EXPECT_GT(right, 100) << "line " << k + 1;
    }
  }
  // One glyph wider than the text, so the text edit's caret has room after the widest line.
  EXPECT_TRUE(EqualRect(view->GetSourceRect(), RECT{0, 0, widest, static_cast<int>(lines.size()) * 16}));
}

TEST_F(TextViewTest, WrappingBreaksAtLineBreaksAndInsideOverlongWords) {
  auto view = Wrapping(100, L"ab\ncd\ref\r\ngh");
  // After a line break the next character starts the new line at x = 0; a carriage return
  // breaks as a line feed does, so a CR LF pair leaves an empty line.
  EXPECT_EQ(view->GetLineStarts(), (std::vector<int>{0, 3, 6, 9, 10}));
  EXPECT_TRUE(EqualRect(view->GetCharRect(3), RECT{0, 16, Width(view->GetCharRect(3)), 32}));
  EXPECT_EQ(view->GetCharRect(6).left, 0);
  EXPECT_EQ(view->GetCharRect(6).top, 32);
  EXPECT_EQ(view->GetCharRect(10).left, 0);
  EXPECT_EQ(view->GetCharRect(10).top, 64);

  // A word longer than the line: the overflowing character gets a place and starts a line.
  auto word = Wrapping(50, L"Ааааааааааааааа");
  const std::vector<int> lines = word->GetLineStarts();
  ASSERT_GE(lines.size(), 3u);
  for (std::size_t k = 1; k < lines.size(); ++k) {
    const RECT r = word->GetCharRect(lines[k]);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, static_cast<int>(k) * 16);
    EXPECT_GT(word->GetCharRect(lines[k] - 1).right + Width(r), 50);
  }
  for (int i = 0; i < word->GetCharCount(); ++i) EXPECT_LE(word->GetCharRect(i).right, 50);
}

TEST_F(TextViewTest, EditingLaysOutFromThePositionAsAFreshLayoutWould) {
  auto view = Wrapping(120, L"Кран везёт детали");
  view->InsertText(5, L"медленно ");
  view->InsertText(-1, L"x");
  view->InsertText(view->GetCharCount() + 1, L"x");
  auto fresh = Wrapping(120, L"Кран медленно везёт детали");
  EXPECT_EQ(view->GetText(), fresh->GetText());
  ExpectSameRects(Rects(*view), Rects(*fresh));
  EXPECT_EQ(view->GetLineStarts(), fresh->GetLineStarts());

  view->EraseText(20, 1000);  // stops at the end
  view->EraseText(-1, 3);
  fresh = Wrapping(120, L"Кран медленно везёт ");
  EXPECT_EQ(view->GetText(), fresh->GetText());
  ExpectSameRects(Rects(*view), Rects(*fresh));
  EXPECT_TRUE(EqualRect(view->GetSourceRect(), fresh->GetSourceRect()));
  EXPECT_EQ(Refs(Key(L'и')), 0) << "erased characters gave their glyphs back";
  fresh.reset();

  // A changed character re-keys; its new glyph is wider, so the rest moves.
  const int nextLeft = view->GetCharRect(2).left;
  view->SetCharAt(1, L'Ш');
  EXPECT_EQ(view->GetText().substr(0, 4), L"КШан");
  EXPECT_EQ(view->GetTextChar(1)->key, Key(L'Ш'));
  EXPECT_EQ(Refs(Key(L'р')), 0);
  EXPECT_GT(view->GetCharRect(2).left, nextLeft);
}

TEST_F(TextViewTest, WhitespaceGlyphModeShowsTheSymbolPictures) {
  IMTextView plain;
  plain.SetText(L" \t\r\n");
  EXPECT_NE(plain.GetTextChar(0)->textureId, plain.GetTextChar(1)->textureId) << "each under its own key";
  EXPECT_EQ(rm->FindTexture(Key(L'\t')), plain.GetTextChar(1)->textureId);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Width(plain.GetCharRect(i)), 4) << i;
  EXPECT_EQ(rm->GetTexel(plain.GetTextChar(1)->textureId, 1, 8), kGrey) << "drawn as a blank";

  IMTextView symbols;
  symbols.whitespaceGlyphs = true;
  symbols.SetText(L"a \t\r\n");
  const struct {
    int index;
    int width;
    int height;
  } expected[] = {{1, 3, 3}, {2, 10, 5}, {3, 11, 21}, {4, 11, 21}};
  for (const auto& e : expected) {
    const IMTextChar* c = symbols.GetTextChar(e.index);
    EXPECT_EQ(c->whitespaceFlag, 1);
    EXPECT_EQ(c->key, Key(c->character, kWhite, 16, 1));
    EXPECT_EQ(rm->FindTexture(c->key), c->textureId);
    EXPECT_EQ(Width(symbols.GetCharRect(e.index)), e.width);
    EXPECT_EQ(Height(symbols.GetCharRect(e.index)), e.height);
  }
  EXPECT_EQ(symbols.GetTextChar(0)->whitespaceFlag, 0) << "letters stay letters";
  EXPECT_EQ(symbols.GetTextChar(0)->key, Key(L'a'));
}

// The sentence at the sizes the screens use, regular and bold, drawn by text views through the
// texture store and the device, dark blue on light paper.
class TextViewGoldenTest : public TextViewTest {
 protected:
  TextViewGoldenTest() {
    width_ = 480;
    height_ = 64;
  }
};

TEST_F(TextViewGoldenTest, CyrillicSentenceAtTheScreensSizes) {
  const std::filesystem::path goldens = std::filesystem::path(__FILE__).parent_path() / "golden";
  for (int size : {14, 16, 20, 25}) {
    platform::Device* d = rm->GetDevice();
    d->Clear(0, nullptr, D3DCLEAR_TARGET, kPaper, 1.0f, 0);
    d->BeginScene();
    int top = 4;
    for (bool bold : {false, true}) {
      IMTextView view;
      view.SetFormat(kDarkBlue, std::nullopt, bold, std::nullopt, size);
      view.SetText(kSentence);
      const RECT extent = view.GetSourceRect();
      EXPECT_EQ(Height(extent), size);
      EXPECT_LT(Width(extent), 470);
      view.SetRect(RECT{6, top, 6 + Width(extent), top + Height(extent)});
      view.Draw();
      top += size + 4;
    }
    d->EndScene();
    d->Present();
    EXPECT_EQ(test_support::CompareWithGoldenIn(goldens, platform::headless::PresentedFrame(),
                                                "sentence_" + std::to_string(size)),
              "");
  }
}

class DescriptionWindowTest : public TextViewTest {
 protected:
  DescriptionWindowTest() {
    width_ = 613;
    height_ = 180;
  }
};

// The information screen's description: size 18, wrapped inside 593 pixels, in a window at
// (10, 10) made low enough to cut the last line in half.
TEST_F(DescriptionWindowTest, WrappedDescriptionClippedByItsWindow) {
  IMTextView label;
  label.SetFontSize(18);
  label.SetColor(kDarkBlue);
  label.SetRect(RECT{0, 0, 593, 415});
  label.wrap = true;
  label.Layout(0);
  label.SetText(L"   Игра «Тиморвал» предназначена для развития навыка по использованию колеса мыши  на "
                L"прокручивание и на нажатие. На экране изображен погрузочный ангар, под потолком которого "
                L"подвешен магнитный кран на рельсе.  На механизме крана крестообразно изображены стрелки "
                L"«вверх-вниз»  и «вправо-влево». Эти стрелки светятся попарно, показывая, в каком направлении "
                L"работает кран. Нажатие на колесе мыши меняет направление перемещения крана, а прокручивание "
                L"колеса либо поднимает-опускает магнит крана, либо перемещает кран горизонтально. Требуется с "
                L"помощью крана переместить все детали в вагонетку, отгороженную стеной.");
  const RECT extent = label.GetSourceRect();
  EXPECT_LE(extent.right, 593 + 18);
  EXPECT_EQ(extent.bottom % 18, 0);
  EXPECT_EQ(extent.bottom, 9 * 18);
  label.SetRect(extent);

  platform::Device* d = rm->GetDevice();
  d->Clear(0, nullptr, D3DCLEAR_TARGET, kPaper, 1.0f, 0);
  d->BeginScene();
  d->SetViewport(platform::Viewport{10, 10, 593, 153, 0.0f, 1.0f});
  rm->drawOriginX = 10;
  rm->drawOriginY = 10;
  label.Draw();
  rm->drawOriginX = 0;
  rm->drawOriginY = 0;
  d->EndScene();
  d->Present();
  EXPECT_EQ(test_support::CompareWithGoldenIn(std::filesystem::path(__FILE__).parent_path() / "golden",
                                              platform::headless::PresentedFrame(), "description"),
            "");
}

TEST_F(TextViewTest, DrawShowsOnlyWhatLiesInsideTheViewAndTheViewport) {
  // Twelve lines of text; the whole of it first, as the reference.
  auto view = Wrapping(160, L"Кран поднимает магнит и везёт детали в вагонетку, "
                            L"отгороженную стеной. Колесо мыши двигает кран влево и вправо, "
                            L"нажатие меняет направление. Кран поднимает магнит и везёт детали.");
  ASSERT_GE(view->GetLineStarts().size(), 8u);
  view->SetRect(RECT{20, 10, 180, 10 + Height(view->GetSourceRect())});
  const platform::headless::Frame whole = DrawFrame(*view);

  // A panel scrolled up by 37 inside a window at (0, 40) of 120 x 50: the viewport clips to
  // the window, the origin moves the view, and the view's own rectangle clips further.
  platform::Device* d = rm->GetDevice();
  const platform::Viewport window{0, 40, 120, 50, 0.0f, 1.0f};
  d->SetViewport(window);
  rm->drawOriginX = 0;
  rm->drawOriginY = 40 - 37;
  d->Clear(0, nullptr, D3DCLEAR_TARGET, kPaper, 1.0f, 0);
  d->SetViewport(platform::Viewport{0, 0, 800, 600, 0.0f, 1.0f});
  d->Clear(0, nullptr, D3DCLEAR_TARGET, kPaper, 1.0f, 0);
  d->SetViewport(window);
  d->BeginScene();
  view->Draw();
  d->EndScene();
  platform::Viewport after;
  d->GetViewport(&after);
  EXPECT_EQ(after.Y, 40u);
  EXPECT_EQ(after.Height, 50u);
  EXPECT_EQ(rm->drawOriginY, 3) << "the origin is given back";
  d->Present();
  const platform::headless::Frame& part = platform::headless::PresentedFrame();

  int inked = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 200; ++x) {
      const bool inside = x >= 20 && x < 120 && y >= 40 && y < 90;
      if (!inside) {
        ASSERT_EQ(part.At(x, y), kPaper) << x << "," << y;
      } else {
        // Every visible line is drawn, the first and last ones cut by the window.
        ASSERT_EQ(part.At(x, y), whole.At(x, y - 3)) << x << "," << y;
        inked += part.At(x, y) != kPaper;
      }
    }
  }
  EXPECT_GT(inked, 200);
  rm->drawOriginY = 0;
}

}  // namespace
