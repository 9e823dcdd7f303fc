// Page 6, CEC: the ten stored messages with their Send buttons and the unit's CEC log.
#pragma once

#include <QFrame>
#include <array>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vexlan {

struct app_context;

class page_cec : public QFrame {
    Q_OBJECT
public:
    page_cec(app_context& ctx, QWidget* parent = nullptr);
    ~page_cec() override;
    void render();

private:
    app_context& ctx_;
    std::array<QLineEdit*, 10> txt_cec_tx_msg_{};
    std::array<QPushButton*, 10> cmd_cec_tx_send_{};
    QPushButton* cmd_cec_data_type_ = nullptr;
    QPushButton* cmd_cec_clear_ = nullptr;
    QPlainTextEdit* txt_cec_monitor_log_ = nullptr;
};

}  // namespace vexlan
