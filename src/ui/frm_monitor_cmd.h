// The command terminal window "Vexlan Command Monitor" and the eye symbol of the main window
// that opens and closes it.
#pragma once

#include <QLabel>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vexlan {

struct app_context;

// The eye symbol lab_monitor_eye_cmd: drawn as an outline, filled for 0.1 s after a click.
class eye_symbol : public QLabel {
    Q_OBJECT
public:
    explicit eye_symbol(QWidget* parent = nullptr);
    QSize sizeHint() const override;
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    bool filled_ = false;
};

class frm_monitor_cmd : public QWidget {
    Q_OBJECT
public:
    frm_monitor_cmd(app_context& ctx, QWidget* main_window);
    ~frm_monitor_cmd() override;

    // Opens the window beside the main window (core state first), or closes it.
    void open_beside_main();
    void render();
    void render_text();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    app_context& ctx_;
    QWidget* main_window_;
    QPlainTextEdit* rtxt_monitor_ = nullptr;
    QLineEdit* txt_tx_str_ = nullptr;
    QPushButton* cmd_tx_str_ = nullptr;
    QPushButton* cmd_clear_ = nullptr;
    QPushButton* cmd_pause_ = nullptr;
    QCheckBox* chk_time_stamps_ = nullptr;
    QPushButton* cmd_log_file_ = nullptr;
    QPushButton* cmd_copy_ = nullptr;
    QLabel* lab_log_ = nullptr;
    std::size_t shown_ = 0;  // term_text characters on the display
};

}  // namespace vexlan
