#include "ui/frm_copy_sink.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>

#include "link/app_context.h"
#include "ui/page_edid.h"
#include "ui/widgets.h"

namespace vexlan {

frm_copy_sink::frm_copy_sink(app_context& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName("frm_copy_sink");
    setWindowTitle("Copy HDMI Sink EDID to...");
    auto* row = new QHBoxLayout(this);
    imgcbo_copy_sink_ = new QComboBox(this);
    imgcbo_copy_sink_->setObjectName("imgcbo_copy_sink");
    imgcbo_copy_sink_->setMinimumContentsLength(24);
    for (int i = 1; i <= 10; ++i) imgcbo_copy_sink_->addItem(edid_slot_picture(i + 11), QString());
    connect(imgcbo_copy_sink_, &QComboBox::activated, this, [this](int i) {
        if (!rendering_) select(i + 1);
    });
    row->addWidget(imgcbo_copy_sink_, 1);
    cmd_copy_ = new QPushButton("COPY", this);
    cmd_copy_->setObjectName("cmd_copy");
    connect(cmd_copy_, &QPushButton::clicked, this, [this] { copy_click(); });
    row->addWidget(cmd_copy_);
    render();
}

void frm_copy_sink::render() {
    const auto& P = ctx_.edid_page;
    rendering_ = true;
    QSignalBlocker block(imgcbo_copy_sink_);
    for (int i = 1; i <= 10; ++i) imgcbo_copy_sink_->setItemText(i - 1, latin1(edid_write_item(ctx_, i + 2)));
    imgcbo_copy_sink_->setCurrentIndex(P.copy_dialog_index - 1);
    const bool busy = edid_page_busy(ctx_);
    imgcbo_copy_sink_->setEnabled(!busy);
    cmd_copy_->setEnabled(!busy);
    rendering_ = false;
}

void frm_copy_sink::select(int item) {
    frm_copy_sink_select(ctx_, item);
    render();
}

void frm_copy_sink::copy_click() {
    cmd_copy_click(ctx_);
    render();
}

}  // namespace vexlan
