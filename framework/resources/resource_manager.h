#pragma once
// The process-wide owner of the program's media: the drawing device with its quad buffer, the
// store of named, reference-counted textures with their pixel copies, texture drawing, the
// built-in skin, the drawing origin that dialogs move while their children draw, the
// back-buffer size and the frame counter.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "framework/platform/device.h"
#include "framework/resources/font_cache.h"
#include "framework/resources/texture_id.h"
#include "framework/resources/texture_record.h"
#include "framework/sound/sound_system.h"

// The manager also plays sounds: Create starts the sound output of its base, and a missing
// sound device does not stop start-up.
class IMResourceManager : public CSoundSystem {
 public:
  // A manager drawing on a device someone else owns; it registers no skin.
  IMResourceManager(platform::Device* device, int backBufferWidth, int backBufferHeight);
  IMResourceManager(const IMResourceManager&) = delete;
  IMResourceManager& operator=(const IMResourceManager&) = delete;
  ~IMResourceManager();

  // Makes the manager with its own device (full screen 800x600 at 75 Hz, or the window's client
  // size when windowed) and registers the skin. Throws std::runtime_error when no device can be
  // made; no manager is left behind then.
  static void Create(bool windowed, HWND window = nullptr);
  // Releases the skin, writes the "FPS: " line, destroys the manager.
  static void Destroy();
  // The live manager, or null before creation and after destruction.
  static IMResourceManager* Instance() { return instance_; }

  // --- Device -----------------------------------------------------------------------------------
  // 0 when the device was made, 1 when not.
  int InitD3D(HWND window, bool windowed, int width, int height, int refreshRate);
  bool IsDeviceLost();
  // Drops every device texture; when the device is lost, makes a new one. True when usable.
  bool Restore();

  platform::Device* GetDevice() const { return device_; }
  int GetBackBufferWidth() const { return backBufferWidth_; }
  int GetBackBufferHeight() const { return backBufferHeight_; }
  bool IsWindowed() const { return windowed_; }
  int GetRefreshRate() const { return refreshRate_; }

  int drawOriginX = 0;
  int drawOriginY = 0;
  std::uint32_t frameCount = 0;

  // --- Texture store ------------------------------------------------------------------------------
  // The id of the name, or kNoTexture when it is not registered.
  std::uint32_t FindTexture(const std::wstring& name) const;
  // A name that is a whole number is a numbered resource; anything else an image file path.
  std::uint32_t LoadTexture(const std::wstring& name);
  // A PNG or JPEG file image in memory; the data stay the caller's.
  std::uint32_t RegisterTexture(const std::wstring& name, const void* data, unsigned size);
  // A skin picture, whose PNG data outlive the manager: registered now with its id, name and
  // size, decoded on first use, since the first screen shows only a few of them. One whose
  // header cannot be read is decoded at once, as RegisterTexture does.
  std::uint32_t RegisterSkinPicture(const std::wstring& name, std::span<const unsigned char> data);
  // An empty texture of at least that size; its first `height` rows are zero.
  std::uint32_t CreateTexture(const std::wstring& name, int width, int height, D3DFORMAT format);
  // The id with one more reference, or kNoTexture when it has no texture.
  std::uint32_t AddRef(std::uint32_t id);
  int ReleaseTexture(std::uint32_t id);
  int ReleaseTextureByName(const std::wstring& name);
  void EnsureTexture(std::uint32_t id);
  void DropDeviceTexture(std::uint32_t id);
  void BackupTexturePixels(std::uint32_t id);
  // 0xAARRGGBB from the pixel copy; 0 for a texel outside the texture or a texture without one.
  std::uint32_t GetTexel(std::uint32_t id, int x, int y);
  int GetTexturePitch(std::uint32_t id);
  // f(level-0 bits, pitch, image height) while the texture is locked. The pixel copy is not
  // refreshed: call BackupTexturePixels for that.
  int LockTexture(std::uint32_t id, const std::function<void(void* bits, int pitch, int imageHeight)>& f);

  // How many ids exist, freed ones included: the bound of a walk over every texture.
  std::uint32_t GetIdCount() const { return idCount_; }
  // Null when the id has no texture.
  const IMTextureRecord* GetTextureRecord(std::uint32_t id) const;

  // --- Drawing --------------------------------------------------------------------------------------
  // Draws source (null: the whole picture) of the texture into destination, relative to the
  // drawing origin, tinted by argb and turned by angle radians (clockwise) about its centre.
  int DrawTexture(std::uint32_t id, const RECT* destination, const RECT* source, DWORD argb, float angle);

  // --- Text -----------------------------------------------------------------------------------------
  // The glyph texture of the text's first character, registered under `key`: a key already
  // registered only gains a reference. The image is the rectangle's size (null: the glyph's
  // cell), cleared to the back colour; a character the font cannot outline leaves it at that.
  std::uint32_t CreateTextTexture(const std::wstring& key, const std::wstring& text, const RECT* rect,
                                  DWORD colour, int size, const std::wstring& face, bool italic, bool bold,
                                  bool underline, DWORD backColour);
  int GetFont(const std::wstring& face, int height, bool bold, bool italic, bool underline) {
    return fonts_.GetFont(face, height, bold, italic, underline);
  }
  IMFont& Font(int index) { return fonts_.Font(index); }
  void ReleaseFonts() { fonts_.ReleaseFonts(); }

 private:
  struct Releaser {
    template <class T>
    void operator()(T* p) const {
      if (p) p->Release();
    }
  };

  IMResourceManager();
  void ReleaseDeviceObjects();
  // The device to make textures with, or null while it is lost or absent.
  platform::Device* LiveDevice() const { return deviceLost_ ? nullptr : device_; }
  using Maker = std::function<bool(platform::Device*, platform::Texture*&, int&, int&)>;
  // Registration with eviction: a name already registered only gains a reference.
  std::uint32_t Register(const std::wstring& name, const Maker& make, D3DFORMAT format,
                         std::span<const unsigned char> encoded = {});
  std::uint32_t AddRecord(const std::wstring& name, platform::Texture* texture, int width, int height,
                          D3DFORMAT format, bool detached, std::span<const unsigned char> encoded);
  // Decodes a picture registered undecoded. A picture that turns out not to decode goes the
  // way of a skin picture that could not be made: its name is gone and its id stays empty.
  void DecodeRegistered(std::uint32_t id);
  // Drops the device copy of the first texture (by id) with another name that has one.
  bool EvictFor(const std::wstring& name);
  IMTextureRecord* Record(std::uint32_t id) const;

  static IMResourceManager* instance_;

  std::unique_ptr<platform::Direct3D> d3d_;
  std::unique_ptr<platform::Device> ownedDevice_;
  platform::Device* device_ = nullptr;
  std::unique_ptr<platform::VertexBuffer, Releaser> quadBuffer_;
  int backBufferWidth_ = 0;
  int backBufferHeight_ = 0;
  bool windowed_ = false;
  bool deviceLost_ = false;
  int refreshRate_ = 0;
  HWND window_ = nullptr;
  DWORD startTime_ = 0;

  std::vector<std::unique_ptr<IMTextureRecord>> records_;
  std::map<std::wstring, std::uint32_t> textureIds_;
  std::vector<std::uint32_t> freeIds_;
  std::uint32_t idCount_ = 0;

  IMFontCache fonts_;
};

// The back-buffer size a dialog without a rectangle covers, also before a manager exists.
constexpr int kDefaultBackBufferWidth = 800;
constexpr int kDefaultBackBufferHeight = 600;
