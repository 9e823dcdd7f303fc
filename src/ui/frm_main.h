// The main window: the link area "Control Interface", the unit labels, the task and refresh
// images, the seven page buttons and their panels. It renders the core's view state and forwards
// the operator's events to the core's handlers; it decides nothing itself.
#pragma once

#include <QPixmap>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/qt_dialogs.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTreeWidget;

namespace vexlan {

struct app_context;
class busy_bar_widget;
class clickable_label;
class elided_button;
class discovery_list;
class eye_symbol;
class frm_device;
class frm_monitor_cmd;
class main_runtime;
class page_edid;
class page_output;
class page_panel;
class refreshing_combo;

class frm_main : public QWidget {
    Q_OBJECT
public:
    explicit frm_main(main_runtime& rt, QWidget* parent = nullptr);
    ~frm_main() override;

    // Start-up: settings, catalogue and link choice, window size and place; shows the window.
    void start();
    bool unloaded() const { return unloaded_; }

    // Window units: twips (1/1440 inch) at the screen's logical DPI.
    int twips_to_px(int twips) const;
    int px_to_twips(int px) const;

    // Receives the files that could not be written at close (default: printed on stderr).
    std::function<void(const std::vector<std::string>&)> on_close_errors;

    app_context& context();
    // The Qt message boxes of this window (the context uses them unless it was given others).
    qt_dialogs& dialogs() { return dialogs_; }
    // The command terminal window (made on first use); opens or closes it like the eye symbol.
    frm_monitor_cmd* terminal_window();
    void lab_monitor_eye_cmd_click();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void build();
    QWidget* build_link_area();
    QWidget* build_images();
    QWidget* build_pages();
    QWidget* build_placeholder(int page);

    void render();
    void render_catalogue();
    void render_link_caption();
    void render_busy_bar();
    void render_com_items();
    void render_image(clickable_label* label, const std::string& picture, bool enabled, bool visible);
    QPixmap picture(const std::string& name);
    void focus_to(int target);

    main_runtime& rt_;
    app_context& ctx_;
    qt_dialogs dialogs_;
    bool unloaded_ = false;
    bool rendering_ = false;

    QGroupBox* fra_ctrl_ui_ = nullptr;
    QWidget* cbo_interface_ = nullptr;
    refreshing_combo* cbo_com_ = nullptr;
    QPushButton* cmd_rs232_open_ = nullptr;
    QLabel* lab_rs232_protocol_ = nullptr;
    QPushButton* cmd_device_ = nullptr;
    QLabel* lab_ip_ = nullptr;
    QLineEdit* txt_eth_ip_ = nullptr;
    QPushButton* cmd_eth_open_ = nullptr;
    QPushButton* cmd_eth_find_ = nullptr;
    QPushButton* cmd_eth_refresh_ = nullptr;
    QGroupBox* fra_discovery_ = nullptr;
    clickable_label* lab_link_ = nullptr;
    QLabel* lab_model_ = nullptr;
    QLabel* lab_fw_ver_ = nullptr;
    busy_bar_widget* busy_bar_ = nullptr;

    clickable_label* img_analyser_ = nullptr;
    clickable_label* img_pattern_ = nullptr;
    clickable_label* img_cable_test_ = nullptr;
    clickable_label* img_refresh_ = nullptr;

    std::array<QPushButton*, 7> cmd_main_{};
    std::array<QWidget*, 7> fra_main_{};
    QStackedWidget* pages_ = nullptr;
    QWidget* logo_ = nullptr;
    QWidget* blank_ = nullptr;

    page_output* page_timing_ = nullptr;
    page_output* page_pattern_ = nullptr;
    page_panel* page_panel_ = nullptr;

    frm_device* frm_device_ = nullptr;
    page_edid* page_edid_ = nullptr;  // page 0
    eye_symbol* lab_monitor_eye_cmd_ = nullptr;
    frm_monitor_cmd* frm_monitor_cmd_ = nullptr;
    discovery_list* discovery_list_ = nullptr;
    std::map<std::string, QPixmap> pictures_;
};

}  // namespace vexlan
