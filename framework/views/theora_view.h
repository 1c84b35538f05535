#pragma once
// An Ogg Theora clip in memory shown as a texture view, frames numbered from 0. Frames are
// decoded on the GUI thread one ahead of the screen into two textures that take turns: SetFrame
// shows the frame prepared by the previous call (after a jump it decodes it first) and prepares
// the next one.

#include <cstdint>
#include <memory>
#include <string>

#include "framework/views/animation_view.h"
#include "framework/views/texture_view.h"

class IMTheoraDecoder;

class IMTheoraView : public IMTextureView, public IMAnimationView {
 public:
  static constexpr int kNoEndYet = 0x7FFFFFFF;

  IMTheoraView();
  ~IMTheoraView() override;

  // Reads the headers, makes the two frame textures, shows frame 0 in the first and decodes
  // frame 1 into the second. Broken data raise std::runtime_error. The data are not copied and
  // must outlive the view.
  void Open(const void* data, int size);

  // Shows frame n and decodes n + 1 behind it. A frame past the end leaves the screen as it is.
  // Broken data met while decoding raise std::runtime_error. After a fault here or in Open the
  // picture stays and every call raises that error again, so whoever plays the view stops;
  // before Open a call does nothing.
  void SetFrame(int n) override;
  int GetFrame() override { return currentFrame; }
  int GetStartFrame() override { return startFrame; }
  // kNoEndYet until the decoder has run past the last frame, then that frame's index.
  int GetEndFrame() override { return endFrame; }
  void SetStartFrame(int n) override { startFrame = n; }
  void SetEndFrame(int n) override { endFrame = n; }

 private:
  static constexpr int kNothingShown = -1;

  // Decodes frame n into the back texture.
  void Prepare(int n);
  void DecodingPass();
  // The back texture goes on screen; the one it replaces becomes the back.
  void ShowBack();
  // The decoder's current picture into the back texture.
  void ConvertIntoBack();
  void ReleaseFrameTextures();

  std::unique_ptr<IMTheoraDecoder> decoder_;
  int currentFrame = 0;
  int endFrame = kNoEndYet;
  int startFrame = 0;
  std::uint32_t frontTexture;
  std::uint32_t backTexture;
  int decodedFrame = 0;
  // The frame the back texture holds, or kNothingShown.
  int backFrame_ = kNothingShown;
  int targetFrame = 0;
  // Opened and no decoding fault since: only then do frames move.
  bool ready_ = false;
  // The fault that stopped the view; empty when there was none.
  std::string fault_;
};
