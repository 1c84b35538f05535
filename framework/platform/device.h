#pragma once
// The drawing device: the subset of a Direct3D 9 device the framework calls.

#include <cstdint>

#include "framework/platform/win_types.h"

using HRESULT = std::int32_t;

constexpr HRESULT D3D_OK = 0;
constexpr DWORD D3DCLEAR_TARGET = 0x1;

namespace platform {

struct Viewport {
  DWORD X = 0;
  DWORD Y = 0;
  DWORD Width = 0;
  DWORD Height = 0;
  float MinZ = 0.0f;
  float MaxZ = 1.0f;
};

class Device {
 public:
  virtual ~Device() = default;
  virtual void GetViewport(Viewport* out) const = 0;
  virtual void SetViewport(const Viewport& viewport) = 0;

  virtual HRESULT TestCooperativeLevel() { return D3D_OK; }
  // Clears the viewport (no rectangles) or the given rectangles inside it.
  virtual HRESULT Clear(DWORD /*count*/, const RECT* /*rects*/, DWORD /*flags*/, DWORD /*color*/, float /*z*/,
                        DWORD /*stencil*/) {
    return D3D_OK;
  }
  virtual HRESULT BeginScene() { return D3D_OK; }
  virtual HRESULT EndScene() { return D3D_OK; }
  virtual HRESULT Present() { return D3D_OK; }
};

}  // namespace platform
