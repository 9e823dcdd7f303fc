// Page 4, "Monitor": the monitor-type choice, the report frame and the five monitor pages (the
// System block diagram, Video Timing, Audio Timing, Packet, HDCP & SCDC). It renders the
// context's monitor state and forwards the operator's events to the monitor's handlers.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTimer;

namespace vexlan {

struct app_context;
struct monitor_value;
class main_runtime;

// With page 4 shown: renders each monitor type into DIR/page4_type<N>.png and a report of all
// five types into DIR/page4_report.png. Returns the number of pictures that could not be written.
int monitor_screenshots(main_runtime& rt, QWidget& window, const std::string& dir);

class page_monitor : public QWidget {
    Q_OBJECT
public:
    explicit page_monitor(app_context& ctx, QWidget* parent = nullptr);
    ~page_monitor() override;

    // Renders the monitor state now (also called on every change of it).
    void render();

private:
    // A value label and what it shows now, so that only changes reach the widget.
    struct value_label {
        QLabel* label = nullptr;
        const monitor_value* value = nullptr;
        std::string text;
        std::uint32_t rgb = 0xFFFFFFFF;
        int mark = -1;
    };

    QWidget* build_system();
    QWidget* build_rows(const std::vector<const char*>& captions, const std::vector<const char*>& units,
                        const char* name, std::size_t count, const monitor_value* values,
                        const std::vector<int>& second_slot = {}, const std::vector<const char*>& second_units = {});
    QWidget* build_hdcp();
    QLabel* value(QWidget* parent, const char* name, const monitor_value& v);
    void render_value(value_label& l, std::uint32_t now);

    app_context& ctx_;
    QGroupBox* fra_mon_type_ = nullptr;
    std::array<QRadioButton*, 5> opt_mon_type_{};
    std::array<QCheckBox*, 5> chk_mon_report_{};
    QPushButton* cmd_monitor_report_ = nullptr;
    QPushButton* cmd_monitor_save_ = nullptr;
    QPushButton* cmd_monitor_exit_ = nullptr;
    QLabel* lab_report_status_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    std::array<QWidget*, 5> fra_monitor_{};
    QWidget* blank_ = nullptr;
    QPlainTextEdit* txt_monitor_report_ = nullptr;
    QGroupBox* fra_monitor_m41_ = nullptr;
    QLabel* lab_title_hdcp_scdc_ = nullptr;
    std::array<QLabel*, 10> lab_item_h_{};
    std::vector<value_label> values_;
    QTimer* fade_ = nullptr;
};

}  // namespace vexlan
