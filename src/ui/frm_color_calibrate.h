// The colour calibration dialog "Color Setting", modal over the main window. Renders the
// context's colour calibration state and forwards the operator's choices.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <array>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace vexlan {

struct app_context;

// A box that selects its whole text when it gets the focus.
class select_all_edit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* e) override;
};

class frm_color_calibrate : public QDialog {
    Q_OBJECT
public:
    frm_color_calibrate(app_context& ctx, QWidget* owner);
    ~frm_color_calibrate() override;

    // Load (reads colour and values from the unit), placed over the owner.
    void load();
    // Load, then modal until closed.
    int run();
    void render();

private:
    app_context& ctx_;
    bool rendering_ = false;
    QComboBox* cbo_color_ = nullptr;
    std::array<QLabel*, 4> lab_row_{};
    std::array<QSlider*, 4> hsr_{};
    std::array<select_all_edit*, 4> txt_{};
    QPushButton* cmd_refresh_ = nullptr;
};

}  // namespace vexlan
