#pragma once
// The frame interface of the views an animation control drives: frames are numbered, and the
// control plays the run from the start frame to the end frame.

class IMAnimationView {
 public:
  IMAnimationView() = default;
  IMAnimationView(const IMAnimationView&) = delete;
  IMAnimationView& operator=(const IMAnimationView&) = delete;
  virtual ~IMAnimationView() = default;

  virtual void SetFrame(int n) = 0;
  virtual int GetFrame() = 0;
  virtual int GetStartFrame() = 0;
  virtual int GetEndFrame() = 0;
  virtual void SetStartFrame(int n) = 0;
  virtual void SetEndFrame(int n) = 0;
};
