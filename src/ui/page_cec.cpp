#include "ui/page_cec.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "cable_cec/cec.h"
#include "link/app_context.h"
#include "ui/widgets.h"

namespace vexlan {

page_cec::page_cec(app_context& ctx, QWidget* parent) : QFrame(parent), ctx_(ctx) {
    setFrameShape(QFrame::StyledPanel);
    auto* root = new QHBoxLayout(this);

    auto* tx = new QGroupBox("CEC Tx Message", this);
    auto* grid = new QGridLayout(tx);
    cmd_cec_data_type_ = new QPushButton(tx);
    cmd_cec_data_type_->setObjectName("cmd_cec_data_type");
    grid->addWidget(cmd_cec_data_type_, 0, 0);
    for (int i = 0; i < cec_msg_count; ++i) {
        auto* box = new QLineEdit(tx);
        box->setObjectName(QString("txt_cec_tx_msg_%1").arg(i));
        box->setMaxLength(static_cast<int>(cec_msg_max));
        box->setMinimumWidth(fontMetrics().averageCharWidth() * 36);
        connect(box, &QLineEdit::textEdited, this, [this, i](const QString& t) {
            ctx_.cec.txt_cec_tx_msg[static_cast<std::size_t>(i)].caption = latin1(t);
        });
        auto* send = new QPushButton(tx);
        send->setObjectName(QString("cmd_cec_tx_send_%1").arg(i));
        connect(send, &QPushButton::clicked, this, [this, i] { cmd_cec_tx_send_click(ctx_, i); });
        txt_cec_tx_msg_[static_cast<std::size_t>(i)] = box;
        cmd_cec_tx_send_[static_cast<std::size_t>(i)] = send;
        grid->addWidget(box, i + 1, 0);
        grid->addWidget(send, i + 1, 1);
    }
    grid->setRowStretch(cec_msg_count + 1, 1);
    root->addWidget(tx, 3);

    auto* log = new QGroupBox("CEC Monitor", this);
    auto* ll = new QVBoxLayout(log);
    txt_cec_monitor_log_ = new QPlainTextEdit(log);
    txt_cec_monitor_log_->setObjectName("txt_cec_monitor_log");
    txt_cec_monitor_log_->setReadOnly(true);
    txt_cec_monitor_log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    txt_cec_monitor_log_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ll->addWidget(txt_cec_monitor_log_, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    cmd_cec_clear_ = new QPushButton(log);
    cmd_cec_clear_->setObjectName("cmd_cec_clear");
    connect(cmd_cec_clear_, &QPushButton::clicked, this, [this] { cmd_cec_clear_click(ctx_); });
    row->addWidget(cmd_cec_clear_);
    ll->addLayout(row);
    root->addWidget(log, 4);

    ctx_.cec.on_change = [this] { render(); };
    render();
}

page_cec::~page_cec() { ctx_.cec.on_change = nullptr; }

void page_cec::render() {
    const auto& S = ctx_.cec;
    for (std::size_t i = 0; i < txt_cec_tx_msg_.size(); ++i) {
        auto* box = txt_cec_tx_msg_[i];
        const QString text = latin1(S.txt_cec_tx_msg[i].caption);
        if (box->text() != text) box->setText(text);
        render_common(box, S.txt_cec_tx_msg[i]);
        render_button(cmd_cec_tx_send_[i], S.cmd_cec_tx_send[i]);
    }
    render_button(cmd_cec_data_type_, S.cmd_cec_data_type);
    render_button(cmd_cec_clear_, S.cmd_cec_clear);
    QString log = latin1(S.txt_cec_monitor_log);
    log.replace("\r\n", "\n");
    if (log.endsWith('\n')) log.chop(1);
    if (txt_cec_monitor_log_->toPlainText() != log) txt_cec_monitor_log_->setPlainText(log);
}

}  // namespace vexlan
