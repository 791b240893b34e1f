#include "serial/CallTimeLimit_linux.h"

#include <algorithm>
#include <csignal>
#include <mutex>
#include <unistd.h>

namespace bf {

namespace {

constexpr long kRepeatNs = 5'000'000;

// A real-time signal nothing else in the program uses.
int LimitSignal() {
    return SIGRTMAX - 3;
}

void Ignore(int) {}

void PrepareSignal() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_handler = Ignore;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no SA_RESTART: the blocked call must return
        sigaction(LimitSignal(), &action, nullptr);
    });
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, LimitSignal());
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

timespec ToTimespec(std::chrono::nanoseconds ns) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(ns);
    return {static_cast<time_t>(seconds.count()), static_cast<long>((ns - seconds).count())};
}

} // namespace

CallTimeLimit::CallTimeLimit(std::chrono::milliseconds limit)
    : m_end(std::chrono::steady_clock::now() + limit) {
    PrepareSignal();
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = LimitSignal();
    event._sigev_un._tid = gettid(); // glibc 2.36 has no sigev_notify_thread_id name for it
    if (timer_create(CLOCK_MONOTONIC, &event, &m_timer) != 0)
        return;
    itimerspec when{};
    when.it_value = ToTimespec(std::max<std::chrono::nanoseconds>(limit, std::chrono::nanoseconds(1)));
    when.it_interval = {0, kRepeatNs};
    m_armed = timer_settime(m_timer, 0, &when, nullptr) == 0;
    if (!m_armed)
        timer_delete(m_timer);
}

CallTimeLimit::~CallTimeLimit() {
    if (m_armed)
        timer_delete(m_timer);
}

} // namespace bf
