#pragma once

#include <cstdint>
#include <exception>

namespace bf {

// Thrown by every port operation whose system call fails; carries the (mapped) error code.
class CSerialException : public std::exception {
  public:
    // systemError: the errno behind the code, when there was one (it gives the message text).
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

// The code an errno value stands for: no such device 2 (also EIO, the mark of a device that went
// away), held by another program 5, an unreachable Bluetooth RFCOMM device 87; any other errno is kept.
std::uint32_t MapSystemError(int error);

// Throws a CSerialException with `code`, or with the current errno (mapped) when code is 0.
[[noreturn]] void ThrowSerialException(std::uint32_t code = 0);

} // namespace bf
