#include "serial/SystemPort.h"

#include "serial/CSerialPort.h"

namespace bf {

std::unique_ptr<Port> MakeSystemPort(const PortMap& map) {
    return std::make_unique<CSerialPort>(map);
}

} // namespace bf
