#pragma once

#include <cstdint>
#include <exception>

namespace bf {

// Thrown by every port operation whose system call fails; carries the error code the operations
// tell apart (2 no such port, 5 held by another program, 87 an unreachable Bluetooth device, or
// the system's own number).
class CSerialException : public std::exception {
  public:
    // systemError: the system's own error number behind the code, when it differs (it gives the
    // message text).
    explicit CSerialException(std::uint32_t errorCode, int systemError = 0);

    // The system's text for the code, cut to capacity - 1 characters. Returns false and an empty
    // buffer when the system has no text for it.
    bool GetErrorMessage(char* buffer, unsigned capacity, unsigned* helpContext = nullptr) const;
    const char* what() const noexcept override;

    std::uint32_t m_errorCode;
    int m_systemError = 0;

  private:
    char m_what[96] = {};
};

// Throws a CSerialException with `code`, or with the system's last error when code is 0.
[[noreturn]] void ThrowSerialException(std::uint32_t code = 0);

} // namespace bf
