#include "framework/platform/software_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "framework/platform/backend.h"

namespace platform {

namespace {

constexpr int kSubPixelBits = 8;  // vertices snap to 1/256 of a pixel
constexpr std::int64_t kOne = 1 << kSubPixelBits;
// A texel-to-pixel ratio up to this counts as 1: magnification, so a 1:1 quad is point sampled
// although its float texture coordinates are not exact.
constexpr double kMinifyThreshold = 1.0 + 1e-4;

std::int64_t Snap(float v) { return std::llround(static_cast<double>(v) * kOne); }

// Exact x / 255 rounded, for x up to 255 * 255 * 2.
inline std::uint32_t Div255(std::uint32_t x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }

inline std::uint32_t Channel(std::uint32_t c, int shift) { return (c >> shift) & 0xFF; }

inline std::uint32_t Modulate(std::uint32_t a, std::uint32_t b) {
  return Div255(Channel(a, 24) * Channel(b, 24)) << 24 | Div255(Channel(a, 16) * Channel(b, 16)) << 16 |
         Div255(Channel(a, 8) * Channel(b, 8)) << 8 | Div255(Channel(a, 0) * Channel(b, 0));
}

// Modulate by one colour, looked up: every channel value's product, in place.
class Tint {
 public:
  explicit Tint(std::uint32_t color) {
    for (int k = 0; k < 4; ++k) {
      for (std::uint32_t v = 0; v < 256; ++v) products_[k][v] = Div255(v * Channel(color, 8 * k)) << (8 * k);
    }
  }
  std::uint32_t operator()(std::uint32_t t) const {
    return products_[0][t & 0xFF] | products_[1][t >> 8 & 0xFF] | products_[2][t >> 16 & 0xFF] | products_[3][t >> 24];
  }

 private:
  std::uint32_t products_[4][256];
};

// src over dst by the source alpha, all four channels, two channels per multiply.
inline std::uint32_t SourceOver(std::uint32_t s, std::uint32_t d) {
  const std::uint32_t a = s >> 24;
  const std::uint32_t na = 255 - a;
  auto lanes = [](std::uint32_t x) {
    x += 0x00800080;
    return ((x + ((x >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
  };
  const std::uint32_t rb = lanes((s & 0x00FF00FF) * a + (d & 0x00FF00FF) * na);
  const std::uint32_t ag = lanes(((s >> 8) & 0x00FF00FF) * a + ((d >> 8) & 0x00FF00FF) * na);
  return rb | (ag << 8);
}

inline void BlendInto(std::uint32_t s, std::uint32_t* d) {
  const std::uint32_t a = s >> 24;
  if (a == 255) {
    *d = s;
  } else if (a != 0) {
    *d = SourceOver(s, *d);
  }
}

int Wrap(int i, int size, DWORD mode) {
  if (mode == D3DTADDRESS_CLAMP) return std::clamp(i, 0, size - 1);
  if ((size & (size - 1)) == 0) return i & (size - 1);
  i %= size;
  return i < 0 ? i + size : i;
}

}  // namespace

// Where a texel comes from, and how a pixel is made of it.
struct SoftwareDevice::Sampler {
  const std::uint32_t* texels = nullptr;
  int width = 1;
  int height = 1;
  std::uint32_t alphaFill = 0;  // X8R8G8B8 texels read as opaque
  DWORD addressU = D3DTADDRESS_WRAP;
  DWORD addressV = D3DTADDRESS_WRAP;

  std::uint32_t Fetch(int x, int y) const {
    return texels[Wrap(y, height, addressV) * width + Wrap(x, width, addressU)] | alphaFill;
  }
  std::uint32_t Point(double u, double v) const {
    return Fetch(static_cast<int>(std::floor(u * width)), static_cast<int>(std::floor(v * height)));
  }
  std::uint32_t Linear(double u, double v) const {
    const double fx = u * width - 0.5;
    const double fy = v * height - 0.5;
    const double x0 = std::floor(fx);
    const double y0 = std::floor(fy);
    const auto wx = static_cast<std::uint32_t>((fx - x0) * 256.0);
    const auto wy = static_cast<std::uint32_t>((fy - y0) * 256.0);
    const int ix = static_cast<int>(x0);
    const int iy = static_cast<int>(y0);
    return Mix(Fetch(ix, iy), Fetch(ix + 1, iy), Fetch(ix, iy + 1), Fetch(ix + 1, iy + 1), wx, wy);
  }
  static std::uint32_t Mix(std::uint32_t c00, std::uint32_t c10, std::uint32_t c01, std::uint32_t c11,
                           std::uint32_t wx, std::uint32_t wy) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const std::uint32_t v = Channel(c00, shift) * (256 - wx) * (256 - wy) + Channel(c10, shift) * wx * (256 - wy) +
                              Channel(c01, shift) * (256 - wx) * wy + Channel(c11, shift) * wx * wy;
      out |= ((v + 32768) >> 16) << shift;
    }
    return out;
  }
};

struct SoftwareDevice::State {
  bool alphaBlend = false;
  DWORD srcBlend = D3DBLEND_ONE;
  DWORD destBlend = D3DBLEND_ZERO;
  DWORD cullMode = D3DCULL_CCW;
  DWORD colorWrite = 0xF;
  DWORD colorOp = D3DTOP_MODULATE;
  DWORD colorArg1 = D3DTA_TEXTURE;
  DWORD colorArg2 = D3DTA_DIFFUSE;
  DWORD alphaOp = D3DTOP_SELECTARG1;
  DWORD alphaArg1 = D3DTA_TEXTURE;
  DWORD alphaArg2 = D3DTA_DIFFUSE;
  DWORD magFilter = D3DTEXF_POINT;
  DWORD minFilter = D3DTEXF_POINT;
  DWORD addressU = D3DTADDRESS_WRAP;
  DWORD addressV = D3DTADDRESS_WRAP;
  SoftwareTexture* texture = nullptr;
  SoftwareVertexBuffer* stream = nullptr;
  UINT streamOffset = 0;
  UINT stride = 0;
  DWORD fvf = 0;

  // Texture times diffuse, blended by source alpha: what every picture is drawn with.
  bool Standard() const {
    return colorOp == D3DTOP_MODULATE && colorArg1 == D3DTA_TEXTURE && colorArg2 == D3DTA_DIFFUSE &&
           alphaOp == D3DTOP_MODULATE && alphaArg1 == D3DTA_TEXTURE && alphaArg2 == D3DTA_DIFFUSE && alphaBlend &&
           srcBlend == D3DBLEND_SRCALPHA && destBlend == D3DBLEND_INVSRCALPHA && colorWrite == 0xF;
  }

  static std::uint32_t Combine(DWORD op, std::uint32_t arg1, std::uint32_t arg2) {
    switch (op) {
      case D3DTOP_SELECTARG1:
        return arg1;
      case D3DTOP_SELECTARG2:
      case D3DTOP_DISABLE:
        return arg2;
      default:
        return Modulate(arg1, arg2);
    }
  }
  static std::uint32_t Factor(DWORD blend, std::uint32_t srcAlpha) {
    switch (blend) {
      case D3DBLEND_ZERO:
        return 0;
      case D3DBLEND_SRCALPHA:
        return srcAlpha;
      case D3DBLEND_INVSRCALPHA:
        return 255 - srcAlpha;
      default:
        return 255;
    }
  }
  // Any state combination this device understands, one pixel at a time.
  void Shade(std::uint32_t texel, std::uint32_t diffuse, std::uint32_t* dst) const {
    auto arg = [&](DWORD which) { return (which & 0xF) == D3DTA_TEXTURE ? texel : diffuse; };
    const std::uint32_t color = Combine(colorOp, arg(colorArg1), arg(colorArg2));
    const std::uint32_t alpha = Combine(alphaOp, arg(alphaArg1), arg(alphaArg2));
    std::uint32_t src = (color & 0x00FFFFFF) | (alpha & 0xFF000000);
    std::uint32_t out = src;
    if (alphaBlend) {
      const std::uint32_t fs = Factor(srcBlend, src >> 24);
      const std::uint32_t fd = Factor(destBlend, src >> 24);
      out = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        out |= std::min<std::uint32_t>(255, Div255(Channel(src, shift) * fs + Channel(*dst, shift) * fd)) << shift;
      }
    }
    std::uint32_t mask = 0;
    if (colorWrite & 1) mask |= 0x00FF0000;
    if (colorWrite & 2) mask |= 0x0000FF00;
    if (colorWrite & 4) mask |= 0x000000FF;
    if (colorWrite & 8) mask |= 0xFF000000;
    *dst = (out & mask) | (*dst & ~mask);
  }
};

// --- Textures and vertex buffers -------------------------------------------------------------

SoftwareTexture::SoftwareTexture(UINT width, UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool,
                                 std::shared_ptr<VideoMemory> memory)
    : width_(width),
      height_(height),
      format_(format),
      usage_(usage),
      pool_(pool),
      texels_(static_cast<std::size_t>(width) * height, 0),
      memory_(std::move(memory)) {
  if (memory_) {
    memory_->used += Bytes();
    memory_->live.insert(this);
  }
}

SoftwareTexture::~SoftwareTexture() {
  if (memory_) {
    memory_->used -= Bytes();
    memory_->live.erase(this);
  }
}

HRESULT SoftwareTexture::GetLevelDesc(UINT level, SurfaceDesc* out) const {
  if (level != 0 || !out) return D3DERR_INVALIDCALL;
  *out = SurfaceDesc{format_, pool_, usage_, width_, height_};
  return D3D_OK;
}

HRESULT SoftwareTexture::LockRect(UINT level, LockedRect* out, const RECT* rect, DWORD /*flags*/) {
  if (level != 0 || !out || locked_) return D3DERR_INVALIDCALL;
  std::size_t offset = 0;
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<int>(width_) ||
        rect->bottom > static_cast<int>(height_) || IsRectEmpty(*rect)) {
      return D3DERR_INVALIDCALL;
    }
    offset = static_cast<std::size_t>(rect->top) * width_ + rect->left;
  }
  locked_ = true;
  out->Pitch = static_cast<int>(width_ * 4);
  out->pBits = texels_.data() + offset;
  return D3D_OK;
}

HRESULT SoftwareTexture::UnlockRect(UINT level) {
  if (level != 0 || !locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  runs_.clear();
  rowRuns_.clear();
  return D3D_OK;
}

std::span<const SoftwareTexture::Run> SoftwareTexture::Runs(int row) const {
  // Opaque runs shorter than this are blended with their neighbours: a copy of a few texels
  // costs more than blending them.
  constexpr int kShortestCopy = 8;
  if (rowRuns_.empty()) {
    rowRuns_.reserve(height_ + 1);
    const int w = static_cast<int>(width_);
    for (UINT y = 0; y < height_; ++y) {
      rowRuns_.push_back(runs_.size());
      if (format_ == D3DFMT_X8R8G8B8) {
        runs_.push_back(Run{0, w, true});
        continue;
      }
      const std::uint32_t* p = texels_.data() + static_cast<std::size_t>(y) * width_;
      auto alpha = [p](int x) { return p[x] >> 24; };
      for (int x = 0; x < w;) {
        if (alpha(x) == 0) {
          ++x;
          continue;
        }
        int end = x + 1;
        bool opaque = alpha(x) == 255;
        if (opaque) {
          while (end < w && alpha(end) == 255) ++end;
          opaque = end - x >= kShortestCopy;
        } else {
          while (end < w && alpha(end) != 0 && alpha(end) != 255) ++end;
        }
        if (!opaque && runs_.size() > rowRuns_.back() && !runs_.back().opaque && runs_.back().end == x) {
          runs_.back().end = end;
        } else {
          runs_.push_back(Run{x, end, opaque});
        }
        x = end;
      }
    }
    rowRuns_.push_back(runs_.size());
  }
  return std::span<const Run>(runs_.data() + rowRuns_[row], runs_.data() + rowRuns_[row + 1]);
}

HRESULT SoftwareVertexBuffer::Lock(UINT offset, UINT size, void** out, DWORD /*flags*/) {
  if (!out || locked_ || offset > bytes_.size() || size > bytes_.size() - offset) return D3DERR_INVALIDCALL;
  locked_ = true;
  *out = bytes_.data() + offset;
  return D3D_OK;
}

HRESULT SoftwareVertexBuffer::Unlock() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  return D3D_OK;
}

Texture* CreateSystemMemoryTexture(UINT width, UINT height, D3DFORMAT format) {
  if (width == 0 || height == 0) return nullptr;
  return new SoftwareTexture(width, height, format, 0, D3DPOOL_SYSTEMMEM, nullptr);
}

// --- The device ---------------------------------------------------------------------------------

SoftwareDevice::SoftwareDevice(int width, int height)
    : width_(width),
      height_(height),
      backBuffer_(static_cast<std::size_t>(width) * height, 0),
      viewport_{0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0.0f, 1.0f},
      memory_(std::make_shared<VideoMemory>()),
      state_(std::make_unique<State>()) {}

SoftwareDevice::~SoftwareDevice() = default;

HRESULT SoftwareDevice::TestCooperativeLevel() { return backend::DeviceLost() ? D3DERR_DEVICELOST : D3D_OK; }

HRESULT SoftwareDevice::CreateTexture(UINT width, UINT height, UINT /*levels*/, DWORD usage, D3DFORMAT format,
                                      D3DPOOL pool, Texture** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (width == 0 || height == 0 || (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)) {
    return D3DERR_INVALIDCALL;
  }
  const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
  const std::size_t budget = backend::VideoMemoryBudget();
  if (bytes > budget || memory_->used > budget - bytes) return D3DERR_OUTOFVIDEOMEMORY;
  auto* texture = new SoftwareTexture(width, height, format, usage, pool, memory_);
  *out = texture;
  return D3D_OK;
}

HRESULT SoftwareDevice::CreateVertexBuffer(UINT length, DWORD /*usage*/, DWORD /*fvf*/, D3DPOOL /*pool*/,
                                           VertexBuffer** out) {
  if (!out || length == 0) return D3DERR_INVALIDCALL;
  *out = new SoftwareVertexBuffer(length);
  return D3D_OK;
}

HRESULT SoftwareDevice::SetRenderState(D3DRENDERSTATETYPE type, DWORD value) {
  switch (type) {
    case D3DRS_ALPHABLENDENABLE:
      state_->alphaBlend = value != 0;
      break;
    case D3DRS_SRCBLEND:
      state_->srcBlend = value;
      break;
    case D3DRS_DESTBLEND:
      state_->destBlend = value;
      break;
    case D3DRS_CULLMODE:
      state_->cullMode = value;
      break;
    case D3DRS_COLORWRITEENABLE:
      state_->colorWrite = value;
      break;
    default:
      // No depth, fog, lighting or alpha test exist here: those states change nothing.
      break;
  }
  return D3D_OK;
}

HRESULT SoftwareDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage != 0) return D3D_OK;  // one stage is all a picture needs
  switch (type) {
    case D3DTSS_COLOROP:
      state_->colorOp = value;
      break;
    case D3DTSS_COLORARG1:
      state_->colorArg1 = value;
      break;
    case D3DTSS_COLORARG2:
      state_->colorArg2 = value;
      break;
    case D3DTSS_ALPHAOP:
      state_->alphaOp = value;
      break;
    case D3DTSS_ALPHAARG1:
      state_->alphaArg1 = value;
      break;
    case D3DTSS_ALPHAARG2:
      state_->alphaArg2 = value;
      break;
  }
  return D3D_OK;
}

HRESULT SoftwareDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  if (sampler != 0) return D3D_OK;
  switch (type) {
    case D3DSAMP_ADDRESSU:
      state_->addressU = value;
      break;
    case D3DSAMP_ADDRESSV:
      state_->addressV = value;
      break;
    case D3DSAMP_MAGFILTER:
      state_->magFilter = value;
      break;
    case D3DSAMP_MINFILTER:
      state_->minFilter = value;
      break;
    case D3DSAMP_MIPFILTER:
      break;  // level 0 only
  }
  return D3D_OK;
}

HRESULT SoftwareDevice::SetTexture(DWORD stage, Texture* texture) {
  if (stage != 0) return D3D_OK;
  state_->texture = dynamic_cast<SoftwareTexture*>(texture);
  return D3D_OK;
}

HRESULT SoftwareDevice::SetFVF(DWORD fvf) {
  state_->fvf = fvf;
  return D3D_OK;
}

HRESULT SoftwareDevice::SetStreamSource(UINT stream, VertexBuffer* buffer, UINT offset, UINT stride) {
  if (stream != 0) return D3DERR_INVALIDCALL;
  state_->stream = dynamic_cast<SoftwareVertexBuffer*>(buffer);
  state_->streamOffset = offset;
  state_->stride = stride;
  return D3D_OK;
}

RECT SoftwareDevice::ClipRect() const {
  RECT viewport{static_cast<int>(viewport_.X), static_cast<int>(viewport_.Y),
                static_cast<int>(viewport_.X + viewport_.Width), static_cast<int>(viewport_.Y + viewport_.Height)};
  RECT clip;
  IntersectRect(&clip, viewport, RECT{0, 0, width_, height_});
  return clip;
}

HRESULT SoftwareDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
  const State& s = *state_;
  if (!inScene_ || !s.stream || s.fvf != kQuadVertexFvf || s.stride < sizeof(QuadVertex)) return D3DERR_INVALIDCALL;
  const UINT vertexCount = type == D3DPT_TRIANGLEFAN ? primitiveCount + 2 : primitiveCount * 3;
  if (type != D3DPT_TRIANGLEFAN && type != D3DPT_TRIANGLELIST) return D3DERR_INVALIDCALL;
  const std::size_t first = s.streamOffset + static_cast<std::size_t>(startVertex) * s.stride;
  if (primitiveCount == 0 || first + static_cast<std::size_t>(vertexCount - 1) * s.stride + sizeof(QuadVertex) >
                                 s.stream->Size()) {
    return D3DERR_INVALIDCALL;
  }
  std::vector<QuadVertex> v(vertexCount);
  for (UINT i = 0; i < vertexCount; ++i) std::memcpy(&v[i], s.stream->Data() + first + i * s.stride, sizeof(QuadVertex));
  if (state_->texture && !memory_->live.count(state_->texture)) state_->texture = nullptr;

  const RECT clip = ClipRect();
  if (drawObserver_) {
    drawObserver_(DrawCall{type, v.data(), vertexCount, s.texture, s.Standard(), s.minFilter, s.magFilter, s.addressU,
                           s.addressV, clip});
  }
  if (IsRectEmpty(clip)) return D3D_OK;
  if (type == D3DPT_TRIANGLEFAN && primitiveCount == 2 && DrawRectangle(v.data(), clip)) return D3D_OK;
  for (UINT p = 0; p < primitiveCount; ++p) {
    if (type == D3DPT_TRIANGLEFAN) {
      DrawTriangle(v[0], v[p + 1], v[p + 2], clip);
    } else {
      DrawTriangle(v[3 * p], v[3 * p + 1], v[3 * p + 2], clip);
    }
  }
  return D3D_OK;
}

namespace {

int CeilDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a > 0) == (b > 0))) ++q;
  return static_cast<int>(q);
}
int FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a > 0) != (b > 0))) --q;
  return static_cast<int>(q);
}

}  // namespace

bool SoftwareDevice::DrawRectangle(const QuadVertex* v, const RECT& clip) {
  const State& s = *state_;
  if (v[0].y != v[1].y || v[3].y != v[2].y || v[0].x != v[3].x || v[1].x != v[2].x) return false;
  if (!(v[0].x < v[1].x) || !(v[0].y < v[3].y)) return false;
  if (v[0].u != v[3].u || v[1].u != v[2].u || v[0].v != v[1].v || v[3].v != v[2].v) return false;
  const DWORD diffuse = v[0].diffuse;
  if (v[1].diffuse != diffuse || v[2].diffuse != diffuse || v[3].diffuse != diffuse) return false;

  const std::int64_t xl = Snap(v[0].x), xr = Snap(v[1].x), yt = Snap(v[0].y), yb = Snap(v[3].y);
  if (xl >= xr || yt >= yb) return true;  // collapsed by snapping: covers no pixel centre
  const int x0 = std::max<int>(CeilDiv(xl, kOne), clip.left);
  const int x1 = std::min<int>(CeilDiv(xr, kOne), clip.right);
  const int y0 = std::max<int>(CeilDiv(yt, kOne), clip.top);
  const int y1 = std::min<int>(CeilDiv(yb, kOne), clip.bottom);
  if (x0 >= x1 || y0 >= y1) return true;

  Sampler sampler;
  static const std::uint32_t kWhite = 0xFFFFFFFF;
  if (s.texture) {
    sampler.texels = s.texture->Texels();
    sampler.width = s.texture->Width();
    sampler.height = s.texture->Height();
    sampler.alphaFill = s.texture->Format() == D3DFMT_X8R8G8B8 ? 0xFF000000 : 0;
  } else {
    sampler.texels = &kWhite;
  }
  sampler.addressU = s.addressU;
  sampler.addressV = s.addressV;

  const double left = static_cast<double>(xl) / kOne, top = static_cast<double>(yt) / kOne;
  const double dudx = (static_cast<double>(v[1].u) - v[0].u) / (static_cast<double>(xr - xl) / kOne);
  const double dvdy = (static_cast<double>(v[3].v) - v[0].v) / (static_cast<double>(yb - yt) / kOne);
  const double rho = std::max(std::abs(dudx) * sampler.width, std::abs(dvdy) * sampler.height);
  const bool linear = (rho > kMinifyThreshold ? s.minFilter : s.magFilter) == D3DTEXF_LINEAR;

  const int n = x1 - x0;
  const bool standard = s.Standard() && s.texture;
  const bool white = diffuse == 0xFFFFFFFF;
  std::uint32_t* frame = backBuffer_.data();

  if (!linear) {
    std::vector<int> cols(n);
    for (int i = 0; i < n; ++i) {
      const double u = v[0].u + (x0 + i - left) * dudx;
      cols[i] = Wrap(static_cast<int>(std::floor(u * sampler.width)), sampler.width, s.addressU);
    }
    bool contiguous = true;
    for (int i = 1; i < n && contiguous; ++i) contiguous = cols[i] == cols[0] + i;
    std::optional<Tint> tint;  // made when first needed
    for (int y = y0; y < y1; ++y) {
      const double tv = v[0].v + (y - top) * dvdy;
      const int row = Wrap(static_cast<int>(std::floor(tv * sampler.height)), sampler.height, s.addressV);
      const std::uint32_t* src = s.texture ? sampler.texels + static_cast<std::size_t>(row) * sampler.width : &kWhite;
      std::uint32_t* dst = frame + static_cast<std::size_t>(y) * width_ + x0;
      if (standard && white && contiguous && sampler.alphaFill) {
        for (int i = 0; i < n; ++i) dst[i] = src[cols[0] + i] | 0xFF000000;
      } else if (standard && contiguous) {
        // Texel columns [first, last): transparent ones are skipped; opaque runs are copied
        // when the tint is white.
        const int first = cols[0], last = cols[0] + n;
        if (!white && !tint) tint.emplace(diffuse);
        for (const SoftwareTexture::Run& run : s.texture->Runs(row)) {
          if (run.begin >= last) break;
          const int c0 = std::max(run.begin, first), c1 = std::min(run.end, last);
          if (c0 >= c1) continue;
          std::uint32_t* out = dst + (c0 - first);  // the pixel of texel column c0
          if (!white) {
            for (int c = c0; c < c1; ++c) BlendInto((*tint)(src[c] | sampler.alphaFill), out + (c - c0));
          } else if (run.opaque) {
            std::memcpy(out, src + c0, static_cast<std::size_t>(c1 - c0) * 4);
          } else {
            for (int c = c0; c < c1; ++c) BlendInto(src[c], out + (c - c0));
          }
        }
      } else if (standard && white) {
        for (int i = 0; i < n; ++i) BlendInto(src[cols[i]] | sampler.alphaFill, dst + i);
      } else if (standard) {
        for (int i = 0; i < n; ++i) BlendInto(Modulate(src[cols[i]] | sampler.alphaFill, diffuse), dst + i);
      } else {
        for (int i = 0; i < n; ++i) s.Shade(s.texture ? src[cols[i]] | sampler.alphaFill : kWhite, diffuse, dst + i);
      }
    }
    return true;
  }

  // Bilinear: the two columns and rows around each sample point and the weights between them.
  struct Tap {
    int a, b;
    std::uint32_t w;
  };
  auto tap = [](double coord, int size, DWORD mode) {
    const double f = coord * size - 0.5;
    const double base = std::floor(f);
    const int i = static_cast<int>(base);
    return Tap{Wrap(i, size, mode), Wrap(i + 1, size, mode), static_cast<std::uint32_t>((f - base) * 256.0)};
  };
  std::vector<Tap> cols(n);
  for (int i = 0; i < n; ++i) cols[i] = tap(v[0].u + (x0 + i - left) * dudx, sampler.width, s.addressU);
  for (int y = y0; y < y1; ++y) {
    const Tap row = tap(v[0].v + (y - top) * dvdy, sampler.height, s.addressV);
    const std::uint32_t* r0 = sampler.texels + static_cast<std::size_t>(row.a) * sampler.width;
    const std::uint32_t* r1 = sampler.texels + static_cast<std::size_t>(row.b) * sampler.width;
    std::uint32_t* dst = frame + static_cast<std::size_t>(y) * width_ + x0;
    for (int i = 0; i < n; ++i) {
      const Tap& c = cols[i];
      const std::uint32_t texel =
          s.texture ? Sampler::Mix(r0[c.a], r0[c.b], r1[c.a], r1[c.b], c.w, row.w) | sampler.alphaFill : kWhite;
      if (standard) {
        BlendInto(white ? texel : Modulate(texel, diffuse), dst + i);
      } else {
        s.Shade(texel, diffuse, dst + i);
      }
    }
  }
  return true;
}

void SoftwareDevice::DrawTriangle(const QuadVertex& va, const QuadVertex& vb, const QuadVertex& vc, const RECT& clip) {
  const State& s = *state_;
  const QuadVertex* a = &va;
  const QuadVertex* b = &vb;
  const QuadVertex* c = &vc;
  std::int64_t ax = Snap(a->x), ay = Snap(a->y), bx = Snap(b->x), by = Snap(b->y), cx = Snap(c->x), cy = Snap(c->y);
  // Positive: clockwise on the screen (y grows downward).
  std::int64_t area = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
  if (area == 0) return;
  if ((area < 0 && s.cullMode == D3DCULL_CCW) || (area > 0 && s.cullMode == D3DCULL_CW)) return;
  if (area < 0) {
    std::swap(b, c);
    std::swap(bx, cx);
    std::swap(by, cy);
    area = -area;
  }

  const int minX = std::max<int>(CeilDiv(std::min({ax, bx, cx}), kOne), clip.left);
  const int maxX = std::min<int>(FloorDiv(std::max({ax, bx, cx}), kOne), clip.right - 1);
  const int minY = std::max<int>(CeilDiv(std::min({ay, by, cy}), kOne), clip.top);
  const int maxY = std::min<int>(FloorDiv(std::max({ay, by, cy}), kOne), clip.bottom - 1);
  if (minX > maxX || minY > maxY) return;

  struct Edge {
    std::int64_t stepX, stepY, value;  // value at (minX, minY)
  };
  auto edge = [&](std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
    const std::int64_t dx = x1 - x0, dy = y1 - y0;
    // Top edges (horizontal, left to right) and left edges (going up) own the pixel centres on them.
    const bool topLeft = (dy == 0 && dx > 0) || dy < 0;
    const std::int64_t px = static_cast<std::int64_t>(minX) * kOne, py = static_cast<std::int64_t>(minY) * kOne;
    const std::int64_t value = dx * (py - y0) - dy * (px - x0) - (topLeft ? 0 : 1);
    return Edge{-dy * kOne, dx * kOne, value};
  };
  Edge e0 = edge(ax, ay, bx, by), e1 = edge(bx, by, cx, cy), e2 = edge(cx, cy, ax, ay);

  // Attribute planes over the snapped positions: value = base + ddx * (x - ax) + ddy * (y - ay).
  const double fax = static_cast<double>(ax) / kOne, fay = static_cast<double>(ay) / kOne;
  const double e1x = static_cast<double>(bx - ax) / kOne, e1y = static_cast<double>(by - ay) / kOne;
  const double e2x = static_cast<double>(cx - ax) / kOne, e2y = static_cast<double>(cy - ay) / kOne;
  const double det = e1x * e2y - e2x * e1y;
  struct Plane {
    double base, ddx, ddy;
    double At(double x, double y, double ox, double oy) const { return base + ddx * (x - ox) + ddy * (y - oy); }
  };
  auto plane = [&](double pa, double pb, double pc) {
    const double d1 = pb - pa, d2 = pc - pa;
    return Plane{pa, (d1 * e2y - d2 * e1y) / det, (d2 * e1x - d1 * e2x) / det};
  };
  const Plane pu = plane(a->u, b->u, c->u);
  const Plane pv = plane(a->v, b->v, c->v);
  const bool flat = a->diffuse == b->diffuse && a->diffuse == c->diffuse;
  Plane channel[4];
  for (int k = 0; k < 4; ++k) {
    channel[k] = plane(Channel(a->diffuse, 8 * k), Channel(b->diffuse, 8 * k), Channel(c->diffuse, 8 * k));
  }

  Sampler sampler;
  static const std::uint32_t kWhite = 0xFFFFFFFF;
  if (s.texture) {
    sampler.texels = s.texture->Texels();
    sampler.width = s.texture->Width();
    sampler.height = s.texture->Height();
    sampler.alphaFill = s.texture->Format() == D3DFMT_X8R8G8B8 ? 0xFF000000 : 0;
  }
  sampler.addressU = s.addressU;
  sampler.addressV = s.addressV;
  const double rho = std::max(std::hypot(pu.ddx * sampler.width, pv.ddx * sampler.height),
                              std::hypot(pu.ddy * sampler.width, pv.ddy * sampler.height));
  const bool linear = (rho > kMinifyThreshold ? s.minFilter : s.magFilter) == D3DTEXF_LINEAR;
  const bool standard = s.Standard() && s.texture;

  for (int y = minY; y <= maxY; ++y) {
    std::int64_t w0 = e0.value, w1 = e1.value, w2 = e2.value;
    std::uint32_t* dst = backBuffer_.data() + static_cast<std::size_t>(y) * width_;
    for (int x = minX; x <= maxX; ++x) {
      if ((w0 | w1 | w2) >= 0) {
        const double u = pu.At(x, y, fax, fay), tv = pv.At(x, y, fax, fay);
        std::uint32_t texel = kWhite;
        if (s.texture) texel = linear ? sampler.Linear(u, tv) : sampler.Point(u, tv);
        std::uint32_t diffuse = a->diffuse;
        if (!flat) {
          diffuse = 0;
          for (int k = 0; k < 4; ++k) {
            const double value = std::clamp(channel[k].At(x, y, fax, fay), 0.0, 255.0);
            diffuse |= static_cast<std::uint32_t>(std::lround(value)) << (8 * k);
          }
        }
        if (standard) {
          BlendInto(diffuse == 0xFFFFFFFF ? texel : Modulate(texel, diffuse), dst + x);
        } else {
          s.Shade(texel, diffuse, dst + x);
        }
      }
      w0 += e0.stepX;
      w1 += e1.stepX;
      w2 += e2.stepX;
    }
    e0.value += e0.stepY;
    e1.value += e1.stepY;
    e2.value += e2.stepY;
  }
}

HRESULT SoftwareDevice::Clear(DWORD count, const RECT* rects, DWORD flags, DWORD color, float /*z*/,
                              DWORD /*stencil*/) {
  if (!(flags & D3DCLEAR_TARGET)) return D3D_OK;
  const RECT clip = ClipRect();
  auto fill = [&](const RECT& r) {
    RECT area;
    if (!IntersectRect(&area, r, clip)) return;
    // One row is filled word by word; the others are copies of it, which run much faster.
    const std::size_t bytes = static_cast<std::size_t>(area.right - area.left) * 4;
    std::uint32_t* first = backBuffer_.data() + static_cast<std::size_t>(area.top) * width_ + area.left;
    std::fill_n(first, area.right - area.left, color);
    for (int y = 1; y < area.bottom - area.top; ++y) {
      std::memcpy(first + static_cast<std::size_t>(y) * width_, first, bytes);
    }
  };
  if (count == 0 || !rects) {
    fill(clip);
  } else {
    for (DWORD i = 0; i < count; ++i) fill(rects[i]);
  }
  return D3D_OK;
}

HRESULT SoftwareDevice::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT SoftwareDevice::EndScene() {
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  return D3D_OK;
}

HRESULT SoftwareDevice::Present(const RECT* dirty) {
  if (backend::DeviceLost()) return D3DERR_DEVICELOST;
  RECT changed{0, 0, width_, height_};
  if (dirty) IntersectRect(&changed, *dirty, changed);
  backend::PresentFrame(backBuffer_.data(), width_, height_, changed);
  return D3D_OK;
}

// --- The factory ----------------------------------------------------------------------------------

namespace {

class SoftwareDirect3D : public Direct3D {
 public:
  HRESULT GetAdapterDisplayMode(DisplayMode* out) override {
    if (!out) return D3DERR_INVALIDCALL;
    *out = DisplayMode{800, 600, 75, D3DFMT_X8R8G8B8};
    return D3D_OK;
  }
  HRESULT CreateDevice(HWND focusWindow, PresentParameters* pp, std::unique_ptr<Device>* out) override {
    if (!pp || !out) return D3DERR_INVALIDCALL;
    out->reset();
    if (backend::DeviceLost()) return D3DERR_DEVICELOST;
    if (pp->Windowed && (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0)) {
      RECT client;
      if (!GetClientRect(pp->hDeviceWindow ? pp->hDeviceWindow : focusWindow, &client)) return D3DERR_INVALIDCALL;
      pp->BackBufferWidth = static_cast<UINT>(client.right - client.left);
      pp->BackBufferHeight = static_cast<UINT>(client.bottom - client.top);
    }
    if (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0) return D3DERR_INVALIDCALL;
    *out = std::make_unique<SoftwareDevice>(static_cast<int>(pp->BackBufferWidth),
                                            static_cast<int>(pp->BackBufferHeight));
    return D3D_OK;
  }
};

}  // namespace

std::unique_ptr<Direct3D> Direct3DCreate9() { return std::make_unique<SoftwareDirect3D>(); }

}  // namespace platform
