#include "framework/controls/button.h"

#include <boost/bind/bind.hpp>

IMButtonBase<IMStateView>::IMButtonBase(IMDialog* parent, int layer) : IMViewControl<IMStateView>(parent, layer) {
  using boost::placeholders::_1;
  MouseButtonSignal.connect(MouseSignal::slot_type(boost::bind(&IMButtonBase::OnMouseStateEvent, this, _1)));
  MouseEnterSignal.connect(MouseSignal::slot_type(boost::bind(&IMButtonBase::OnMouseStateEvent, this, _1)));
  MouseLeaveSignal.connect(MouseSignal::slot_type(boost::bind(&IMButtonBase::OnMouseStateEvent, this, _1)));
  DisableSignal.connect(EventSignal::slot_type(boost::bind(&IMButtonBase::OnStateEvent, this, _1)));
  EnableSignal.connect(EventSignal::slot_type(boost::bind(&IMButtonBase::OnStateEvent, this, _1)));
  HideSignal.connect(EventSignal::slot_type(boost::bind(&IMButtonBase::OnStateEvent, this, _1)));
  ShowSignal.connect(EventSignal::slot_type(boost::bind(&IMButtonBase::OnStateEvent, this, _1)));
}

long IMButtonBase<IMStateView>::Disable() {
  long result = IMViewControl<IMStateView>::Disable();
  // The signal's own handler still saw the old flag.
  UpdateState();
  return result;
}

long IMButtonBase<IMStateView>::Enable() {
  long result = IMViewControl<IMStateView>::Enable();
  UpdateState();
  return result;
}

void IMButtonBase<IMStateView>::UpdateState() {
  if (hidden_) return;
  int next = !enabled_ ? kDisabled : hovered_ ? (pressed_ ? kPressed : kHovered) : kNormal;
  if (next == state) return;
  SetTexture(stateTextures[next]);
  state = next;
}
