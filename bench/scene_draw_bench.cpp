// One real frame of the exercise's hangar, composited by our software device and by pixman
// (the compositor under cairo and the X server), side by side. The program is started with a
// name and taken past the instruction; the device's quads of one full redraw are recorded with
// their pictures, then replayed once through a software device of our own and once through
// pixman: the same pictures, tints, sizes and order, bilinear where a picture is minified,
// nearest where it is not, source-alpha OVER. The two frames are compared before anything is
// timed, and the report ends with our time over pixman's.
//
// --save_frames=DIR writes what the program presented and the two replays as PNG files.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/crane_program.h"
#include "framework/platform/software_device.h"
#include "framework/resources/resource_manager.h"
#include "tests/support/png_file.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr DWORD kClearColor = 0xFF000000;  // what the window clears to before it draws
// The largest colour channel difference the two compositors may show: both round each
// multiplication to 8 bits, at different steps (pixman premultiplies, we blend straight alpha).
// A minified picture would differ more along its soft edges, since we filter straight-alpha
// texels as Direct3D does and pixman filters premultiplied ones; no hangar picture is minified.
constexpr int kTolerance = 3;

// A picture as the device holds it: a power-of-two texture of straight-alpha 0xAARRGGBB texels.
struct Picture {
  int width, height;
  bool opaque;  // X8R8G8B8: sampled with alpha 255
  std::vector<std::uint32_t> texels;
};

struct Quad {
  int picture;
  std::array<platform::QuadVertex, 4> v;
  RECT clip;
  DWORD minFilter, magFilter;
};

struct RecordedFrame {
  std::vector<Picture> pictures;
  std::vector<Quad> quads;
  std::vector<std::uint32_t> presented;  // the program's own frame
  std::string error;
};

// The two frames measured: the hangar as the exercise opens, and after the crane has moved.
enum class Moment { kStart, kLoweredAndSwitched };

RecordedFrame RecordHangarFrame(Moment moment) {
  RecordedFrame frame;
  bench::CraneProgram program;
  if (!program.ToTheHangar()) {
    frame.error = "the hangar is not on the screen";
    return frame;
  }
  if (moment == Moment::kLoweredAndSwitched) program.LowerAndSwitch();
  auto* device = dynamic_cast<platform::SoftwareDevice*>(IMResourceManager::Instance()->GetDevice());
  if (!device) {
    frame.error = "the program draws on no software device";
    return frame;
  }
  std::map<const platform::SoftwareTexture*, int> index;
  device->SetDrawObserver([&](const platform::SoftwareDevice::DrawCall& call) {
    if (call.type != D3DPT_TRIANGLEFAN || call.vertexCount != 4 || !call.texture || !call.standard ||
        call.addressU != D3DTADDRESS_WRAP || call.addressV != D3DTADDRESS_WRAP) {
      frame.error = "a draw that is not a picture's quad";
      return;
    }
    const auto [it, added] = index.try_emplace(call.texture, static_cast<int>(frame.pictures.size()));
    if (added) {
      const platform::SoftwareTexture& t = *call.texture;
      const std::size_t count = static_cast<std::size_t>(t.Width()) * t.Height();
      frame.pictures.push_back(Picture{t.Width(), t.Height(), t.Format() == D3DFMT_X8R8G8B8,
                                       std::vector<std::uint32_t>(t.Texels(), t.Texels() + count)});
    }
    Quad quad{it->second, {}, call.clip, call.minFilter, call.magFilter};
    std::copy_n(call.vertices, 4, quad.v.begin());
    frame.quads.push_back(quad);
  });
  program.window()->SetChanged(true);
  program.window()->RenderFrame();
  device->SetDrawObserver(nullptr);
  frame.presented = platform::headless::PresentedFrame().pixels;
  if (frame.quads.empty() && frame.error.empty()) frame.error = "the frame drew nothing";
  return frame;
}

// --- Our software device ---------------------------------------------------------------------

// The states a picture's draw sets that this device acts on.
constexpr std::pair<D3DRENDERSTATETYPE, DWORD> kPictureRenderStates[] = {
    {D3DRS_COLORWRITEENABLE, 0xF},      {D3DRS_CULLMODE, D3DCULL_CCW},
    {D3DRS_ALPHABLENDENABLE, 1},        {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}};
constexpr std::pair<D3DTEXTURESTAGESTATETYPE, DWORD> kPictureStageStates[] = {
    {D3DTSS_COLOROP, D3DTOP_MODULATE}, {D3DTSS_COLORARG1, D3DTA_TEXTURE}, {D3DTSS_COLORARG2, D3DTA_DIFFUSE},
    {D3DTSS_ALPHAOP, D3DTOP_MODULATE}, {D3DTSS_ALPHAARG1, D3DTA_TEXTURE}, {D3DTSS_ALPHAARG2, D3DTA_DIFFUSE}};

class SoftwareReplay {
 public:
  explicit SoftwareReplay(const RecordedFrame& frame) : frame_(frame), device_(kWidth, kHeight) {
    for (const Picture& p : frame.pictures) {
      platform::Texture* texture = nullptr;
      device_.CreateTexture(static_cast<UINT>(p.width), static_cast<UINT>(p.height), 1, 0,
                            p.opaque ? D3DFMT_X8R8G8B8 : D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture);
      platform::LockedRect locked;
      texture->LockRect(0, &locked, nullptr, 0);
      for (int y = 0; y < p.height; ++y) {
        std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + static_cast<std::size_t>(y) * locked.Pitch,
                    p.texels.data() + static_cast<std::size_t>(y) * p.width, static_cast<std::size_t>(p.width) * 4);
      }
      texture->UnlockRect(0);
      textures_.emplace_back(texture);
    }
    platform::VertexBuffer* buffer = nullptr;
    device_.CreateVertexBuffer(sizeof(Quad::v), 0, platform::kQuadVertexFvf, D3DPOOL_SYSTEMMEM, &buffer);
    buffer_.reset(buffer);
  }

  // Each quad as the texture drawing hands it over: its states, a locked buffer, one draw.
  void Draw() {
    device_.SetViewport(platform::Viewport{0, 0, kWidth, kHeight, 0.0f, 1.0f});
    device_.Clear(0, nullptr, D3DCLEAR_TARGET, kClearColor, 1.0f, 0);
    device_.BeginScene();
    for (const Quad& q : frame_.quads) {
      device_.SetViewport(platform::Viewport{static_cast<DWORD>(q.clip.left), static_cast<DWORD>(q.clip.top),
                                             static_cast<DWORD>(q.clip.right - q.clip.left),
                                             static_cast<DWORD>(q.clip.bottom - q.clip.top), 0.0f, 1.0f});
      for (const auto& [state, value] : kPictureRenderStates) device_.SetRenderState(state, value);
      for (const auto& [state, value] : kPictureStageStates) device_.SetTextureStageState(0, state, value);
      device_.SetSamplerState(0, D3DSAMP_MINFILTER, q.minFilter);
      device_.SetSamplerState(0, D3DSAMP_MAGFILTER, q.magFilter);
      void* bits = nullptr;
      buffer_->Lock(0, sizeof(q.v), &bits, 0);
      std::memcpy(bits, q.v.data(), sizeof(q.v));
      buffer_->Unlock();
      device_.SetFVF(platform::kQuadVertexFvf);
      device_.SetStreamSource(0, buffer_.get(), 0, sizeof(platform::QuadVertex));
      device_.SetTexture(0, textures_[static_cast<std::size_t>(q.picture)].get());
      device_.DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    }
    device_.EndScene();
  }

  const std::uint32_t* Pixels() const { return device_.BackBuffer(); }

 private:
  struct Releaser {
    void operator()(platform::Texture* t) const { t->Release(); }
    void operator()(platform::VertexBuffer* b) const { b->Release(); }
  };
  const RecordedFrame& frame_;
  platform::SoftwareDevice device_;
  std::vector<std::unique_ptr<platform::Texture, Releaser>> textures_;
  std::unique_ptr<platform::VertexBuffer, Releaser> buffer_;
};

// --- pixman ----------------------------------------------------------------------------------

struct PixmanImageReleaser {
  void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using PixmanImage = std::unique_ptr<pixman_image_t, PixmanImageReleaser>;

std::uint32_t Div255(std::uint32_t x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }

std::uint16_t Wide(std::uint32_t c8) { return static_cast<std::uint16_t>(c8 * 257); }

// Each quad's transform, filter and tint are worked out once, before the frame. pixman works on
// premultiplied pixels, so the pictures are premultiplied once, as a program built on pixman
// would keep them.
class PixmanReplay {
  struct Step {
    pixman_image_t* source;
    bool transformed;
    pixman_transform_t transform;
    pixman_filter_t filter;
    bool bilinear;
    int srcX, srcY;
    RECT box;          // destination pixels
    PixmanImage mask;  // the tint, or null for white
    bool componentTint;
  };

 public:
  explicit PixmanReplay(const RecordedFrame& frame) : pixels_(kWidth * kHeight), scratch_(kWidth * kHeight) {
    destination_.reset(pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight, pixels_.data(), kWidth * 4));
    tinted_.reset(pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight, scratch_.data(), kWidth * 4));
    for (const Picture& p : frame.pictures) {
      std::vector<std::uint32_t>& texels = premultiplied_.emplace_back(p.texels);
      if (!p.opaque) {
        for (std::uint32_t& t : texels) {
          const std::uint32_t a = t >> 24;
          t = a << 24 | Div255((t >> 16 & 0xFF) * a) << 16 | Div255((t >> 8 & 0xFF) * a) << 8 | Div255((t & 0xFF) * a);
        }
      }
      pixman_image_t* image = pixman_image_create_bits(p.opaque ? PIXMAN_x8r8g8b8 : PIXMAN_a8r8g8b8, p.width,
                                                       p.height, texels.data(), p.width * 4);
      // Our device wraps texture coordinates; over the whole power-of-two texture that is this.
      pixman_image_set_repeat(image, PIXMAN_REPEAT_NORMAL);
      pictures_.emplace_back(image);
    }
    opaqueViews_.resize(pictures_.size());
    for (const Quad& q : frame.quads) {
      if (!Prepare(q, frame.pictures[static_cast<std::size_t>(q.picture)])) return;
    }
  }

  const std::string& error() const { return error_; }
  int Count(bool Step::*what) const {
    return static_cast<int>(std::count_if(steps_.begin(), steps_.end(), [what](const Step& s) { return s.*what; }));
  }
  int transformed() const { return Count(&Step::transformed); }
  int bilinear() const { return Count(&Step::bilinear); }
  int tinted() const { return Count(&Step::componentTint); }

  void Draw() {
    pixman_fill(pixels_.data(), kWidth, 32, 0, 0, kWidth, kHeight, kClearColor);
    for (const Step& s : steps_) {
      pixman_image_t* source = s.source;
      pixman_image_set_transform(source, s.transformed ? &s.transform : nullptr);
      pixman_image_set_filter(source, s.filter, nullptr, 0);
      pixman_image_t* mask = s.mask.get();
      if (s.componentTint) {
        // A tint of another colour than white: the picture times the tint into a scratch image,
        // then that over the frame.
        pixman_image_composite32(PIXMAN_OP_SRC, source, mask, tinted_.get(), s.srcX, s.srcY, 0, 0, s.box.left,
                                 s.box.top, s.box.right - s.box.left, s.box.bottom - s.box.top);
        pixman_image_composite32(PIXMAN_OP_OVER, tinted_.get(), nullptr, destination_.get(), s.box.left, s.box.top, 0,
                                 0, s.box.left, s.box.top, s.box.right - s.box.left, s.box.bottom - s.box.top);
      } else {
        pixman_image_composite32(PIXMAN_OP_OVER, source, mask, destination_.get(), s.srcX, s.srcY, 0, 0, s.box.left,
                                 s.box.top, s.box.right - s.box.left, s.box.bottom - s.box.top);
      }
    }
  }

  const std::uint32_t* Pixels() const { return pixels_.data(); }

 private:

  static bool Opaque(const Picture& p, int x, int y, int w, int h) {
    if (p.opaque) return true;
    if (x < 0 || y < 0 || x + w > p.width || y + h > p.height) return false;
    for (int row = y; row < y + h; ++row) {
      const std::uint32_t* texel = p.texels.data() + static_cast<std::size_t>(row) * p.width + x;
      if (!std::all_of(texel, texel + w, [](std::uint32_t t) { return t >> 24 == 0xFF; })) return false;
    }
    return true;
  }
  pixman_image_t* OpaqueView(int picture, const Picture& p) {
    PixmanImage& view = opaqueViews_[static_cast<std::size_t>(picture)];
    if (!view) {
      view.reset(pixman_image_create_bits(PIXMAN_x8r8g8b8, p.width, p.height,
                                          premultiplied_[static_cast<std::size_t>(picture)].data(), p.width * 4));
    }
    return view.get();
  }

  bool Fail(const std::string& why) {
    error_ = why;
    return false;
  }

  bool Prepare(const Quad& q, const Picture& p) {
    const auto& v = q.v;
    // The quad must be a rectangle of the screen (axis-aligned or turned by quarter turns);
    // pixman would need a mask for any other shape.
    const float minX = std::min({v[0].x, v[1].x, v[2].x, v[3].x}), maxX = std::max({v[0].x, v[1].x, v[2].x, v[3].x});
    const float minY = std::min({v[0].y, v[1].y, v[2].y, v[3].y}), maxY = std::max({v[0].y, v[1].y, v[2].y, v[3].y});
    auto on = [](float c, float a, float b) { return std::fabs(c - a) < 1e-3f || std::fabs(c - b) < 1e-3f; };
    for (const auto& vertex : v) {
      if (!on(vertex.x, minX, maxX) || !on(vertex.y, minY, maxY)) return Fail("a quad that is not a screen rectangle");
      if (vertex.diffuse != v[0].diffuse) return Fail("a quad with more than one tint");
    }
    // Our pixel centres are at integer coordinates and pixman's at +0.5: the vertex (x, y)
    // stands at pixman's (x + 0.5, y + 0.5), where the texel coordinate is (u W, v H). Three
    // vertices fix the affine map from the frame to the texture.
    const double px[3] = {v[0].x + 0.5, v[1].x + 0.5, v[3].x + 0.5};
    const double py[3] = {v[0].y + 0.5, v[1].y + 0.5, v[3].y + 0.5};
    const double tx[3] = {v[0].u * double(p.width), v[1].u * double(p.width), v[3].u * double(p.width)};
    const double ty[3] = {v[0].v * double(p.height), v[1].v * double(p.height), v[3].v * double(p.height)};
    const double a1 = px[1] - px[0], b1 = py[1] - py[0], a3 = px[2] - px[0], b3 = py[2] - py[0];
    const double det = a1 * b3 - a3 * b1;
    if (det == 0) return Fail("a degenerate quad");
    // M [a1 a3; b1 b3] = [dt1 dt3]
    const double m00 = ((tx[1] - tx[0]) * b3 - (tx[2] - tx[0]) * b1) / det;
    const double m01 = ((tx[2] - tx[0]) * a1 - (tx[1] - tx[0]) * a3) / det;
    const double m10 = ((ty[1] - ty[0]) * b3 - (ty[2] - ty[0]) * b1) / det;
    const double m11 = ((ty[2] - ty[0]) * a1 - (ty[1] - ty[0]) * a3) / det;
    const double t0 = tx[0] - (m00 * px[0] + m01 * py[0]);
    const double t1 = ty[0] - (m10 * px[0] + m11 * py[0]);

    Step step{};
    step.source = pictures_[static_cast<std::size_t>(q.picture)].get();
    // Texels per pixel, as our device measures it to choose between its two filters.
    const double rho = std::max(std::hypot(m00, m10), std::hypot(m01, m11));
    const DWORD filter = rho > 1.0 + 1e-4 ? q.minFilter : q.magFilter;
    step.bilinear = filter == D3DTEXF_LINEAR;
    step.filter = step.bilinear ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST;

    auto up = [](float c) { return static_cast<int>(std::ceil(c)); };
    const RECT quadBox{up(minX), up(minY), up(maxX), up(maxY)};
    if (!IntersectRect(&step.box, quadBox, q.clip)) return true;  // nothing to draw
    const bool unit = std::fabs(m00 - 1) < 1e-9 && std::fabs(m11 - 1) < 1e-9 && m01 == 0 && m10 == 0;
    if (unit && t0 == std::round(t0) && t1 == std::round(t1)) {
      // A 1:1 copy: no transform, an offset into the picture (pixman's fastest paths).
      step.srcX = step.box.left + static_cast<int>(t0);
      step.srcY = step.box.top + static_cast<int>(t1);
      // Where every texel copied is opaque, a program on pixman would say so (an image without
      // alpha), and OVER becomes a plain copy.
      if (Opaque(p, step.srcX, step.srcY, step.box.right - step.box.left, step.box.bottom - step.box.top)) {
        step.source = OpaqueView(q.picture, p);
      }
    } else {
      // Scaled or turned: the transform maps the frame's coordinates into the texture's.
      pixman_f_transform f{};
      f.m[0][0] = m00, f.m[0][1] = m01, f.m[0][2] = t0;
      f.m[1][0] = m10, f.m[1][1] = m11, f.m[1][2] = t1;
      f.m[2][2] = 1;
      if (!pixman_transform_from_pixman_f_transform(&step.transform, &f)) return Fail("no pixman transform");
      step.transformed = true;
      step.srcX = step.box.left;
      step.srcY = step.box.top;
    }

    // The tint. Ours multiplies each straight-alpha channel by the tint's, then blends by the
    // product of the alphas: in premultiplied terms the picture's colour times (r a, g a, b a)
    // and its alpha times a, which is a component-alpha mask of that colour in an SRC pass.
    // A white tint needs no multiply but its alpha's, which a plain solid mask is.
    const DWORD tint = v[0].diffuse;
    const std::uint32_t a = tint >> 24, r = tint >> 16 & 0xFF, g = tint >> 8 & 0xFF, b = tint & 0xFF;
    if ((tint & 0x00FFFFFF) == 0x00FFFFFF) {
      if (a != 0xFF) {
        const pixman_color_t alpha{0, 0, 0, Wide(a)};
        step.mask.reset(pixman_image_create_solid_fill(&alpha));
      }
    } else {
      const pixman_color_t color{Wide(Div255(r * a)), Wide(Div255(g * a)), Wide(Div255(b * a)), Wide(a)};
      step.mask.reset(pixman_image_create_solid_fill(&color));
      pixman_image_set_component_alpha(step.mask.get(), 1);
      step.componentTint = true;
    }
    steps_.push_back(std::move(step));
    return true;
  }

  std::vector<std::uint32_t> pixels_;
  std::vector<std::uint32_t> scratch_;
  PixmanImage destination_;
  PixmanImage tinted_;
  std::vector<std::vector<std::uint32_t>> premultiplied_;
  std::vector<PixmanImage> pictures_;
  std::vector<PixmanImage> opaqueViews_;  // by picture, made when a quad copies only opaque texels
  std::vector<Step> steps_;
  std::string error_;
};

// --- The comparison --------------------------------------------------------------------------

struct Difference {
  int maxChannel = 0;  // over red, green and blue: the frame's alpha is never shown
  int pixels = 0;      // pixels with any channel off by more than 1
};

Difference Compare(const std::uint32_t* a, const std::uint32_t* b) {
  Difference d;
  for (int i = 0; i < kWidth * kHeight; ++i) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const int ca = static_cast<int>(a[i] >> shift & 0xFF), cb = static_cast<int>(b[i] >> shift & 0xFF);
      worst = std::max(worst, std::abs(ca - cb));
    }
    d.maxChannel = std::max(d.maxChannel, worst);
    if (worst > 1) ++d.pixels;
  }
  return d;
}

struct Peers {
  RecordedFrame frame;
  SoftwareReplay ours{frame};
  PixmanReplay pixman{frame};
  std::string error;
  Difference replayVsProgram, pixmanVsOurs;

  explicit Peers(Moment moment) : frame(RecordHangarFrame(moment)) {
    error = !frame.error.empty() ? frame.error : pixman.error();
    if (!error.empty()) return;
    ours.Draw();
    pixman.Draw();
    if (frame.presented.size() != static_cast<std::size_t>(kWidth * kHeight)) {
      error = "the program presented no 800x600 frame";
      return;
    }
    replayVsProgram = Compare(ours.Pixels(), frame.presented.data());
    pixmanVsOurs = Compare(pixman.Pixels(), ours.Pixels());
    if (replayVsProgram.maxChannel != 0) {
      error = "the replay differs from the program's frame: the recording is incomplete";
    } else if (pixmanVsOurs.maxChannel > kTolerance) {
      error = "pixman's frame differs from ours by " + std::to_string(pixmanVsOurs.maxChannel);
    }
  }
};

Peers& TheHangar(Moment moment) {
  static Peers start(Moment::kStart);
  static Peers moved(Moment::kLoweredAndSwitched);
  return moment == Moment::kStart ? start : moved;
}

void Describe(benchmark::State& state, const Peers& peers) {
  state.counters["quads"] = static_cast<double>(peers.frame.quads.size());
  state.counters["max_diff"] = peers.pixmanVsOurs.maxChannel;
  state.counters["px_off"] = peers.pixmanVsOurs.pixels;
}

void HangarFrame_SoftwareDevice(benchmark::State& state, Moment moment) {
  Peers& peers = TheHangar(moment);
  if (!peers.error.empty()) {
    state.SkipWithError(peers.error.c_str());
    return;
  }
  for (auto _ : state) {
    peers.ours.Draw();
    benchmark::ClobberMemory();
  }
  Describe(state, peers);
}
BENCHMARK_CAPTURE(HangarFrame_SoftwareDevice, start, Moment::kStart)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(HangarFrame_SoftwareDevice, lowered_switched, Moment::kLoweredAndSwitched)
    ->Unit(benchmark::kMicrosecond);

void HangarFrame_Pixman(benchmark::State& state, Moment moment) {
  Peers& peers = TheHangar(moment);
  if (!peers.error.empty()) {
    state.SkipWithError(peers.error.c_str());
    return;
  }
  for (auto _ : state) {
    peers.pixman.Draw();
    benchmark::ClobberMemory();
  }
  Describe(state, peers);
}
BENCHMARK_CAPTURE(HangarFrame_Pixman, start, Moment::kStart)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(HangarFrame_Pixman, lowered_switched, Moment::kLoweredAndSwitched)->Unit(benchmark::kMicrosecond);

// The console report, and at its end our time over pixman's for each frame: the ratio of the
// medians of the repetitions, with the ratios of the fastest and of the slowest runs beside it.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // Only the repetitions count, or their median when only aggregates are reported.
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if ((run.run_type != Run::RT_Iteration && !median) || run.error_occurred) continue;
      // "Compositor/frame"
      const std::string& name = run.run_name.function_name;
      const std::size_t slash = name.find('/');
      auto& times = median ? medians_ : times_;
      times[{name.substr(0, slash), slash == std::string::npos ? "" : name.substr(slash + 1)}].push_back(
          run.GetAdjustedRealTime());
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const bool runs = !times_.empty();
    const auto& times = runs ? times_ : medians_;
    for (const auto& [name, ours] : times) {
      if (name.first != "HangarFrame_SoftwareDevice") continue;
      const auto theirs = times.find({"HangarFrame_Pixman", name.second});
      if (theirs == times.end()) continue;
      std::string line = "hangar frame " + name.second + ", software device / pixman: " +
                         Ratio(Median(ours) / Median(theirs->second));
      if (runs && ours.size() > 1) {
        line += " (fastest runs " + Ratio(Min(ours) / Min(theirs->second)) + ", slowest runs " +
                Ratio(Max(ours) / Max(theirs->second)) + ")";
      }
      GetOutputStream() << line << "\n";
    }
  }

 private:
  static std::string Ratio(double r) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", r);
    return text;
  }
  static double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  }
  static double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
  static double Max(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

  std::map<std::pair<std::string, std::string>, std::vector<double>> times_, medians_;
};

void SaveFrames(const std::string& folder, const std::string& prefix, const Peers& peers) {
  auto save = [&](const char* name, const std::uint32_t* pixels) {
    testing_support::PngImage image{kWidth, kHeight, std::vector<std::uint32_t>(pixels, pixels + kWidth * kHeight)};
    for (auto& p : image.pixels) p |= 0xFF000000;
    const std::string path = folder + "/" + prefix + name;
    if (!testing_support::WritePng(path, image)) std::fprintf(stderr, "cannot write %s\n", path.c_str());
  };
  if (peers.frame.presented.size() == static_cast<std::size_t>(kWidth * kHeight)) {
    save("_program.png", peers.frame.presented.data());
  }
  save("_software_device.png", peers.ours.Pixels());
  save("_pixman.png", peers.pixman.Pixels());
}

bool Introduce(const char* name, const Peers& peers) {
  if (!peers.error.empty()) {
    std::printf("hangar frame %s: %s\n", name, peers.error.c_str());
    return false;
  }
  std::printf("hangar frame %s: %zu quads of %zu pictures (%d scaled or turned, %d bilinear, %d tinted in colour); "
              "pixman against ours: max channel difference %d, %d pixels off by more than 1\n",
              name, peers.frame.quads.size(), peers.frame.pictures.size(), peers.pixman.transformed(),
              peers.pixman.bilinear(), peers.pixman.tinted(), peers.pixmanVsOurs.maxChannel, peers.pixmanVsOurs.pixels);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string saveFolder;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--save_frames=", 0) == 0) {
      saveFolder = arg.substr(std::strlen("--save_frames="));
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  bool ok = true;
  for (const auto& [moment, name] :
       {std::pair{Moment::kStart, "start"}, std::pair{Moment::kLoweredAndSwitched, "lowered_switched"}}) {
    const Peers& peers = TheHangar(moment);
    ok = Introduce(name, peers) && ok;
    if (!saveFolder.empty()) SaveFrames(saveFolder, std::string("hangar_") + name, peers);
  }

  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return ok ? 0 : 1;
}
