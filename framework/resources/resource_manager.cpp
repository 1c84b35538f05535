#include "framework/resources/resource_manager.h"

IMResourceManager* IMResourceManager::instance_ = nullptr;

IMResourceManager::IMResourceManager(platform::Device* device, int backBufferWidth, int backBufferHeight)
    : device_(device), backBufferWidth_(backBufferWidth), backBufferHeight_(backBufferHeight) {
  instance_ = this;
}

IMResourceManager::~IMResourceManager() {
  if (instance_ == this) instance_ = nullptr;
}

void IMResourceManager::Create(bool /*windowed*/, HWND /*window*/) {
  if (!instance_) new IMResourceManager(nullptr, kDefaultBackBufferWidth, kDefaultBackBufferHeight);
}

void IMResourceManager::Destroy() { delete instance_; }

bool IMResourceManager::IsDeviceLost() {
  if (!deviceLost_ && device_ && device_->TestCooperativeLevel() != D3D_OK) deviceLost_ = true;
  return deviceLost_;
}

bool IMResourceManager::Restore() {
  if (deviceLost_ && device_ && device_->TestCooperativeLevel() == D3D_OK) deviceLost_ = false;
  return !deviceLost_;
}
