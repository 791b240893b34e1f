#pragma once

#include <cstdint>
#include <exception>

namespace bf {

// Thrown by every port operation whose system call fails; carries the (mapped) error code.
class CSerialException : public std::exception {
public:
    explicit CSerialException(std::uint32_t errorCode) : m_errorCode(errorCode) {}

    // The system's text for the code, cut to capacity - 1 characters. Returns false and an empty
    // buffer when the system has no text for it.
    bool GetErrorMessage(char* buffer, unsigned capacity, unsigned* helpContext = nullptr) const;
    const char* what() const noexcept override;

    std::uint32_t m_errorCode;
};

// Throws a CSerialException with `code`, or with the current errno (mapped) when code is 0.
[[noreturn]] void ThrowSerialException(std::uint32_t code = 0);

} // namespace bf
