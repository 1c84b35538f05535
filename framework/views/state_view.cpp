#include "framework/views/state_view.h"

IMStateView::~IMStateView() { stateTextures.clear(); }

void IMStateView::SetStateTextures(const std::wstring& normal, const std::wstring& disabled,
                                   const std::wstring& hover, const std::wstring& pressed) {
  stateTextures[0] = normal;
  stateTextures[1] = disabled.empty() ? normal : disabled;
  stateTextures[3] = hover.empty() ? normal : hover;
  stateTextures[4] = pressed.empty() ? normal : pressed;
  SetTexture(stateTextures[state]);
}
