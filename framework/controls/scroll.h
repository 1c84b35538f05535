#pragma once
// The vertical scroll bar: up and down arrow buttons, two page areas and a slider over a
// track, holding an integer position in a range and announcing each change of it. Arrows and
// page areas step on a press and repeat while held (after 500 ms, then every 50 ms, on the
// main window's timers); the slider is dragged with the main window's mouse moves.

#include <cstdint>
#include <functional>

#include <boost/function.hpp>
#include <boost/signals2/dummy_mutex.hpp>
#include <boost/signals2/signal.hpp>

#include "framework/controls/button.h"
#include "framework/controls/dialog.h"
#include "framework/controls/picture.h"
#include "framework/views/texture_view.h"

class IMScroll : public IMDialog {
 public:
  using ScrollSignalType =
      boost::signals2::signal<long(const IMEvent&, int), IMLastValue<long>, int, std::less<int>,
                              boost::function<long(const IMEvent&, int)>,
                              boost::function<long(const boost::signals2::connection&, const IMEvent&, int)>,
                              boost::signals2::dummy_mutex>;
  using Picture = IMStaticPictureBase<IMTextureView>;

  static constexpr std::uint32_t kFirstRepeatMs = 500;
  static constexpr std::uint32_t kRepeatMs = 50;

  // Null rect: a strip 16 pixels wide along the parent's right edge. With a rectangle nothing
  // is laid out until the caller's SetRange, SetPage or SetRect.
  IMScroll(IMDialog* parent, const RECT* rect);
  ~IMScroll() override;

  // Clamped to [min, max - page] (the upper bound wins); signals and lays out only on a change.
  long SetPosition(int position);
  // The view's SetPosition(x, y) still places the bar.
  using IMDialog::SetPosition;
  // These re-clamp the position without a signal.
  void SetRange(int min, int max);
  void SetPage(int page);
  IMConnection ConnectOnScroll(const ScrollSignalType::slot_type& slot) { return ScrollSignal.connect(slot); }

  void SetRect(const RECT& r) override;
  // The arrows' and page areas' handler: a press steps and starts the repeat, a tick (code 0)
  // steps again, a release or a leave stops it.
  long OnButtonEvent(const IMMouseEvent& e);
  // The slider drag: a press on the slider starts it, the main window's moves drive it, any
  // left-button release or the window's leave ends it.
  virtual long OnSliderMouse(const IMMouseEvent& e);
  // Places the elements: the track's length between the arrows stands for max - min, measured
  // from min. While a repeat or a drag runs the slider keeps its place.
  virtual long Layout();

  int GetScrollPosition() const { return position_; }
  int GetMin() const { return min_; }
  int GetMax() const { return max_; }
  int GetPage() const { return page_; }
  IMButton* GetUpButton() const { return up_; }
  IMButton* GetDownButton() const { return down_; }
  IMButton* GetPageUpArea() const { return pageUp_; }
  IMButton* GetPageDownArea() const { return pageDown_; }
  IMButton* GetSlider() const { return slider_; }
  Picture* GetTrack() const { return track_; }
  std::uint32_t GetRepeatTimerId() const { return repeatTimerId_; }
  bool IsBusy() const { return active_.connected(); }

  ScrollSignalType ScrollSignal;

 private:
  // Ends a repeat or a drag: the connection, and the repeat's timer with it.
  void DropActive();
  // Starts a repeat of e's step after the given delay.
  void StartRepeat(const IMMouseEvent& e, std::uint32_t delayMs);
  // The length between the arrows, which stands for the range.
  int TrackLength() const;

  IMButton* up_ = nullptr;
  IMButton* down_ = nullptr;
  IMButton* pageUp_ = nullptr;
  IMButton* pageDown_ = nullptr;
  IMButton* slider_ = nullptr;
  Picture* track_ = nullptr;
  IMConnection active_;
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int page_ = 10;
  POINT dragOrigin_{0, 0};
  std::uint32_t repeatTimerId_ = 0;
  // The connections to the main window's signals; they must not outlive the bar.
  IMConnection windowLeave_;
  IMConnection windowButton_;
};
