#pragma once
// The drawing device in software: an 800x600 (or window-sized) back buffer of 0xAARRGGBB
// words, power-of-two textures in memory, and a rasteriser that draws pre-transformed
// triangles by Direct3D 9's rules: pixel centres at integer coordinates, the top-left fill
// rule, point magnification, bilinear minification, wrap addressing, modulation by the diffuse
// colour and source-alpha blending. Shared by every backend; the backend only receives the
// presented frames.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <unordered_set>
#include <vector>

#include "framework/platform/device.h"

namespace platform {

class SoftwareTexture;

// Texture memory in use by one device's textures, shared with them so a texture may outlive
// its device; a texture released while still set on the device is never sampled.
struct VideoMemory {
  std::size_t used = 0;
  std::unordered_set<const SoftwareTexture*> live;
};

class SoftwareTexture : public Texture {
 public:
  SoftwareTexture(UINT width, UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool,
                  std::shared_ptr<VideoMemory> memory);
  ~SoftwareTexture() override;

  void Release() override { delete this; }
  HRESULT GetLevelDesc(UINT level, SurfaceDesc* out) const override;
  HRESULT LockRect(UINT level, LockedRect* out, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect(UINT level) override;

  int Width() const { return static_cast<int>(width_); }
  int Height() const { return static_cast<int>(height_); }
  D3DFORMAT Format() const { return format_; }
  const std::uint32_t* Texels() const { return texels_.data(); }
  std::size_t Bytes() const { return texels_.size() * 4; }
  // The texels of a row that have anything to draw, left to right: a copy skips the transparent
  // ones between runs, copies opaque runs without blending and blends the others.
  struct Run {
    int begin, end;
    bool opaque;
  };
  std::span<const Run> Runs(int row) const;

 private:
  UINT width_;
  UINT height_;
  D3DFORMAT format_;
  DWORD usage_;
  D3DPOOL pool_;
  std::vector<std::uint32_t> texels_;
  bool locked_ = false;
  std::shared_ptr<VideoMemory> memory_;
  // Empty until asked after the last unlock; row y's runs are [rowRuns_[y], rowRuns_[y + 1]).
  mutable std::vector<Run> runs_;
  mutable std::vector<std::size_t> rowRuns_;
};

class SoftwareVertexBuffer : public VertexBuffer {
 public:
  explicit SoftwareVertexBuffer(UINT length) : bytes_(length) {}
  void Release() override { delete this; }
  HRESULT Lock(UINT offset, UINT size, void** out, DWORD flags) override;
  HRESULT Unlock() override;
  const std::uint8_t* Data() const { return bytes_.data(); }
  std::size_t Size() const { return bytes_.size(); }

 private:
  std::vector<std::uint8_t> bytes_;
  bool locked_ = false;
};

class SoftwareDevice : public Device {
 public:
  SoftwareDevice(int width, int height);
  ~SoftwareDevice() override;

  void GetViewport(Viewport* out) const override { *out = viewport_; }
  void SetViewport(const Viewport& viewport) override { viewport_ = viewport; }

  HRESULT TestCooperativeLevel() override;
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        Texture** out) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, VertexBuffer** out) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  HRESULT SetTexture(DWORD stage, Texture* texture) override;
  HRESULT SetFVF(DWORD fvf) override;
  HRESULT SetStreamSource(UINT stream, VertexBuffer* buffer, UINT offset, UINT stride) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
  HRESULT Clear(DWORD count, const RECT* rects, DWORD flags, DWORD color, float z, DWORD stencil) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Present(const RECT* dirty = nullptr) override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  const std::uint32_t* BackBuffer() const { return backBuffer_.data(); }
  // Bytes held by this device's live textures.
  std::size_t VideoMemoryUsed() const { return memory_->used; }

  // One draw as the rasteriser takes it. An observer sees every draw, so a frame's quads can
  // be recorded and replayed elsewhere (the benchmark that compares compositors does).
  struct DrawCall {
    D3DPRIMITIVETYPE type;
    const QuadVertex* vertices;
    UINT vertexCount;
    const SoftwareTexture* texture;  // null: none, or released since it was set
    bool standard;                   // texture x diffuse, blended by source alpha
    DWORD minFilter, magFilter, addressU, addressV;
    RECT clip;
  };
  void SetDrawObserver(std::function<void(const DrawCall&)> observer) { drawObserver_ = std::move(observer); }

 private:
  struct State;
  struct Sampler;

  void DrawTriangle(const QuadVertex& a, const QuadVertex& b, const QuadVertex& c, const RECT& clip);
  // The axis-aligned quad with an axis-aligned texture mapping; false when the quad is not one.
  bool DrawRectangle(const QuadVertex* v, const RECT& clip);
  RECT ClipRect() const;

  int width_;
  int height_;
  std::vector<std::uint32_t> backBuffer_;
  Viewport viewport_;
  std::shared_ptr<VideoMemory> memory_;
  std::unique_ptr<State> state_;
  bool inScene_ = false;
  std::function<void(const DrawCall&)> drawObserver_;
};

}  // namespace platform
