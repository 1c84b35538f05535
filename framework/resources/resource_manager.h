#pragma once
// The process-wide owner of the drawing device and the drawing state shared by every view:
// the drawing origin that dialogs move while their children draw, the back-buffer size and
// the frame counter.

#include <cstdint>

#include "framework/platform/device.h"
#include "framework/platform/win_types.h"

class IMResourceManager {
 public:
  IMResourceManager(platform::Device* device, int backBufferWidth, int backBufferHeight);
  IMResourceManager(const IMResourceManager&) = delete;
  IMResourceManager& operator=(const IMResourceManager&) = delete;
  ~IMResourceManager();

  // Makes the process-wide manager for the window, and destroys it.
  static void Create(bool windowed, HWND window = nullptr);
  static void Destroy();
  // The live manager, or null before creation and after destruction.
  static IMResourceManager* Instance() { return instance_; }

  platform::Device* GetDevice() const { return device_; }
  int GetBackBufferWidth() const { return backBufferWidth_; }
  int GetBackBufferHeight() const { return backBufferHeight_; }
  bool IsDeviceLost();
  // Drops every device texture; when the device is lost, makes a new one. True when usable.
  bool Restore();

  int drawOriginX = 0;
  int drawOriginY = 0;
  std::uint32_t frameCount = 0;

 private:
  static IMResourceManager* instance_;

  platform::Device* device_;
  int backBufferWidth_;
  int backBufferHeight_;
  bool deviceLost_ = false;
};

// The back-buffer size a dialog without a rectangle covers, also before a manager exists.
constexpr int kDefaultBackBufferWidth = 800;
constexpr int kDefaultBackBufferHeight = 600;
