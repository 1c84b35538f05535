#include "framework/views/sequence_view.h"

#include <algorithm>

IMSequenceView::~IMSequenceView() { frames.clear(); }

void IMSequenceView::AddFrame(const std::wstring& name) {
  frames.push_back(name);
  SetFrame(GetStartFrame());
}

void IMSequenceView::SetFrame(int n) {
  if (n < 0 || static_cast<std::size_t>(n) >= frames.size()) return;
  current = n;
  SetTexture(frames[static_cast<std::size_t>(n)]);
}

int IMSequenceView::Clamp(int n) const {
  if (n < 1) return 0;
  return std::min(n, static_cast<int>(frames.size()));
}

void IMSequenceView::SetStartFrame(int n) { startFrame = Clamp(n); }

void IMSequenceView::SetEndFrame(int n) { endFrame = Clamp(n); }
