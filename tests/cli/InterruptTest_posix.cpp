// SIGINT, SIGTERM and SIGHUP as the command line's closing request, and SIGPIPE left harmless.
#include "cli/Interrupt.h"

#include <gtest/gtest.h>

#include <csignal>

namespace bf::cli {
namespace {

void (*HandlerOf(int signal))(int) {
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

TEST(InterruptPosix, FirstSignalSetsTheFlagAndASecondOneEndsTheProgram) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        SetInterruptRequested(false);
        InstallInterruptHandlers();
        std::raise(signal);
        EXPECT_TRUE(InterruptRequested());
        EXPECT_EQ(HandlerOf(signal), SIG_DFL); // the next one takes the usual way
    }
    EXPECT_EQ(HandlerOf(SIGPIPE), SIG_IGN);
    std::signal(SIGPIPE, SIG_DFL);
    SetInterruptRequested(false);
}

} // namespace
} // namespace bf::cli
