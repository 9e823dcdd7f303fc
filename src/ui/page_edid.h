// Page 0 of the main window, the EDID page: renders the core's edid_page_state and forwards the
// operator's events to the EDID page handlers. It decides nothing itself.
#pragma once

#include <QIcon>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "edid/edid_page.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vexlan {

struct app_context;
class frm_copy_sink;
class frm_rx_edid;

// The picture of an Rx EDID or custom-slot number: 1 the HDMI sink, 2..11 d1..d10, 12..21
// c1..c10 (the image list of the "Rx EDID" and "Copy Sink" buttons and of the dialogs' lists).
QIcon edid_slot_picture(int number);

class page_edid : public QWidget {
    Q_OBJECT
public:
    page_edid(app_context& ctx, QWidget* parent = nullptr);
    ~page_edid() override;

    void render();
    // Only what follows the page's busy rule (cheap: runs at every transaction step).
    void render_busy();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct side_widgets {
        QComboBox* list = nullptr;
        QLabel* msg1 = nullptr;
        QLabel* msg2 = nullptr;
        QPlainTextEdit* text = nullptr;
        std::array<QLabel*, 4> checksum{};
        std::array<QPushButton*, 4> recover{};
        QLabel *type = nullptr, *manuf = nullptr, *model1 = nullptr, *model2 = nullptr, *native = nullptr;
        std::string shown_text;
    };

    QWidget* build_side(int context);
    QWidget* build_analyse_frame();
    QGroupBox* build_pre_files();
    void render_side(int context);
    void render_text(side_widgets& w, const std::string& text, const std::vector<text_mark>& marks);
    void render_lists();
    void render_analyse();
    void show_rx_edid();
    void show_copy_sink();
    void show_diag();

    app_context& ctx_;
    bool rendering_ = false;
    side_widgets read_, write_;
    std::array<QPushButton*, 8> cmd_read_{};
    std::array<QPushButton*, 11> cmd_write_{};
    QPushButton* cmd_write_rename_ = nullptr;
    QLineEdit* txt_edid_rename_ = nullptr;
    QGroupBox* fra_pre_f_ = nullptr;
    std::array<QLabel*, 10> lab_pre_f_{};
    QWidget* content_ = nullptr;
    QGroupBox* fra_edid_analyse_ = nullptr;
    QTreeWidget* tree_edid_ = nullptr;
    QPlainTextEdit* txt_edid_ana_ = nullptr;
    QPushButton* cmd_edid_save_report_ = nullptr;
    QPushButton* cmd_edid_exit_ = nullptr;
    std::vector<QTreeWidgetItem*> tree_items_;  // per node index (index 0 unused)
    std::vector<std::string> shown_tree_;
    frm_rx_edid* rx_dialog_ = nullptr;
    frm_copy_sink* copy_dialog_ = nullptr;
};

}  // namespace vexlan
