// The device probe of --wait: whether a device opens, without keeping it open.
#include "cli/DeviceWait.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

namespace bf::cli {
namespace {

TEST(DeviceWaitPosix, ADeviceOpensOrNotAndIsClosedAgain) {
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto before = openFiles();
    for (int look = 0; look < 5; ++look) {
        EXPECT_TRUE(DeviceOpens("/dev/null"));
        EXPECT_FALSE(DeviceOpens("/dev/no-such-device"));
    }
    EXPECT_EQ(openFiles(), before) << "a look left the device open";
}

} // namespace
} // namespace bf::cli
