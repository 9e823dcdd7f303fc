#include "platform/serial_ports.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <cctype>

namespace vexlan {

namespace {

int group_of(const std::string& device) {
    static const char* prefixes[] = {"/dev/ttyUSB", "/dev/ttyACM", "/dev/ttyS"};
    for (int i = 0; i < 3; ++i) {
        const std::string p = prefixes[i];
        if (device.compare(0, p.size(), p) == 0 && device.size() > p.size() &&
            std::isdigit(static_cast<unsigned char>(device[p.size()])))
            return i;
    }
    return 3;
}

// The device path without its trailing digits, and the value of those digits (-1 without).
std::pair<std::string, long> split_number(const std::string& device) {
    std::size_t n = device.size();
    while (n > 0 && std::isdigit(static_cast<unsigned char>(device[n - 1]))) --n;
    if (n == device.size() || device.size() - n > 9) return {device, -1};
    return {device.substr(0, n), std::stol(device.substr(n))};
}

}  // namespace

bool serial_device_less(const std::string& a, const std::string& b) {
    const int ga = group_of(a), gb = group_of(b);
    if (ga != gb) return ga < gb;
    const auto [sa, na] = split_number(a);
    const auto [sb, nb] = split_number(b);
    if (sa != sb) return sa < sb;
    if (na != nb) return na < nb;
    return a < b;
}

std::vector<serial_port_entry> serial_ports_list(const std::string& given_device) {
    std::vector<serial_port_entry> found;
    for (const auto& info : QSerialPortInfo::availablePorts()) {
        serial_port_entry e;
        e.device = info.systemLocation().toStdString();
        if (e.device == given_device) continue;
        e.description = info.description().toStdString();
        e.manufacturer = info.manufacturer().toStdString();
        e.serial_number = info.serialNumber().toStdString();
        if (info.hasVendorIdentifier()) e.vendor_id = info.vendorIdentifier();
        if (info.hasProductIdentifier()) e.product_id = info.productIdentifier();
        found.push_back(std::move(e));
    }
    std::sort(found.begin(), found.end(),
              [](const serial_port_entry& a, const serial_port_entry& b) { return serial_device_less(a.device, b.device); });
    if (!given_device.empty()) {
        serial_port_entry e;
        e.device = given_device;
        e.description = "given by --serial-device / VEXLAN_SERIAL_DEVICE";
        e.given = true;
        found.insert(found.begin(), std::move(e));
    }
    return found;
}

}  // namespace vexlan
