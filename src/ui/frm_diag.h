// frm_diag "EDID": the HEX type chooser shown before a HEX file is saved.
#pragma once

#include <QDialog>

class QRadioButton;

namespace vexlan {

struct app_context;

class frm_diag : public QDialog {
    Q_OBJECT
public:
    frm_diag(app_context& ctx, QWidget* parent = nullptr);
    // OK: the chosen type goes to the EDID page, the dialog closes.
    void ok_click();

private:
    app_context& ctx_;
    QRadioButton* opt_hex_type_[2] = {nullptr, nullptr};
};

}  // namespace vexlan
