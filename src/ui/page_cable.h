// Page 5, the cable test: renders the core's cable_state and forwards the operator's events.
#pragma once

#include <QFrame>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace vexlan {

struct app_context;
class clickable_label;

class page_cable : public QFrame {
    Q_OBJECT
public:
    page_cable(app_context& ctx, QWidget* parent = nullptr);
    ~page_cable() override;
    void render();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    int twips_to_px(int twips) const;
    int px_to_twips(int px) const;

    app_context& ctx_;
    bool rendering_ = false;
    QComboBox* cbo_cable_time_ = nullptr;
    QPushButton* cmd_cable_level_ = nullptr;
    QLabel* lab_cable_level_ = nullptr;
    QFrame* sha_cable_start_ = nullptr;
    QFrame* sha_cable_stop_ = nullptr;
    clickable_label* lab_cable_start_ = nullptr;
    clickable_label* lab_cable_stop_ = nullptr;
    QLabel* lab_cable_time_ = nullptr;
    QLabel* lab_cable_day_ = nullptr;
    QLabel* lab_cable_hour_ = nullptr;
    QLabel* lab_cable_minute_ = nullptr;
    QLabel* lab_cable_second_ = nullptr;
    QProgressBar* pbar_cable_ = nullptr;
    QLabel* lab_cable_result_ = nullptr;
    QWidget* arrow_track_ = nullptr;
    QLabel* img_cable_arrow_ = nullptr;
};

}  // namespace vexlan
