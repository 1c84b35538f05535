#pragma once
// The one thread-safe FIFO behind the platform's message functions.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "framework/platform/platform.h"

namespace platform {

class MessageQueue {
 public:
  void Post(const Message& message);
  void PostQuit(int exitCode);
  bool Peek(Message* out);
  // True when a message (or the quit) is ready before the timeout.
  bool Wait(std::chrono::milliseconds timeout);
  // Until a message (or the quit) is ready.
  void Wait();
  bool Empty() const;
  // Drops everything, the quit request included (tests start from a clean queue).
  void Clear();

  static MessageQueue& Instance();

 private:
  mutable std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Message> messages_;
  bool quitPending_ = false;
  int quitCode_ = 0;
};

}  // namespace platform
