#pragma once
// An animation whose frames are registered pictures, shown by name.

#include <string>
#include <vector>

#include "framework/views/animation_view.h"
#include "framework/views/texture_view.h"

class IMSequenceView : public IMTextureView, public IMAnimationView {
 public:
  ~IMSequenceView() override;

  // Appends a frame and shows the start frame again.
  void AddFrame(const std::wstring& name);

  // A frame that does not exist leaves the view as it is.
  void SetFrame(int n) override;
  int GetFrame() override { return current; }
  int GetStartFrame() override { return startFrame; }
  int GetEndFrame() override { return endFrame; }
  // Both clamp to 0 .. the number of frames.
  void SetStartFrame(int n) override;
  void SetEndFrame(int n) override;

 protected:
  int current = 0;
  int startFrame = 0;
  int endFrame = 0;
  std::vector<std::wstring> frames;

 private:
  int Clamp(int n) const;
};
