// frm_copy_sink "Copy HDMI Sink EDID to...": copies the sink's EDID into a custom slot.
#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

namespace vexlan {

struct app_context;

class frm_copy_sink : public QDialog {
    Q_OBJECT
public:
    frm_copy_sink(app_context& ctx, QWidget* parent = nullptr);
    void render();
    void select(int item);  // 1..10
    void copy_click();

private:
    app_context& ctx_;
    QComboBox* imgcbo_copy_sink_ = nullptr;
    QPushButton* cmd_copy_ = nullptr;
    bool rendering_ = false;
};

}  // namespace vexlan
