#include "ui/frm_rx_edid.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "link/app_context.h"
#include "ui/page_edid.h"
#include "ui/widgets.h"

namespace vexlan {

frm_rx_edid::frm_rx_edid(app_context& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName("frm_rx_edid");
    setWindowTitle("Rx EDID Select from...");
    auto* root = new QVBoxLayout(this);
    imgcbo_rx_edid_ = new QComboBox(this);
    imgcbo_rx_edid_->setObjectName("imgcbo_rx_edid");
    imgcbo_rx_edid_->setMinimumContentsLength(24);
    for (int i = 1; i <= edid_rx_item_count; ++i) imgcbo_rx_edid_->addItem(edid_slot_picture(i), QString());
    connect(imgcbo_rx_edid_, &QComboBox::activated, this, [this](int i) {
        if (!rendering_) choose(i + 1);
    });
    root->addWidget(imgcbo_rx_edid_);
    render();
}

void frm_rx_edid::render() {
    const auto& P = ctx_.edid_page;
    rendering_ = true;
    QSignalBlocker block(imgcbo_rx_edid_);
    // item 1 the sink, items 2..21 the READ list's items 3..22
    imgcbo_rx_edid_->setItemText(0, "HDMI Sink");
    for (int i = 2; i <= edid_rx_item_count; ++i) imgcbo_rx_edid_->setItemText(i - 1, latin1(edid_read_item(ctx_, i + 1)));
    imgcbo_rx_edid_->setCurrentIndex(P.rx_dialog_index - 1);
    imgcbo_rx_edid_->setEnabled(!edid_page_busy(ctx_));
    rendering_ = false;
}

void frm_rx_edid::choose(int item) {
    frm_rx_edid_choose(ctx_, item);
    render();
}

}  // namespace vexlan
