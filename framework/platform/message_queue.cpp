#include "framework/platform/message_queue.h"

#include <map>

#include "framework/platform/backend.h"
#include "framework/platform/system_window.h"

namespace platform {

void MessageQueue::Post(const Message& message) {
  {
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
  }
  ready_.notify_all();
}

void MessageQueue::PostQuit(int exitCode) {
  {
    std::lock_guard lock(mutex_);
    quitPending_ = true;
    quitCode_ = exitCode;
  }
  ready_.notify_all();
}

bool MessageQueue::Peek(Message* out) {
  std::lock_guard lock(mutex_);
  if (!messages_.empty()) {
    *out = messages_.front();
    messages_.pop_front();
    return true;
  }
  if (quitPending_) {
    quitPending_ = false;
    *out = Message{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode_), 0};
    return true;
  }
  return false;
}

bool MessageQueue::Wait(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return ready_.wait_for(lock, timeout, [this] { return !messages_.empty() || quitPending_; });
}

void MessageQueue::Wait() {
  std::unique_lock lock(mutex_);
  ready_.wait(lock, [this] { return !messages_.empty() || quitPending_; });
}

bool MessageQueue::Empty() const {
  std::lock_guard lock(mutex_);
  return messages_.empty() && !quitPending_;
}

void MessageQueue::Clear() {
  std::lock_guard lock(mutex_);
  messages_.clear();
  quitPending_ = false;
  quitCode_ = 0;
}

MessageQueue& MessageQueue::Instance() {
  static MessageQueue queue;
  return queue;
}

void PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // Posts to a window that is gone are dropped, as a worker thread may still post late.
  if (hwnd && !IsWindow(hwnd)) return;
  MessageQueue::Instance().Post(Message{hwnd, message, wParam, lParam});
  backend::WakeUp();
}

void PostQuitMessage(int exitCode) {
  MessageQueue::Instance().PostQuit(exitCode);
  backend::WakeUp();
}

UINT RegisterWindowMessage(const std::wstring& name) {
  // The sound messages have fixed numbers of our own, the same in every run.
  static const std::map<std::wstring, UINT> fixed{
      {L"WM_IM_ONSOUNDPLAY", WM_REGISTERED_FIRST},
      {L"WM_IM_ONSOUNDPOUSE", WM_REGISTERED_FIRST + 1},
      {L"WM_IM_ONSOUNDSTOP", WM_REGISTERED_FIRST + 2},
      {L"WM_IM_ONLABEL", WM_REGISTERED_FIRST + 3},
      {L"WM_IM_ONSOUNDDEVICELOST", WM_REGISTERED_FIRST + 4},
  };
  static std::mutex mutex;
  static std::map<std::wstring, UINT> registered;
  std::lock_guard lock(mutex);
  if (name.empty()) return 0;
  if (auto known = fixed.find(name); known != fixed.end()) return known->second;
  auto found = registered.find(name);
  if (found != registered.end()) return found->second;
  UINT next = WM_REGISTERED_FIRST + static_cast<UINT>(fixed.size() + registered.size());
  if (next > WM_REGISTERED_LAST) return 0;
  registered.emplace(name, next);
  return next;
}

}  // namespace platform
