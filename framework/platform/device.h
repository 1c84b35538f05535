#pragma once
// The drawing device: the subset of a Direct3D 9 device the framework calls.

#include "framework/platform/win_types.h"

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
};

}  // namespace platform
