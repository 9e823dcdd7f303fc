#include "ui/frm_device.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "link/main_view.h"
#include "platform/serial_ports.h"

namespace vexlan {

namespace {

QString usb_id(int id) { return id < 0 ? QString() : QString("%1").arg(id, 4, 16, QChar('0')).toUpper(); }

}  // namespace

frm_device::frm_device(serial_port_map& map, QWidget* parent) : QDialog(parent), map_(map) {
    setObjectName("frm_device");
    setWindowTitle(QString(app_title) + " - Device Manager");
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel("Serial ports of this computer. \"COMn:\" in the port list opens the n-th port below.", this);
    note->setWordWrap(true);
    layout->addWidget(note);
    table_ = new QTableWidget(0, 7, this);
    table_->setObjectName("tbl_serial_ports");
    table_->setHorizontalHeaderLabels(
        {"Port", "Device", "Description", "Manufacturer", "Serial number", "Vendor ID", "Product ID"});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* again = buttons->addButton("Refresh", QDialogButtonBox::ActionRole);
    connect(again, &QPushButton::clicked, this, &frm_device::reload);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    layout->addWidget(buttons);
    resize(fontMetrics().averageCharWidth() * 110, fontMetrics().height() * 18);
}

void frm_device::reload() {
    map_.refresh();
    const auto& entries = map_.entries();
    table_->setRowCount(static_cast<int>(entries.size()));
    for (int r = 0; r < static_cast<int>(entries.size()); ++r) {
        const auto& e = entries[static_cast<std::size_t>(r)];
        const QString cells[] = {r < 16 ? QString("COM%1:").arg(r + 1) : QString("-"),
                                 QString::fromStdString(e.device),
                                 QString::fromStdString(e.description),
                                 QString::fromStdString(e.manufacturer),
                                 QString::fromStdString(e.serial_number),
                                 usb_id(e.vendor_id),
                                 usb_id(e.product_id)};
        for (int c = 0; c < 7; ++c) table_->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    if (entries.empty()) {
        table_->setRowCount(1);
        table_->setItem(0, 0, new QTableWidgetItem("-"));
        table_->setItem(0, 2, new QTableWidgetItem("No serial port found"));
    }
    table_->resizeColumnsToContents();
    if (on_reloaded) on_reloaded();
}

}  // namespace vexlan
