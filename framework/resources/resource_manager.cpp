#include "framework/resources/resource_manager.h"

#include <stdexcept>
#include <string>

#include "framework/platform/platform.h"
#include "framework/resources/skin.h"
#include "media/embedded.h"

IMResourceManager* IMResourceManager::instance_ = nullptr;

namespace {
constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr int kScreenRefreshRate = 75;
constexpr UINT kQuadBufferBytes = 4 * sizeof(platform::QuadVertex);
}  // namespace

IMResourceManager::IMResourceManager() { instance_ = this; }

IMResourceManager::IMResourceManager(platform::Device* device, int backBufferWidth, int backBufferHeight)
    : device_(device), backBufferWidth_(backBufferWidth), backBufferHeight_(backBufferHeight) {
  instance_ = this;
  if (device_) {
    platform::VertexBuffer* buffer = nullptr;
    if (device_->CreateVertexBuffer(kQuadBufferBytes, 0, platform::kQuadVertexFvf, D3DPOOL_SYSTEMMEM, &buffer) ==
        D3D_OK) {
      quadBuffer_.reset(buffer);
    }
  }
}

IMResourceManager::~IMResourceManager() {
  for (auto& record : records_) {
    if (record && record->texture) record->texture->Release();
  }
  records_.clear();
  ReleaseDeviceObjects();
  d3d_.reset();
  ReleaseFonts();
  if (instance_ == this) instance_ = nullptr;
}

void IMResourceManager::ReleaseDeviceObjects() {
  quadBuffer_.reset();
  ownedDevice_.reset();
  device_ = nullptr;
}

void IMResourceManager::Create(bool windowed, HWND window) {
  auto* manager = new IMResourceManager();
  manager->startTime_ = platform::timeGetTime();
  manager->frameCount = 0;
  manager->window_ = window;
  // Without a sound device the program runs silent: the result is not looked at.
  manager->Init(window);
  try {
    if (manager->InitD3D(window, windowed, kScreenWidth, kScreenHeight, kScreenRefreshRate) != 0) {
      throw std::runtime_error("Не могу создать устройство Direct3D");
    }
  } catch (...) {
    delete manager;
    throw;
  }
  for (std::wstring_view name : kSkinPictureNames) {
    const std::wstring key(name);
    if (manager->RegisterSkinPicture(key, media::FindBuiltIn(name)) == kNoTexture) {
      // A picture that could not be made still holds its id, so that every later one keeps
      // its own; the id stays empty for good.
      ReportMissingSkinPicture(key);
      manager->records_.emplace_back();
      ++manager->idCount_;
    }
  }
}

void IMResourceManager::Destroy() {
  IMResourceManager* manager = instance_;
  if (!manager) return;
  for (std::wstring_view name : kSkinPictureNames) manager->ReleaseTextureByName(std::wstring(name));
  // 64-bit: a 32-bit product overflows after a little over an hour of frames.
  const DWORD elapsed = platform::timeGetTime() - manager->startTime_;
  const std::uint64_t fps = elapsed == 0 ? 0 : std::uint64_t{manager->frameCount} * 1000 / elapsed;
  platform::OutputDebugString(L"FPS: " + std::to_wstring(fps) + L"\n");
  delete manager;
}

int IMResourceManager::InitD3D(HWND window, bool windowed, int width, int height, int refreshRate) {
  if (!d3d_) {
    d3d_ = platform::Direct3DCreate9();
    if (!d3d_) throw std::runtime_error("Can't init Direct3D");
  }
  platform::DisplayMode mode;
  if (d3d_->GetAdapterDisplayMode(&mode) != D3D_OK) throw std::runtime_error("Can't init DisplayMode");

  platform::PresentParameters parameters;
  parameters.Windowed = windowed;
  parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  parameters.BackBufferFormat = D3DFMT_A8R8G8B8;
  parameters.BackBufferCount = 3;
  if (!windowed) {
    parameters.BackBufferWidth = static_cast<UINT>(width);
    parameters.BackBufferHeight = static_cast<UINT>(height);
    parameters.FullScreen_RefreshRateInHz = static_cast<UINT>(refreshRate);
    refreshRate_ = refreshRate;
  } else {
    RECT client{};
    platform::GetClientRect(window, &client);
    parameters.BackBufferWidth = static_cast<UINT>(client.right - client.left);
    parameters.BackBufferHeight = static_cast<UINT>(client.bottom - client.top);
  }
  windowed_ = windowed;
  backBufferWidth_ = static_cast<int>(parameters.BackBufferWidth);
  backBufferHeight_ = static_cast<int>(parameters.BackBufferHeight);

  ReleaseDeviceObjects();
  if (d3d_->CreateDevice(window, &parameters, &ownedDevice_) != D3D_OK || !ownedDevice_) {
    ownedDevice_.reset();
    return 1;
  }
  device_ = ownedDevice_.get();
  platform::VertexBuffer* buffer = nullptr;
  if (device_->CreateVertexBuffer(kQuadBufferBytes, 0, platform::kQuadVertexFvf, D3DPOOL_SYSTEMMEM, &buffer) ==
      D3D_OK) {
    quadBuffer_.reset(buffer);
  }
  deviceLost_ = false;
  return 0;
}

bool IMResourceManager::IsDeviceLost() {
  if (deviceLost_) return true;
  if (device_ && device_->TestCooperativeLevel() != D3D_OK) deviceLost_ = true;
  return deviceLost_;
}

bool IMResourceManager::Restore() {
  for (std::uint32_t id = 0; id < idCount_; ++id) DropDeviceTexture(id);
  if (deviceLost_) deviceLost_ = InitD3D(window_, windowed_, backBufferWidth_, backBufferHeight_, refreshRate_) != 0;
  return !deviceLost_;
}
