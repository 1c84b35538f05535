#pragma once
// Signals of the control tree. Everything lives on the GUI thread, so no locking; a signal
// returns its last handler's value. Handlers bound with boost::bind to a trackable control
// are cut automatically when the control dies, which is why connect functions take
// slot_type rather than std::function.

#include <functional>

#include <boost/function.hpp>
#include <boost/signals2/signal.hpp>
#include <boost/signals2/dummy_mutex.hpp>
#include <boost/signals2/trackable.hpp>

template <typename T>
struct IMLastValue {
  using result_type = T;
  template <typename It>
  T operator()(It first, It last) const {
    T value{};
    for (; first != last; ++first) value = *first;
    return value;
  }
};

template <typename Event>
using IMSignal = boost::signals2::signal<long(const Event&), IMLastValue<long>, int, std::less<int>,
                                         boost::function<long(const Event&)>,
                                         boost::function<long(const boost::signals2::connection&, const Event&)>,
                                         boost::signals2::dummy_mutex>;

using IMConnection = boost::signals2::connection;
using IMTrackable = boost::signals2::trackable;

// Fires only when somebody listens: building the event costs nothing otherwise.
template <typename Signal, typename Event>
inline long IMFire(Signal& signal, const Event& event) {
  if (signal.empty()) return 0;
  return signal(event);
}
