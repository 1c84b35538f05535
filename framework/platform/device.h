#pragma once
// The drawing device: the subset of a Direct3D 9 device the framework calls, with the
// documented constant values. Every operation is virtual with a failing default, so a test
// can stand in a device that answers only what it needs (the viewport, say).

#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/platform/win_types.h"

using HRESULT = std::int32_t;

constexpr HRESULT D3D_OK = 0;
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017C);
constexpr HRESULT D3DERR_DEVICELOST = static_cast<HRESULT>(0x88760868);
constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086A);
constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086C);

enum D3DFORMAT : DWORD { D3DFMT_UNKNOWN = 0, D3DFMT_A8R8G8B8 = 21, D3DFMT_X8R8G8B8 = 22 };
enum D3DPOOL : DWORD { D3DPOOL_DEFAULT = 0, D3DPOOL_MANAGED = 1, D3DPOOL_SYSTEMMEM = 2 };
enum D3DSWAPEFFECT : DWORD { D3DSWAPEFFECT_DISCARD = 1 };
enum D3DPRIMITIVETYPE : DWORD { D3DPT_TRIANGLELIST = 4, D3DPT_TRIANGLEFAN = 6 };

constexpr DWORD D3DUSAGE_DYNAMIC = 0x200;
constexpr DWORD D3DCLEAR_TARGET = 0x1;
constexpr DWORD D3DFVF_XYZRHW = 0x004;
constexpr DWORD D3DFVF_DIFFUSE = 0x040;
constexpr DWORD D3DFVF_TEX1 = 0x100;

enum D3DRENDERSTATETYPE : DWORD {
  D3DRS_FILLMODE = 8,
  D3DRS_SHADEMODE = 9,
  D3DRS_ZWRITEENABLE = 14,
  D3DRS_ALPHATESTENABLE = 15,
  D3DRS_SRCBLEND = 19,
  D3DRS_DESTBLEND = 20,
  D3DRS_CULLMODE = 22,
  D3DRS_ALPHABLENDENABLE = 27,
  D3DRS_FOGENABLE = 28,
  D3DRS_LIGHTING = 137,
  D3DRS_COLORWRITEENABLE = 168,
  D3DRS_BLENDOP = 171,
  D3DRS_SEPARATEALPHABLENDENABLE = 206,
};
constexpr DWORD D3DFILL_SOLID = 3;
constexpr DWORD D3DSHADE_GOURAUD = 2;
constexpr DWORD D3DCULL_NONE = 1;
constexpr DWORD D3DCULL_CW = 2;
constexpr DWORD D3DCULL_CCW = 3;
constexpr DWORD D3DBLEND_ZERO = 1;
constexpr DWORD D3DBLEND_ONE = 2;
constexpr DWORD D3DBLEND_SRCALPHA = 5;
constexpr DWORD D3DBLEND_INVSRCALPHA = 6;
constexpr DWORD D3DBLENDOP_ADD = 1;

enum D3DTEXTURESTAGESTATETYPE : DWORD {
  D3DTSS_COLOROP = 1,
  D3DTSS_COLORARG1 = 2,
  D3DTSS_COLORARG2 = 3,
  D3DTSS_ALPHAOP = 4,
  D3DTSS_ALPHAARG1 = 5,
  D3DTSS_ALPHAARG2 = 6,
};
constexpr DWORD D3DTOP_DISABLE = 1;
constexpr DWORD D3DTOP_SELECTARG1 = 2;
constexpr DWORD D3DTOP_SELECTARG2 = 3;
constexpr DWORD D3DTOP_MODULATE = 4;
constexpr DWORD D3DTA_DIFFUSE = 0;
constexpr DWORD D3DTA_TEXTURE = 2;

enum D3DSAMPLERSTATETYPE : DWORD {
  D3DSAMP_ADDRESSU = 1,
  D3DSAMP_ADDRESSV = 2,
  D3DSAMP_MAGFILTER = 5,
  D3DSAMP_MINFILTER = 6,
  D3DSAMP_MIPFILTER = 7,
};
constexpr DWORD D3DTEXF_NONE = 0;
constexpr DWORD D3DTEXF_POINT = 1;
constexpr DWORD D3DTEXF_LINEAR = 2;
constexpr DWORD D3DTADDRESS_WRAP = 1;
constexpr DWORD D3DTADDRESS_CLAMP = 3;

namespace platform {

struct Viewport {
  DWORD X = 0;
  DWORD Y = 0;
  DWORD Width = 0;
  DWORD Height = 0;
  float MinZ = 0.0f;
  float MaxZ = 1.0f;
};

struct DisplayMode {
  UINT Width = 0;
  UINT Height = 0;
  UINT RefreshRate = 0;
  D3DFORMAT Format = D3DFMT_UNKNOWN;
};

struct PresentParameters {
  UINT BackBufferWidth = 0;
  UINT BackBufferHeight = 0;
  D3DFORMAT BackBufferFormat = D3DFMT_UNKNOWN;
  UINT BackBufferCount = 0;
  D3DSWAPEFFECT SwapEffect = D3DSWAPEFFECT_DISCARD;
  HWND hDeviceWindow = nullptr;
  BOOL Windowed = 0;
  UINT FullScreen_RefreshRateInHz = 0;
};

struct SurfaceDesc {
  D3DFORMAT Format = D3DFMT_UNKNOWN;
  D3DPOOL Pool = D3DPOOL_DEFAULT;
  DWORD Usage = 0;
  UINT Width = 0;
  UINT Height = 0;
};

struct LockedRect {
  int Pitch = 0;
  void* pBits = nullptr;
};

// The pre-transformed vertex of FVF XYZRHW | DIFFUSE | TEX1: 28 bytes.
struct QuadVertex {
  float x, y, z, rhw;
  DWORD diffuse;
  float u, v;
};
static_assert(sizeof(QuadVertex) == 28);
constexpr DWORD kQuadVertexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// A texture of 32-bit texels (0xAARRGGBB, bytes B, G, R, A); only level 0 is ever used.
// Release destroys it; it may outlive the device that made it.
class Texture {
 public:
  virtual ~Texture() = default;
  virtual void Release() = 0;
  virtual HRESULT GetLevelDesc(UINT level, SurfaceDesc* out) const = 0;
  virtual HRESULT LockRect(UINT level, LockedRect* out, const RECT* rect, DWORD flags) = 0;
  virtual HRESULT UnlockRect(UINT level) = 0;
};

class VertexBuffer {
 public:
  virtual ~VertexBuffer() = default;
  virtual void Release() = 0;
  virtual HRESULT Lock(UINT offset, UINT size, void** out, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
};

class Device {
 public:
  virtual ~Device() = default;
  virtual void GetViewport(Viewport* out) const = 0;
  virtual void SetViewport(const Viewport& viewport) = 0;

  virtual HRESULT TestCooperativeLevel() { return D3D_OK; }
  virtual HRESULT CreateTexture(UINT /*width*/, UINT /*height*/, UINT /*levels*/, DWORD /*usage*/,
                                D3DFORMAT /*format*/, D3DPOOL /*pool*/, Texture** out) {
    if (out) *out = nullptr;
    return D3DERR_NOTAVAILABLE;
  }
  virtual HRESULT CreateVertexBuffer(UINT /*length*/, DWORD /*usage*/, DWORD /*fvf*/, D3DPOOL /*pool*/,
                                     VertexBuffer** out) {
    if (out) *out = nullptr;
    return D3DERR_NOTAVAILABLE;
  }
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) { return D3D_OK; }
  virtual HRESULT SetTextureStageState(DWORD /*stage*/, D3DTEXTURESTAGESTATETYPE, DWORD) { return D3D_OK; }
  virtual HRESULT SetSamplerState(DWORD /*sampler*/, D3DSAMPLERSTATETYPE, DWORD) { return D3D_OK; }
  virtual HRESULT SetTexture(DWORD /*stage*/, Texture*) { return D3D_OK; }
  virtual HRESULT SetFVF(DWORD) { return D3D_OK; }
  virtual HRESULT SetStreamSource(UINT /*stream*/, VertexBuffer*, UINT /*offset*/, UINT /*stride*/) { return D3D_OK; }
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT /*startVertex*/, UINT /*primitiveCount*/) {
    return D3DERR_INVALIDCALL;
  }
  // Clears the viewport (no rectangles) or the given rectangles inside it.
  virtual HRESULT Clear(DWORD /*count*/, const RECT* /*rects*/, DWORD /*flags*/, DWORD /*color*/, float /*z*/,
                        DWORD /*stencil*/) {
    return D3D_OK;
  }
  virtual HRESULT BeginScene() { return D3D_OK; }
  virtual HRESULT EndScene() { return D3D_OK; }
  // Shows the back buffer. dirty: the only part that changed since the last Present; null: all.
  virtual HRESULT Present(const RECT* /*dirty*/ = nullptr) { return D3D_OK; }
};

// The device factory (the Direct3D object).
class Direct3D {
 public:
  virtual ~Direct3D() = default;
  virtual HRESULT GetAdapterDisplayMode(DisplayMode* out) = 0;
  // A windowed device with a zero back-buffer size takes the window's client size.
  virtual HRESULT CreateDevice(HWND focusWindow, PresentParameters* parameters, std::unique_ptr<Device>* out) = 0;
};

// Null when the drawing system cannot start.
std::unique_ptr<Direct3D> Direct3DCreate9();

// The window's client area {0, 0, width, height}; backend.
bool GetClientRect(HWND window, RECT* out);

// A texture in system memory that belongs to no device: pictures are decoded into one while
// the device is lost or absent, so their pixels are kept until a device exists again.
Texture* CreateSystemMemoryTexture(UINT width, UINT height, D3DFORMAT format);

}  // namespace platform
