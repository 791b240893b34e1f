#include "serial/CSerialException_linux.h"
#include "serial/CSerialException.h"

#include "serial/SerialTypes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace bf {

namespace {

// The errno whose text describes a code: the mapped codes read as what they mean on this system.
int TextErrnoForCode(std::uint32_t code) {
    switch (code) {
    case kErrorPortMissing:
        return ENOENT;
    case kErrorPortBusy:
        return EBUSY;
    case kErrorPortBluetooth:
        return EHOSTDOWN;
    default:
        return static_cast<int>(code);
    }
}

// The system's description of an errno, or null when it has none.
const char* SystemText(int error) {
    return error > 0 ? strerrordesc_np(error) : nullptr;
}

} // namespace

std::uint32_t MapSystemError(int error) {
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO: // a device that vanished; its errno value would otherwise read as the busy code 5
        return kErrorPortMissing;
    case EBUSY:
    case EWOULDBLOCK:
        return kErrorPortBusy;
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ECONNREFUSED:
        return kErrorPortBluetooth;
    default:
        return static_cast<std::uint32_t>(error);
    }
}

bool CSerialException::GetErrorMessage(char* buffer, unsigned capacity, unsigned* helpContext) const {
    if (helpContext)
        *helpContext = 0;
    const char* text = SystemText(m_systemError ? m_systemError : TextErrnoForCode(m_errorCode));
    if (capacity == 0)
        return text != nullptr;
    if (!text) {
        buffer[0] = '\0';
        return false;
    }
    std::snprintf(buffer, capacity, "%s", text);
    return true;
}

void ThrowSerialException(std::uint32_t code) {
    if (code != 0)
        throw CSerialException(code);
    const int error = errno;
    throw CSerialException(MapSystemError(error), error);
}

} // namespace bf
