#include "serial/PortMap.h"

#include <gtest/gtest.h>

namespace bf {
namespace {

TEST(PortMapTest, DefaultsCoverTheFourDeviceFamilies) {
    PortMap map;
    EXPECT_EQ(map.DevicePath(1), "/dev/ttyS0");
    EXPECT_EQ(map.DevicePath(4), "/dev/ttyS3");
    EXPECT_EQ(map.DevicePath(5), "/dev/ttyUSB0");
    EXPECT_EQ(map.DevicePath(12), "/dev/ttyUSB7");
    EXPECT_EQ(map.DevicePath(13), "/dev/ttyACM0");
    EXPECT_EQ(map.DevicePath(20), "/dev/ttyACM7");
    EXPECT_EQ(map.DevicePath(21), "/dev/rfcomm0");
    EXPECT_EQ(map.DevicePath(28), "/dev/rfcomm7");
    EXPECT_EQ(map.DevicePath(0), "");
    EXPECT_EQ(map.DevicePath(29), "");
}

TEST(PortMapTest, OverridesReplaceSingleEntries) {
    PortMap map;
    map.Override(5, "/dev/serial/by-id/usb-adapter");
    map.Override(30, "/tmp/pty");
    EXPECT_EQ(map.DevicePath(5), "/dev/serial/by-id/usb-adapter");
    EXPECT_EQ(map.DevicePath(6), "/dev/ttyUSB1");
    EXPECT_EQ(map.DevicePath(30), "/tmp/pty");
}

} // namespace
} // namespace bf
