// The serial ports of this machine and which one each "COMn:" entry opens.
//
// The list is in a stable order: a device given by the operator (--serial-device or
// VEXLAN_SERIAL_DEVICE, e.g. a pseudo-terminal) first, then /dev/ttyUSB*, /dev/ttyACM*, /dev/ttyS*
// and any others, each group in numeric order. "COM1:" opens the first entry, "COM2:" the second,
// and so on; a number beyond the list opens nothing.
#pragma once

#include <string>
#include <vector>

namespace vexlan {

struct serial_port_entry {
    std::string device;         // /dev/ttyUSB0
    std::string description;
    std::string manufacturer;
    std::string serial_number;
    int vendor_id = -1;         // USB ids, -1 when unknown
    int product_id = -1;
    bool given = false;         // named by the operator, not found by the listing
};

// Orders device paths: the groups above, then natural order of the trailing number.
bool serial_device_less(const std::string& a, const std::string& b);

// The ports found now (QSerialPortInfo), with `given_device` first when it is not empty.
std::vector<serial_port_entry> serial_ports_list(const std::string& given_device);

class serial_port_map {
public:
    explicit serial_port_map(std::string given_device = {}) : given_(std::move(given_device)) { refresh(); }
    void refresh() { entries_ = serial_ports_list(given_); }
    const std::vector<serial_port_entry>& entries() const { return entries_; }
    // The device that "COMn:" opens, or "" when there is none.
    std::string device_for(int com_port) const {
        if (com_port < 1 || static_cast<std::size_t>(com_port) > entries_.size()) return {};
        return entries_[static_cast<std::size_t>(com_port - 1)].device;
    }
    const std::string& given_device() const { return given_; }

private:
    std::string given_;
    std::vector<serial_port_entry> entries_;
};

}  // namespace vexlan
