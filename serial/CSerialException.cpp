#include "serial/CSerialException.h"

#include <cstdio>

namespace bf {

namespace {
constexpr char kNoText[] = "serial port error %u";
} // namespace

CSerialException::CSerialException(std::uint32_t errorCode, int systemError)
    : m_errorCode(errorCode), m_systemError(systemError) {
    if (!GetErrorMessage(m_what, sizeof m_what))
        std::snprintf(m_what, sizeof m_what, kNoText, static_cast<unsigned>(m_errorCode));
}

const char* CSerialException::what() const noexcept {
    return m_what;
}

} // namespace bf
