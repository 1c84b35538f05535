#include "framework/controls/scroll.h"

#include <algorithm>
#include <cmath>

#include <boost/bind/bind.hpp>

#include "framework/window/window.h"

namespace {

IMButton* Element(IMDialog* bar, const wchar_t* picture) {
  auto* element = new IMButton(bar, 0);
  // The same picture in every state; on the view only: Layout gives the rectangle.
  element->SetStateTextures(picture, L"", L"", L"");
  return element;
}

}  // namespace

IMScroll::IMScroll(IMDialog* parent, const RECT* rect) : IMDialog(parent, rect, 0) {
  using boost::placeholders::_1;
  track_ = new Picture(this, 0);
  track_->SetTexture(L"ScrollBackground");
  up_ = Element(this, L"ScrollButtonUp");
  down_ = Element(this, L"ScrollButtonDown");
  pageUp_ = Element(this, L"ScrollBackground");
  pageDown_ = Element(this, L"ScrollBackground");
  slider_ = Element(this, L"ScrollSlider");

  for (IMButton* element : {down_, up_, pageUp_, pageDown_}) {
    element->MouseButtonSignal.connect(MouseSignal::slot_type(boost::bind(&IMScroll::OnButtonEvent, this, _1)));
    element->MouseLeaveSignal.connect(MouseSignal::slot_type(boost::bind(&IMScroll::OnButtonEvent, this, _1)));
  }
  slider_->MouseButtonSignal.connect(MouseSignal::slot_type(boost::bind(&IMScroll::OnSliderMouse, this, _1)));
  // A release or a leave anywhere in the window ends a drag.
  if (IMWindow* window = IMWindow::Instance()) {
    windowLeave_ =
        window->MouseLeaveSignal.connect(MouseSignal::slot_type(boost::bind(&IMScroll::OnSliderMouse, this, _1)));
    windowButton_ =
        window->MouseButtonSignal.connect(MouseSignal::slot_type(boost::bind(&IMScroll::OnSliderMouse, this, _1)));
  }

  if (!rect) {
    const RECT p = parent ? parent->GetRect() : GetRect();
    const int width = p.right - p.left;
    const int height = p.bottom - p.top;
    SetRect(RECT{width - 16, 0, width, height});
  }
}

IMScroll::~IMScroll() {
  DropActive();
  windowLeave_.disconnect();
  windowButton_.disconnect();
}

void IMScroll::DropActive() {
  active_.disconnect();
  active_ = IMConnection();
  if (repeatTimerId_ != 0) {
    if (IMWindow* window = IMWindow::Instance()) window->RemoveTimer(repeatTimerId_);
    repeatTimerId_ = 0;
  }
}

long IMScroll::SetPosition(int position) {
  // The upper bound wins when max - page lies below min.
  if (max_ - page_ < std::max(min_, position)) {
    position = max_ - page_;
  } else if (position < min_) {
    position = min_;
  }
  if (position == position_) return 0;
  position_ = position;
  if (!ScrollSignal.empty()) ScrollSignal(IMEvent(this, IM_EVENT_NONE), position);
  Layout();
  return 0;
}

void IMScroll::SetRange(int min, int max) {
  min_ = min;
  max_ = max;
  if (position_ > max_ - page_) position_ = max_ - page_;
  if (position_ < min_) position_ = min_;
  Layout();
}

void IMScroll::SetPage(int page) {
  if (position_ > max_ - page) position_ = max_ - page;
  page_ = page;
  Layout();
}

void IMScroll::SetRect(const RECT& r) {
  IMDialog::SetRect(r);
  // Built by the dialog's constructor before any element exists.
  if (!slider_) return;
  Layout();
}

int IMScroll::TrackLength() const { return std::max(0, GetHeight() - 2 * GetWidth()); }

long IMScroll::Layout() {
  if (!slider_) return 0;
  const int w = GetWidth();
  const int h = GetHeight();
  const int length = TrackLength();
  const int range = max_ - min_;
  // Measured from min, so that a range not starting at 0 still runs from the top of the track
  // (with min 0, as every caller has it, this is the position itself). An empty range has
  // nothing to scroll: the slider fills the track.
  const int offset = position_ - min_;
  const int a = range > 0 ? length * offset / range : 0;
  const int b = range > 0 ? length * (offset + page_) / range : length;
  const int s = range > 0 ? length * page_ / range : length;

  auto place = [](IMButton* element, int x, int y, int cx, int cy) {
    element->SetPosition(x, y);
    element->SetSize(cx, cy);
  };
  place(up_, 0, 0, w, w);
  place(pageUp_, 0, w, w, a + w);
  place(down_, 0, h - w, w, w);
  place(pageDown_, 0, w + b, w, length - b);
  track_->SetPosition(0, 0);
  track_->SetSize(w, h);
  // A repeat or a drag places the slider itself.
  if (!active_.connected()) slider_->SetPosition(0, w + a);
  slider_->SetSize(w, s);
  return 0;
}

void IMScroll::StartRepeat(const IMMouseEvent& e, std::uint32_t delayMs) {
  IMWindow* window = IMWindow::Instance();
  if (!window) return;
  repeatTimerId_ = window->AddTimer(delayMs);
  // The ticks come back as code 0 from the same element.
  const IMMouseEvent tick(e.sender, IM_EVENT_NONE, e.wParam, e.x, e.y);
  active_ = window->ConnectTimer(
      repeatTimerId_, IMTimers::TimerSignal::slot_type(boost::bind(&IMScroll::OnButtonEvent, this, tick)));
}

long IMScroll::OnButtonEvent(const IMMouseEvent& e) {
  int step = 0;
  if (e.sender == up_) {
    step = -(page_ / 10);
  } else if (e.sender == down_) {
    step = page_ / 10;
  } else if (e.sender == pageUp_) {
    step = -page_;
  } else if (e.sender == pageDown_) {
    step = page_;
  }

  if (e.Is(IM_EVENT_NONE)) {
    // A tick of the repeat: the next ones come every 50 ms.
    const IMMouseEvent tick = e;  // e lives in the connection being dropped
    DropActive();
    SetPosition(position_ + step);
    StartRepeat(tick, kRepeatMs);
  } else if (e.IsMessage(WM_LBUTTONDOWN)) {
    // A repeat still running (its release never came) must not be left behind.
    DropActive();
    SetPosition(position_ + step);
    StartRepeat(e, kFirstRepeatMs);
  } else if (e.IsMessage(WM_LBUTTONUP) || e.Is(IM_EVENT_MOUSELEAVE)) {
    // A drag has no repeat timer: leaving a page area while dragging goes on dragging.
    if (active_.connected() && repeatTimerId_ != 0) DropActive();
  }
  return 0;
}

long IMScroll::OnSliderMouse(const IMMouseEvent& e) {
  using boost::placeholders::_1;
  IMWindow* window = IMWindow::Instance();
  if (e.sender == slider_ && e.IsMessage(WM_LBUTTONDOWN)) {
    if (!window) return 0;
    DropActive();
    dragOrigin_ = window->GetLastMousePoint();
    active_ = window->MouseMoveSignal.connect(MouseSignal::slot_type(boost::bind(&IMScroll::OnSliderMouse, this, _1)));
  } else if (e.IsMessage(WM_LBUTTONUP) || e.Is(IM_EVENT_MOUSELEAVE)) {
    if (active_.connected()) DropActive();
  } else if (e.IsMessage(WM_MOUSEMOVE)) {
    const POINT p = slider_->GetPosition();
    const int w = GetWidth();
    const int h = GetHeight();
    const int sh = slider_->GetHeight();
    // The upper limit wins when the two cross.
    const int y = std::min(std::max(p.y + (e.y - dragOrigin_.y), w), h - w - sh);
    const int length = TrackLength();
    const int range = max_ - min_;
    // From min, as Layout measures.
    const int v = length > 0 ? min_ + static_cast<int>(std::floor(static_cast<double>(range) * (y - w) / length + 0.5))
                              : min_;
    if (v != position_) SetPosition(v);
    // The slider follows the pointer, not the rounded position.
    slider_->SetPosition(0, y);
    dragOrigin_ = POINT{e.x, e.y};
    Layout();
  }
  return 0;
}
