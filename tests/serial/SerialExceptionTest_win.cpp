#include "serial/CSerialException.h"
#include "serial/SerialTypes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

namespace bf {
namespace {

// What the system itself says for a code, in its default language, as FormatMessageA gives it.
std::string SystemSays(DWORD code) {
    char text[512] = {};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT), text, sizeof text, nullptr);
    return std::string(text, length);
}

std::string MessageOf(const CSerialException& e) {
    char text[512];
    EXPECT_TRUE(e.GetErrorMessage(text, sizeof text));
    return text;
}

TEST(SerialExceptionTest, ThrowWithZeroTakesTheLastErrorUnchanged) {
    for (DWORD error : {DWORD{ERROR_FILE_NOT_FOUND}, DWORD{ERROR_ACCESS_DENIED},
                        DWORD{ERROR_INVALID_PARAMETER}, DWORD{ERROR_GEN_FAILURE}}) {
        SetLastError(error);
        try {
            ThrowSerialException();
            ADD_FAILURE() << "nothing thrown";
        } catch (const CSerialException& e) {
            EXPECT_EQ(e.m_errorCode, error);
        }
    }
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, kErrorPortMissing);
    EXPECT_EQ(ERROR_ACCESS_DENIED, kErrorPortBusy);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, kErrorPortBluetooth);
}

TEST(SerialExceptionTest, AGivenCodeIsKeptWhateverTheLastError) {
    SetLastError(ERROR_ACCESS_DENIED);
    try {
        ThrowSerialException(kErrorPortBluetooth);
        ADD_FAILURE() << "nothing thrown";
    } catch (const CSerialException& e) {
        EXPECT_EQ(e.m_errorCode, kErrorPortBluetooth);
    }
}

TEST(SerialExceptionTest, MessageIsTheSystemTextWithoutItsLineEnd) {
    for (DWORD code :
         {DWORD{ERROR_FILE_NOT_FOUND}, DWORD{ERROR_ACCESS_DENIED}, DWORD{ERROR_INVALID_PARAMETER}}) {
        const std::string said = SystemSays(code);
        ASSERT_GE(said.size(), 2u);
        ASSERT_EQ(said.substr(said.size() - 2), "\r\n") << "the system ends its texts with a line end";
        const std::string message = MessageOf(CSerialException(code));
        EXPECT_EQ(message, said.substr(0, said.size() - 2)) << "code " << code;
        EXPECT_STREQ(CSerialException(code).what(), message.c_str());
    }
}

TEST(SerialExceptionTest, MessageIsCutToTheCapacityAndEmptyWithoutText) {
    const std::string full = MessageOf(CSerialException(ERROR_ACCESS_DENIED));
    char text[6];
    unsigned help = 7;
    EXPECT_TRUE(CSerialException(ERROR_ACCESS_DENIED).GetErrorMessage(text, sizeof text, &help));
    EXPECT_EQ(std::string(text), full.substr(0, 5));
    EXPECT_EQ(help, 0u);
    EXPECT_TRUE(CSerialException(ERROR_ACCESS_DENIED).GetErrorMessage(text, 0)) << "a text exists";

    constexpr std::uint32_t kNoSuchCode = 0x2000FFFF; // customer bit set: the system has no text
    ASSERT_TRUE(SystemSays(kNoSuchCode).empty());
    char none[16] = "junk";
    EXPECT_FALSE(CSerialException(kNoSuchCode).GetErrorMessage(none, sizeof none));
    EXPECT_STREQ(none, "");
    EXPECT_FALSE(CSerialException(kNoSuchCode).GetErrorMessage(none, 0));
    EXPECT_STRNE(CSerialException(kNoSuchCode).what(), "");
}

} // namespace
} // namespace bf
