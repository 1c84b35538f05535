// The information screen's exercise description, the longest text of the program: set into a
// wrapping label of size 18 in the screen's colour inside 593 pixels, laid out, and drawn
// through the software device into the 593 x 236 description window.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "framework/resources/resource_manager.h"
#include "framework/views/text_view.h"

namespace {

const std::wstring kDescription =
    L"   Игра «Тиморвал» предназначена для развития навыка по использованию колеса мыши  на прокручивание "
    L"и на нажатие. На экране изображен погрузочный ангар, под потолком которого подвешен магнитный кран на "
    L"рельсе.  На механизме крана крестообразно изображены стрелки «вверх-вниз»  и «вправо-влево». Эти "
    L"стрелки светятся попарно, показывая, в каком направлении работает кран. Нажатие на колесе мыши меняет "
    L"направление перемещения крана, а прокручивание колеса либо поднимает-опускает магнит крана, либо "
    L"перемещает кран горизонтально. Требуется с помощью крана переместить все детали в вагонетку, "
    L"отгороженную стеной.";

class Screen {
 public:
  Screen() {
    platform::headless::Reset();
    platform::SetDebugSink([](const std::wstring&) {});
    IMResourceManager::Create(false);
    label_ = std::make_unique<IMTextView>();
  }
  ~Screen() {
    label_.reset();
    IMResourceManager::Destroy();
  }

  // As the information screen builds its description label.
  void SetUpLabel() {
    label_->SetFontSize(18);
    label_->SetColor(0xFF072134);
    label_->SetRect(RECT{0, 0, 593, 415});
    label_->wrap = true;
    label_->Layout(0);
    label_->SetText(kDescription);
  }

  void Draw() {
    IMResourceManager* rm = IMResourceManager::Instance();
    platform::Device* d = rm->GetDevice();
    d->BeginScene();
    d->SetViewport(platform::Viewport{119, 187, 593, 236, 0.0f, 1.0f});
    rm->drawOriginX = 119;
    rm->drawOriginY = 187;
    label_->Draw();
    rm->drawOriginX = 0;
    rm->drawOriginY = 0;
    d->SetViewport(platform::Viewport{0, 0, 800, 600, 0.0f, 1.0f});
    d->EndScene();
  }

  IMTextView& label() { return *label_; }

 private:
  std::unique_ptr<IMTextView> label_;
};

// The first build of the screen: every glyph rendered into its texture.
void BM_DescriptionFirstSetText(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto screen = std::make_unique<Screen>();
    state.ResumeTiming();
    screen->SetUpLabel();
    state.PauseTiming();
    screen.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_DescriptionFirstSetText)->Unit(benchmark::kMicrosecond);

// A later build (Retry, Restart) of the label and its end: the glyphs are found by key and
// only gain and lose references.
void BM_DescriptionSetTextAgain(benchmark::State& state) {
  Screen screen;
  screen.SetUpLabel();
  for (auto _ : state) {
    IMTextView other;
    other.SetRect(RECT{0, 0, 593, 415});
    other.wrap = true;
    other.SetFontSize(18);
    other.SetColor(0xFF072134);
    other.SetText(kDescription);
    benchmark::DoNotOptimize(other.GetSourceRect());
  }
}
BENCHMARK(BM_DescriptionSetTextAgain)->Unit(benchmark::kMicrosecond);

void BM_DescriptionLayout(benchmark::State& state) {
  Screen screen;
  screen.SetUpLabel();
  for (auto _ : state) {
    screen.label().Layout(0);
    benchmark::DoNotOptimize(screen.label().GetSourceRect());
  }
}
BENCHMARK(BM_DescriptionLayout)->Unit(benchmark::kMicrosecond);

void BM_DescriptionDraw(benchmark::State& state) {
  Screen screen;
  screen.SetUpLabel();
  for (auto _ : state) {
    screen.Draw();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DescriptionDraw)->Unit(benchmark::kMicrosecond);

}  // namespace
