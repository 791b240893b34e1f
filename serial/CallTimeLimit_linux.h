#pragma once

#include <chrono>
#include <ctime>

namespace bf {

// Puts a time limit on a blocking system call of the calling thread that a signal interrupts:
// tcdrain, and the wait for output in the last close of a terminal. Once the limit has passed, a
// timer signals this thread every few milliseconds; the handler does nothing and is installed
// without SA_RESTART, so the call returns with EINTR. The repeats also catch a call entered just
// after a signal. Without a timer (the system refused one) the call runs without a limit.
class CallTimeLimit {
  public:
    explicit CallTimeLimit(std::chrono::milliseconds limit);
    ~CallTimeLimit();
    CallTimeLimit(const CallTimeLimit&) = delete;
    CallTimeLimit& operator=(const CallTimeLimit&) = delete;

    bool Passed() const { return std::chrono::steady_clock::now() >= m_end; }

  private:
    std::chrono::steady_clock::time_point m_end;
    timer_t m_timer{};
    bool m_armed = false;
};

} // namespace bf
