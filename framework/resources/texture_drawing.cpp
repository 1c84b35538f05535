#include "framework/resources/texture_drawing.h"

#include <cmath>
#include <cstring>

#include "framework/resources/resource_manager.h"

namespace {

constexpr DWORD kFalse = 0;
constexpr DWORD kTrue = 1;

struct Point {
  float x, y;
};

// Distance of p from the line through a and b.
float DistanceToLine(Point p, Point a, Point b) {
  return std::fabs((a.y - b.y) * p.x + (b.x - a.x) * p.y + (b.y * a.x - b.x * a.y)) /
         std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y));
}

}  // namespace

std::array<platform::QuadVertex, 4> ComputeQuadVertices(const RECT& d, const RECT& s, std::uint32_t textureWidth,
                                                        std::uint32_t textureHeight, DWORD argb, float angle,
                                                        int originX, int originY) {
  const auto W = static_cast<float>(textureWidth);
  const auto H = static_cast<float>(textureHeight);
  const auto ox = static_cast<float>(originX);
  const auto oy = static_cast<float>(originY);
  std::array<platform::QuadVertex, 4> v{};
  for (auto& vertex : v) {
    vertex.z = 0.0f;
    vertex.rhw = 1.0f;
    vertex.diffuse = argb;
  }
  const Point corners[4] = {{static_cast<float>(d.left), static_cast<float>(d.top)},
                            {static_cast<float>(d.right), static_cast<float>(d.top)},
                            {static_cast<float>(d.right), static_cast<float>(d.bottom)},
                            {static_cast<float>(d.left), static_cast<float>(d.bottom)}};
  if (angle == 0.0f) {
    const float u[4] = {s.left / W, s.right / W, s.right / W, s.left / W};
    const float t[4] = {s.top / H, s.top / H, s.bottom / H, s.bottom / H};
    for (int k = 0; k < 4; ++k) {
      v[k].x = ox + corners[k].x - 0.5f;
      v[k].y = oy + corners[k].y - 0.5f;
      v[k].u = u[k];
      v[k].v = t[k];
    }
    return v;
  }

  const float cx = static_cast<float>(d.left + d.right) * 0.5f;
  const float cy = static_cast<float>(d.top + d.bottom) * 0.5f;
  const float c = std::cos(angle);
  const float sn = std::sin(angle);
  Point turned[4];
  for (int k = 0; k < 4; ++k) {
    const float dx = corners[k].x - cx;
    const float dy = corners[k].y - cy;
    turned[k] = Point{cx + c * dx - sn * dy, cy + sn * dx + c * dy};
  }
  // Texture coordinates by the distance from the turned left and top edges: the source's size,
  // measured from the texture's top-left texel.
  const float uScale = static_cast<float>(s.right - s.left) / (static_cast<float>(d.right - d.left) * W);
  const float vScale = static_cast<float>(s.bottom - s.top) / (static_cast<float>(d.bottom - d.top) * H);
  for (int k = 0; k < 4; ++k) {
    v[k].x = ox + turned[k].x - 0.5f;
    v[k].y = oy + turned[k].y - 0.5f;
    v[k].u = DistanceToLine(turned[k], turned[0], turned[3]) * uScale;
    v[k].v = DistanceToLine(turned[k], turned[0], turned[1]) * vScale;
  }
  return v;
}

int IMResourceManager::DrawTexture(std::uint32_t id, const RECT* destination, const RECT* source, DWORD argb,
                                   float angle) {
  IMTextureRecord* record = Record(id);
  if (!record || !destination) return 0;  // freed ids and failed loads draw nothing
  if (!record->texture || !record->encoded.empty()) {
    EnsureTexture(id);
    record = Record(id);  // a picture that fails its first decoding is gone
    if (!record) return 0;
  }
  const RECT s = source ? *source : record->imageRect;
  const RECT d = *destination;
  if (d.left >= d.right || d.top >= d.bottom) return 0;
  // Lost, absent, or the copy could not come back: nothing to draw with.
  if (!device_ || !quadBuffer_ || !record->texture) return 0;

  platform::Device& dev = *device_;
  dev.SetRenderState(D3DRS_ALPHATESTENABLE, kFalse);
  dev.SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, kFalse);
  dev.SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
  dev.SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
  dev.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  dev.SetRenderState(D3DRS_FOGENABLE, kFalse);
  dev.SetRenderState(D3DRS_ZWRITEENABLE, kFalse);
  dev.SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  dev.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  dev.SetRenderState(D3DRS_LIGHTING, kFalse);
  dev.SetRenderState(D3DRS_ALPHABLENDENABLE, kTrue);
  dev.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  dev.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  dev.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  dev.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  dev.SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  dev.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  dev.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  dev.SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  dev.SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);

  void* bits = nullptr;
  if (quadBuffer_->Lock(0, 4 * sizeof(platform::QuadVertex), &bits, 0) != D3D_OK) return 0;
  const auto vertices = ComputeQuadVertices(d, s, record->textureWidth, record->textureHeight, argb, angle,
                                            drawOriginX, drawOriginY);
  std::memcpy(bits, vertices.data(), sizeof(vertices));
  quadBuffer_->Unlock();

  dev.SetFVF(platform::kQuadVertexFvf);
  dev.SetStreamSource(0, quadBuffer_.get(), 0, sizeof(platform::QuadVertex));
  dev.SetTexture(0, record->texture);
  dev.DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
  return 0;
}
