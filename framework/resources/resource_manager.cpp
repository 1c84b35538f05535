#include "framework/resources/resource_manager.h"

IMResourceManager* IMResourceManager::instance_ = nullptr;

IMResourceManager::IMResourceManager(platform::Device* device, int backBufferWidth, int backBufferHeight)
    : device_(device), backBufferWidth_(backBufferWidth), backBufferHeight_(backBufferHeight) {
  instance_ = this;
}

IMResourceManager::~IMResourceManager() {
  if (instance_ == this) instance_ = nullptr;
}
