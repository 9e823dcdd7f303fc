#include "ui/frm_diag.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "link/app_context.h"

namespace vexlan {

frm_diag::frm_diag(app_context& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName("frm_diag");
    setWindowTitle("EDID");
    auto* root = new QVBoxLayout(this);
    auto* frame = new QGroupBox("HEX Type", this);
    frame->setObjectName("fra_save_hex");
    auto* fl = new QVBoxLayout(frame);
    const char* captions[2] = {"save simple-type HEX", "save C-language-type HEX"};
    for (int i = 0; i < 2; ++i) {
        opt_hex_type_[i] = new QRadioButton(captions[i], frame);
        opt_hex_type_[i]->setObjectName(QString("opt_hex_type_%1").arg(i));
        fl->addWidget(opt_hex_type_[i]);
    }
    // the option the page set up when it opened the chooser (the simple type each time)
    opt_hex_type_[ctx_.edid_page.opt_hex_type == 1 ? 1 : 0]->setChecked(true);
    root->addWidget(frame);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("cmd_ok");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { ok_click(); });
    root->addWidget(ok, 0, Qt::AlignRight);
}

void frm_diag::ok_click() {
    frm_diag_ok(ctx_, opt_hex_type_[1]->isChecked() ? 1 : 0);
    accept();
}

}  // namespace vexlan
