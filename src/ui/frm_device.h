// "Device Manager": the serial ports of this machine, with the "COMn:" entry that opens each.
#pragma once

#include <QDialog>
#include <functional>

class QTableWidget;

namespace vexlan {

class serial_port_map;

class frm_device : public QDialog {
    Q_OBJECT
public:
    frm_device(serial_port_map& map, QWidget* parent = nullptr);
    // Lists the ports again (the map is refreshed first).
    void reload();
    // Called after a reload so the owner can update its port list.
    std::function<void()> on_reloaded;

private:
    serial_port_map& map_;
    QTableWidget* table_;
};

}  // namespace vexlan
