#include "ui/discovery_list.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

#include "link/app_context.h"
#include "link/discovery.h"
#include "ui/widgets.h"

namespace vexlan {

discovery_list::discovery_list(app_context& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
    auto* dl = new QVBoxLayout(this);
    dl->setContentsMargins(0, 0, 0, 0);
    lstv_discovery_ = new QTreeWidget(this);
    lstv_discovery_->setObjectName("lstv_discovery");
    lstv_discovery_->setHeaderLabels({"IP", "MAC"});
    lstv_discovery_->setRootIsDecorated(false);
    lstv_discovery_->setUniformRowHeights(true);
    const auto px = [this](int twips) { return static_cast<int>(std::lround(twips * logicalDpiX() / 1440.0)); };
    lstv_discovery_->setColumnWidth(0, px(2300));
    lstv_discovery_->setColumnWidth(1, px(2900));
    lstv_discovery_->setMinimumHeight(fontMetrics().height() * 6);
    connect(lstv_discovery_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        lstv_discovery_dbl_click(ctx_, lstv_discovery_->indexOfTopLevelItem(item));
    });
    dl->addWidget(lstv_discovery_);
    auto* hint = new QLabel("Double click on selected IP to connect Ethernet.", this);
    dl->addWidget(hint);
    lab_discovery_error_ = new QLabel(this);
    lab_discovery_error_->setObjectName("lab_discovery_error");
    lab_discovery_error_->setTextFormat(Qt::PlainText);
    lab_discovery_error_->setWordWrap(true);
    dl->addWidget(lab_discovery_error_);
    ctx_.discovery.on_change = [this] { render(); };
    render();
}

discovery_list::~discovery_list() { ctx_.discovery.on_change = nullptr; }

void discovery_list::render() {
    const auto& D = ctx_.discovery;
    if (lstv_discovery_->topLevelItemCount() > static_cast<int>(D.rows.size())) lstv_discovery_->clear();
    for (int i = lstv_discovery_->topLevelItemCount(); i < static_cast<int>(D.rows.size()); ++i) {
        const auto& r = D.rows[static_cast<std::size_t>(i)];
        auto* item = new QTreeWidgetItem({latin1(r.ip), latin1(r.mac)});
        item->setToolTip(0, latin1(r.name));
        lstv_discovery_->addTopLevelItem(item);
    }
    render_label(lab_discovery_error_, D.lab_discovery_error);
}

}  // namespace vexlan
