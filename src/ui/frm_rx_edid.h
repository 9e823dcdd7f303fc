// frm_rx_edid "Rx EDID Select from...": the EDID that the unit's input presents.
#pragma once

#include <QDialog>

class QComboBox;

namespace vexlan {

struct app_context;

class frm_rx_edid : public QDialog {
    Q_OBJECT
public:
    frm_rx_edid(app_context& ctx, QWidget* parent = nullptr);
    void render();
    // Choosing item i (1..21) of imgcbo_rx_edid.
    void choose(int item);

private:
    app_context& ctx_;
    QComboBox* imgcbo_rx_edid_ = nullptr;
    bool rendering_ = false;
};

}  // namespace vexlan
