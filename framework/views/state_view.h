#pragma once
// A texture view that shows one of four pictures by its state: 0 normal, 1 disabled,
// 3 hover, 4 pressed.

#include <map>
#include <string>

#include "framework/views/texture_view.h"

class IMStateView : public IMTextureView {
 public:
  ~IMStateView() override;

  // An empty name falls back to the normal picture.
  void SetStateTextures(const std::wstring& normal, const std::wstring& disabled, const std::wstring& hover,
                        const std::wstring& pressed);

  int state = 0;

 protected:
  std::map<int, std::wstring> stateTextures;
};
