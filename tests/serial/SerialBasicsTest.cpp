#include "serial/CSerialException.h"
#include "serial/CSerialException_linux.h"
#include "serial/PortMap.h"
#include "serial/SerialTypes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

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

TEST(SerialExceptionTest, SystemErrorsMapOntoTheThreeCodes) {
    EXPECT_EQ(MapSystemError(ENOENT), kErrorPortMissing);
    EXPECT_EQ(MapSystemError(ENODEV), kErrorPortMissing);
    EXPECT_EQ(MapSystemError(ENXIO), kErrorPortMissing);
    EXPECT_EQ(MapSystemError(EIO), kErrorPortMissing) << "EIO is 5, which would read as busy";
    EXPECT_EQ(MapSystemError(EBUSY), kErrorPortBusy);
    EXPECT_EQ(MapSystemError(EWOULDBLOCK), kErrorPortBusy);
    EXPECT_EQ(MapSystemError(EHOSTDOWN), kErrorPortBluetooth);
    EXPECT_EQ(MapSystemError(EACCES), static_cast<std::uint32_t>(EACCES));
}

TEST(SerialExceptionTest, ThrowWithZeroTakesTheCurrentErrno) {
    errno = EBUSY;
    try {
        ThrowSerialException();
    } catch (const CSerialException& e) {
        EXPECT_EQ(e.m_errorCode, kErrorPortBusy);
        char text[128];
        EXPECT_TRUE(e.GetErrorMessage(text, sizeof text));
        EXPECT_STREQ(text, std::strerror(EBUSY));
    }
}

TEST(SerialExceptionTest, MappedCodesReadAsWhatTheyMean) {
    char text[128];
    unsigned help = 7;
    EXPECT_TRUE(CSerialException(kErrorPortBusy).GetErrorMessage(text, sizeof text, &help));
    EXPECT_STREQ(text, std::strerror(EBUSY));
    EXPECT_EQ(help, 0u);
    EXPECT_TRUE(CSerialException(kErrorPortMissing, ENODEV).GetErrorMessage(text, sizeof text));
    EXPECT_STREQ(text, std::strerror(ENODEV));
}

TEST(SerialExceptionTest, MessageIsCutToTheCapacityAndEmptyWithoutText) {
    char text[6];
    EXPECT_TRUE(CSerialException(EACCES).GetErrorMessage(text, sizeof text));
    EXPECT_EQ(std::strlen(text), 5u);
    EXPECT_EQ(std::strncmp(text, std::strerror(EACCES), 5), 0);
    char none[16] = "junk";
    EXPECT_FALSE(CSerialException(99999).GetErrorMessage(none, sizeof none));
    EXPECT_STREQ(none, "");
    EXPECT_STRNE(CSerialException(99999).what(), "");
}

} // namespace
} // namespace bf
