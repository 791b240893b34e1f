#include "serial/CSerialException.h"
#include "serial/CSerialException_linux.h"
#include "serial/SerialTypes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace bf {
namespace {

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
