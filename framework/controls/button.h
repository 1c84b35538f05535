#pragma once
// The push button: its picture follows its enabled, hovered and pressed state.

#include "framework/controls/picture.h"
#include "framework/views/state_view.h"

template <class V>
class IMButtonBase;

template <>
class IMButtonBase<IMStateView> : public IMViewControl<IMStateView> {
 public:
  static constexpr int kNormal = 0;
  static constexpr int kDisabled = 1;
  static constexpr int kHovered = 3;
  static constexpr int kPressed = 4;

  IMButtonBase(IMDialog* parent, int layer);

  long Disable() override;
  long Enable() override;
  virtual void UpdateState();

 private:
  long OnStateEvent(const IMEvent&) {
    UpdateState();
    return 0;
  }
  long OnMouseStateEvent(const IMMouseEvent&) {
    UpdateState();
    return 0;
  }
};

using IMButton = IMButtonBase<IMStateView>;
