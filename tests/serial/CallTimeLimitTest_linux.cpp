#include "serial/CallTimeLimit_linux.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace bf {
namespace {

// A pipe whose read blocks as a drain on a stalled line does. Should nothing else end a read, a
// helper writes a byte after `rescueAfter`, so that a broken limit fails the test instead of
// hanging it.
class BlockingPipe {
  public:
    explicit BlockingPipe(std::chrono::milliseconds rescueAfter) {
        if (pipe(m_fds) != 0)
            throw std::runtime_error("pipe");
        m_helper = std::thread([this, rescueAfter] {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!m_done.wait_for(lock, rescueAfter, [this] { return m_finished; }))
                (void)!write(m_fds[1], "x", 1);
        });
    }
    ~BlockingPipe() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_helper.join();
        close(m_fds[0]);
        close(m_fds[1]);
    }
    // The result of one read, and its errno.
    std::pair<ssize_t, int> Read() {
        char byte = 0;
        const ssize_t got = read(m_fds[0], &byte, 1);
        return {got, errno};
    }

  private:
    int m_fds[2] = {-1, -1};
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_helper;
};

TEST(CallTimeLimit, EndsABlockedCallOnceTheLimitHasPassed) {
    BlockingPipe pipe(std::chrono::seconds(5));
    const CallTimeLimit limit(std::chrono::milliseconds(500));
    EXPECT_FALSE(limit.Passed());
    const auto [got, error] = pipe.Read();
    EXPECT_EQ(got, -1);
    EXPECT_EQ(error, EINTR);
    EXPECT_TRUE(limit.Passed());
}

TEST(CallTimeLimit, InterruptsNothingOnceItIsGone) {
    { const CallTimeLimit limit(std::chrono::milliseconds(1)); }
    BlockingPipe pipe(std::chrono::milliseconds(30));
    EXPECT_EQ(pipe.Read().first, 1) << "the read ran until the byte came";
}

} // namespace
} // namespace bf
