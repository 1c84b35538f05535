#pragma once
// Pictures and text labels: a view control with nothing of its own.

#include <string>

#include "framework/views/view_control.h"

template <class V>
class IMStaticPictureBase : public IMViewControl<V> {
 public:
  IMStaticPictureBase(IMDialog* parent, int layer) : IMViewControl<V>(parent, layer) {}

  // The picture takes the texture's size at (0, 0) of its parent; callers place it afterwards.
  void SetPicture(const std::wstring& name)
    requires requires(V& v) { v.SetTexture(name); }
  {
    V::SetTexture(name);
    this->SetRect(V::GetSourceRect());
  }
};
