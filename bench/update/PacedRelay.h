#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace bf::bench {

// A serial line between the program and brenvaldor-sim that takes as long as a real one: in each
// direction a byte arrives only after its wire time (11 bits at the rate the program set on its
// end), one byte after the other. A burst is handed over when its last byte has arrived, which is
// when the receiver can act on it.
class PacedRelay {
  public:
    explicit PacedRelay(const std::string& simPath);
    ~PacedRelay();
    PacedRelay(const PacedRelay&) = delete;
    PacedRelay& operator=(const PacedRelay&) = delete;

    // The terminal the program opens.
    const std::string& Path() const { return m_path; }

  private:
    struct Direction;
    void Run();

    int m_master = -1;
    int m_keepOpen = -1; // our own descriptor on the terminal, so the master never hangs up
    int m_sim = -1;
    std::string m_path;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace bf::bench
