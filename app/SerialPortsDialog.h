#pragma once

#include "serial/PortInventory.h"
#include "serial/PortMap.h"

#include <QDialog>
#include <vector>

class QTableWidget;

namespace bf {

// Lists COM1 to COM28: the mapped device, whether it is there, what it is, whether this user may
// open it and, if not, how to fix the permission.
class SerialPortsDialog final : public QDialog {
  public:
    SerialPortsDialog(const PortMap& map, QWidget* parent = nullptr);
    void Show(const std::vector<PortEntry>& entries);
    // Takes the inventory anew.
    void Refresh();

  private:
    PortMap m_map;
    QTableWidget* m_table;
};

} // namespace bf
