// Pages 1 and 2 of the main window: the timing or pattern catalogue as a list with tick boxes, the
// current output, 18 favourite buttons, "Check None" and the prompt; the timing page adds the 4K
// down-scaling frame, the pattern page the motion text and "Color Setting". The widget renders
// the context's output state and forwards the operator's events; it decides nothing itself.
#pragma once

#include <QFrame>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vexlan {

struct app_context;
class elided_button;

class page_output : public QFrame {
    Q_OBJECT
public:
    page_output(app_context& ctx, bool timing, QWidget* parent = nullptr);
    ~page_output() override;

    // The catalogue was replaced: refill the list.
    void catalogue_render();
    void render();
    void list_set_visible(bool on);

private:
    void build();
    void item_changed(QTreeWidgetItem* item);
    int position_of(QTreeWidgetItem* item) const;

    app_context& ctx_;
    const bool timing_;
    bool rendering_ = false;

    QTreeWidget* list_ = nullptr;
    QLabel* lab_out_now_ = nullptr;
    std::array<elided_button*, 18> cmd_fav_{};
    QPushButton* cmd_check_none_ = nullptr;
    // timing page
    QGroupBox* fra_reso_out_m41l_ = nullptr;
    std::array<QRadioButton*, 3> opt_4k_to_1080p_{};
    // pattern page
    QLabel* lab_motion_text_ = nullptr;
    QLineEdit* txt_motion_text_ = nullptr;
    QPushButton* cmd_color_setting_ = nullptr;
};

}  // namespace vexlan
