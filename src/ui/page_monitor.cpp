#include "ui/page_monitor.h"

#include <QCheckBox>
#include <QDir>
#include <QPixmap>
#include <cstdio>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "link/app_context.h"
#include "monitor/monitor_report.h"
#include "monitor/monitor_view.h"
#include "ui/main_runtime.h"
#include "ui/widgets.h"

namespace vexlan {

namespace {

const char* const type_captions[5] = {"System", "Video Timing", "Audio Timing", "Packet", "HDCP && SCDC"};

// Background of a changed value: a warm yellow that fades out over the marking time.
constexpr int mark_steps = 6;

QColor mark_colour(int step) {
    const int alpha = 200 * step / mark_steps;
    return QColor(255, 214, 90, alpha);
}

QFont fixed_font() { return QFontDatabase::systemFont(QFontDatabase::FixedFont); }

std::uint32_t packed(const rgb& c) { return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b; }

}  // namespace

page_monitor::page_monitor(app_context& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
    auto& M = ctx_.monitor;
    auto* row = new QHBoxLayout(this);

    // left: the monitor type and the report frame
    auto* left = new QVBoxLayout;
    fra_mon_type_ = new QGroupBox("Real-time Monitor", this);
    fra_mon_type_->setObjectName("fra_mon_type");
    auto* tl = new QVBoxLayout(fra_mon_type_);
    for (int i = 0; i < monitor_type_count; ++i) {
        auto* b = new QRadioButton(type_captions[i], fra_mon_type_);
        b->setObjectName(QString("opt_mon_type_%1").arg(i));
        connect(b, &QRadioButton::clicked, this, [this, i] { opt_mon_type_click(ctx_, i); });
        opt_mon_type_[static_cast<std::size_t>(i)] = b;
        tl->addWidget(b);
    }
    left->addWidget(fra_mon_type_);

    auto* fra_report = new QGroupBox("Monitor Report", this);
    fra_report->setObjectName("fra_mon_report");
    auto* rl = new QVBoxLayout(fra_report);
    for (int i = 0; i < monitor_type_count; ++i) {
        auto* c = new QCheckBox(type_captions[i], fra_report);
        c->setObjectName(QString("chk_mon_report_%1").arg(i));
        connect(c, &QCheckBox::toggled, this, [this, i](bool on) { ctx_.monitor.chk_mon_report[static_cast<std::size_t>(i)] = on; });
        chk_mon_report_[static_cast<std::size_t>(i)] = c;
        rl->addWidget(c);
    }
    cmd_monitor_report_ = new QPushButton("REPORT", fra_report);
    cmd_monitor_report_->setObjectName("cmd_monitor_report");
    connect(cmd_monitor_report_, &QPushButton::clicked, this, [this] { cmd_monitor_report_click(ctx_); });
    cmd_monitor_save_ = new QPushButton("SAVE", fra_report);
    cmd_monitor_save_->setObjectName("cmd_monitor_save");
    connect(cmd_monitor_save_, &QPushButton::clicked, this, [this] { cmd_monitor_save_click(ctx_); });
    cmd_monitor_exit_ = new QPushButton("EXIT", fra_report);
    cmd_monitor_exit_->setObjectName("cmd_monitor_exit");
    connect(cmd_monitor_exit_, &QPushButton::clicked, this, [this] { cmd_monitor_exit_click(ctx_); });
    rl->addWidget(cmd_monitor_report_);
    rl->addWidget(cmd_monitor_save_);
    rl->addWidget(cmd_monitor_exit_);
    lab_report_status_ = new QLabel(fra_report);
    lab_report_status_->setObjectName("lab_report_status");
    lab_report_status_->setWordWrap(true);
    QPalette pal = lab_report_status_->palette();
    pal.setColor(QPalette::WindowText, to_qcolor(rgb_red));
    lab_report_status_->setPalette(pal);
    rl->addWidget(lab_report_status_);
    left->addWidget(fra_report);
    left->addStretch(1);
    row->addLayout(left, 0);

    // right: the pages and the report text
    stack_ = new QStackedWidget(this);
    stack_->setObjectName("fra_monitor");
    values_.reserve(static_cast<std::size_t>(sys_label_count) + static_cast<std::size_t>(indicator_count) + 71);
    fra_monitor_[0] = build_system();
    static const std::vector<const char*> video_captions = {
        "Timing           >", "TMDS Clock       >", "Pixel Clock      >", "Data Rate        >", "H/V Frequency    >",
        "H/V Total        >", "H/V Active       >", "H/V Back Porch   >", "H/V Sync Width   >", "H/V Front Porch  >",
        "H/V Sync Polarity>", "H/V Sync Offset1 >", "H/V Sync Offset2 >", "Scan Mode        >"};
    fra_monitor_[1] = build_rows(video_captions, {"", "kHz", "kHz", "Gbps", "Hz", "pixel", "pixel", "pixel", "pixel",
                                                  "pixel", "", "dot", "dot", ""},
                                 "lab_video_%1", 14, M.video.data(), {-1, -1, -1, -1, 14, 15, 16, 17, 18, 19, 20, -1, -1, -1},
                                 {"", "", "", "", "Hz", "line", "line", "line", "line", "line", "", "", "", ""});
    fra_monitor_[2] = build_rows({"AIF     >", "HBR     >", "ACR     >", "ACR N   >", "ACR CTS >", "ASP     >",
                                  "ASP PLL >", "ASP FIFO>", "ASP Packet Layout >", "ASP Channel Number>",
                                  "CHS App. Type     >", "CHS Audio Coding  >", "CHS Sampling Rate >",
                                  "CHS Sampling Size >"},
                                 {"", "", "", "", "", "", "", "", "", "", "", "", "kHz", "Bits"}, "lab_audio_%1", 14,
                                 M.audio.data());
    fra_monitor_[3] = build_rows(
        {"GCP AVMute      >", "     Deep Color  >", "AVI Color Space >", "     Colorimetry >", "     IT Content  >",
         "     Extended Colorimetry >", "     VIC >", "     Pixel Repitition >", "AIF Coding Type   >",
         "     Channel No.   >", "     Sampling Rate >", "     Sampling Size >", "     Extended Coding Type >",
         "     Speaker Placement    >", "     Down Mix.            >", "SPD Vendor            >",
         "     Product           >", "     Information       >", "VSI IEEE ID           >",
         "     HDMI Video Format >", "     HDMI VIC          >", "     3D Structure      >", "DRMI ETOF             >",
         "      Metadata         >", "      Max Content Light Level      >", "      Max Frame-Average Light Level>"},
        std::vector<const char*>(26, ""), "lab_packet_%1", 26, M.packet.data());
    fra_monitor_[4] = build_hdcp();
    for (int i = 0; i < monitor_type_count; ++i) {
        fra_monitor_[static_cast<std::size_t>(i)]->setObjectName(QString("fra_monitor_%1").arg(i));
        stack_->addWidget(fra_monitor_[static_cast<std::size_t>(i)]);
    }
    txt_monitor_report_ = new QPlainTextEdit(stack_);
    txt_monitor_report_->setObjectName("txt_monitor_report");
    txt_monitor_report_->setReadOnly(true);
    txt_monitor_report_->setFont(fixed_font());
    txt_monitor_report_->setLineWrapMode(QPlainTextEdit::NoWrap);
    stack_->addWidget(txt_monitor_report_);
    blank_ = new QWidget(stack_);
    stack_->addWidget(blank_);
    row->addWidget(stack_, 1);

    fade_ = new QTimer(this);
    fade_->setInterval(250);
    connect(fade_, &QTimer::timeout, this, [this] { render(); });

    M.on_change = [this] { render(); };
    render();
}

page_monitor::~page_monitor() { ctx_.monitor.on_change = nullptr; }

QLabel* page_monitor::value(QWidget* parent, const char* name, const monitor_value& v) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setAutoFillBackground(true);
    l->setMinimumWidth(l->fontMetrics().averageCharWidth() * 8);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    values_.push_back(value_label{l, &v, {}, 0xFFFFFFFF, -1});
    return l;
}

QWidget* page_monitor::build_system() {
    auto& M = ctx_.monitor;
    auto* w = new QWidget(stack_);
    auto* row = new QHBoxLayout(w);
    auto block = [&](const QString& title, const std::vector<std::pair<const char*, int>>& items) {
        auto* box = new QGroupBox(title, w);
        auto* g = new QGridLayout(box);
        int r = 0;
        for (const auto& [caption, label] : items) {
            g->addWidget(new QLabel(caption, box), r, 0);
            g->addWidget(value(box, sys_label_name(label), M.sys[static_cast<std::size_t>(label)]), r, 1);
            ++r;
        }
        g->setRowStretch(r + 1, 1);
        return std::pair{box, g};
    };
    auto arrow = [&] {
        auto* a = new QLabel(QString::fromUtf8("\u2192"), w);
        QFont f = a->font();
        f.setPointSizeF(f.pointSizeF() * 2);
        a->setFont(f);
        return a;
    };
    auto [source, sg] = block("Source", {{"+5V", lab_source_5vx}, {"Clock", lab_source_clockx}, {"Sync", lab_source_syncx},
                                         {"Resolution", lab_source_resox}, {"TMDS Format", lab_source_formatx},
                                         {"Color Space", lab_source_cscx}, {"Deep Color", lab_source_dcx},
                                         {"AVMute", lab_source_avmutex}, {"Audio", lab_source_audiox},
                                         {"HDCP", lab_source_hdcpx}});
    source->setObjectName("fra_monitor_source");
    auto* packets = new QHBoxLayout;
    static const char* const names[indicator_count] = {"lab_source_gcp", "lab_source_avi", "lab_source_aif",
                                                       "lab_source_drmi", "lab_source_vsi"};
    for (int i = 0; i < indicator_count; ++i) {
        auto* l = value(source, names[i], M.indicator[static_cast<std::size_t>(i)]);
        l->setMinimumWidth(0);
        l->setAlignment(Qt::AlignCenter);
        l->setFrameShape(QFrame::Box);
        packets->addWidget(l);
    }
    sg->addLayout(packets, 11, 0, 1, 2);
    auto [unit, ug] = block("Unit", {{"Rx Hotplug", lab_m41_rx_hotplugx}, {"Rx Sense", lab_m41_rx_sensex},
                                     {"Rx SCDC", lab_m41_rx_scdcx}, {"Rx HDCP", lab_m41_rx_hdcpx},
                                     {"Rx EDID Type", lab_m41_rx_edidx}, {"Rx EDID Native", lab_m41_rx_edid2x},
                                     {"Rx EDID Manuf.", lab_m41_rx_edid3x}, {"Rx EDID Model", lab_m41_rx_edid4x},
                                     {"Tx Color Space", lab_m41_tx_cscx}, {"Tx Deep Color", lab_m41_tx_dcx},
                                     {"Tx HDCP", lab_m41_tx_hdcpx}, {"Tx TMDS Format", lab_m41_tx_formatx},
                                     {"Out Resolution", lab_m41_reso_outx}, {"Output", lab_m41_outputx},
                                     {"Pattern", lab_m41_patternx}, {"Out Audio", lab_m41_out_audiox},
                                     {"Out Audio Ch.", lab_m41_out_audio_chx}, {"Out HDR", lab_m41_out_hdrx}});
    (void)ug;
    fra_monitor_m41_ = unit;
    unit->setObjectName("fra_monitor_m41");
    auto [sink, kg] = block("Sink", {{"Rx Hotplug", lab_sink_rx_hotplugx}, {"Rx Sense", lab_sink_rx_sensex},
                                     {"Rx SCDC", lab_sink_rx_scdcx}, {"Rx HDCP", lab_sink_rx_hdcpx},
                                     {"EDID Type", lab_sink_rx_edidx}, {"EDID Native", lab_sink_rx_edid2x},
                                     {"EDID Manuf.", lab_sink_rx_edid3x}, {"EDID Model", lab_sink_rx_edid4x}});
    (void)kg;
    sink->setObjectName("fra_monitor_sink");
    row->addWidget(source, 0, Qt::AlignTop);
    row->addWidget(arrow(), 0, Qt::AlignVCenter);
    row->addWidget(unit, 1, Qt::AlignTop);
    row->addWidget(arrow(), 0, Qt::AlignVCenter);
    row->addWidget(sink, 1, Qt::AlignTop);
    return w;
}

QWidget* page_monitor::build_rows(const std::vector<const char*>& captions, const std::vector<const char*>& units,
                                  const char* name, std::size_t count, const monitor_value* values,
                                  const std::vector<int>& second_slot, const std::vector<const char*>& second_units) {
    auto* w = new QWidget(stack_);
    auto* g = new QGridLayout(w);
    g->setVerticalSpacing(2);
    const QFont fixed = fixed_font();
    for (std::size_t r = 0; r < captions.size() && r < count; ++r) {
        const int row = static_cast<int>(r);
        auto* c = new QLabel(captions[r], w);
        c->setFont(fixed);
        g->addWidget(c, row, 0);
        auto* v = value(w, QString(name).arg(r).toLatin1().constData(), values[r]);
        v->setFont(fixed);  // the speaker placement lines up its columns with blanks
        g->addWidget(v, row, 1);
        g->addWidget(new QLabel(units[r], w), row, 2);
        if (r < second_slot.size() && second_slot[r] >= 0) {
            const auto s = static_cast<std::size_t>(second_slot[r]);
            g->addWidget(value(w, QString(name).arg(s).toLatin1().constData(), values[s]), row, 3);
            g->addWidget(new QLabel(second_units[r], w), row, 4);
        }
    }
    g->setColumnStretch(1, 2);
    g->setColumnStretch(3, 1);
    g->setRowStretch(static_cast<int>(captions.size()), 1);
    return w;
}

QWidget* page_monitor::build_hdcp() {
    auto& M = ctx_.monitor;
    auto* w = new QWidget(stack_);
    auto* g = new QGridLayout(w);
    lab_title_hdcp_scdc_ = new QLabel(w);
    lab_title_hdcp_scdc_->setObjectName("lab_title_hdcp_scdc");
    QFont bold = lab_title_hdcp_scdc_->font();
    bold.setBold(true);
    lab_title_hdcp_scdc_->setFont(bold);
    g->addWidget(lab_title_hdcp_scdc_, 0, 0, 1, 2);
    for (int r = 0; r < 10; ++r) {
        auto* c = new QLabel(w);
        c->setObjectName(QString("lab_item_h_%1").arg(r));
        lab_item_h_[static_cast<std::size_t>(r)] = c;
        g->addWidget(c, r + 1, 0);
        g->addWidget(value(w, QString("lab_hdcp_%1").arg(r).toLatin1().constData(), M.hdcp[static_cast<std::size_t>(r)]), r + 1, 1);
    }
    g->setColumnStretch(1, 1);
    g->setRowStretch(11, 1);
    return w;
}

void page_monitor::render_value(value_label& l, std::uint32_t now) {
    const monitor_value& v = *l.value;
    if (l.text != v.text) {
        l.text = v.text;
        l.label->setText(latin1(v.text));
    }
    const std::uint32_t c = packed(v.color);
    int mark = 0;
    if (monitor_value_marked(v, now)) {
        const std::uint32_t age = now - v.changed_ms;
        mark = mark_steps - static_cast<int>(age * mark_steps / monitor_mark_ms);
    }
    if (c != l.rgb || mark != l.mark) {
        l.rgb = c;
        l.mark = mark;
        QPalette p = l.label->palette();
        p.setColor(QPalette::WindowText, to_qcolor(v.color));
        p.setColor(QPalette::Window, mark > 0 ? mark_colour(mark) : QColor(Qt::transparent));
        l.label->setPalette(p);
    }
}

void page_monitor::render() {
    const auto& M = ctx_.monitor;
    const std::uint32_t now = ctx_.ports.clock ? ctx_.ports.clock->now_ms() : 0;
    bool marks = false;
    for (auto& l : values_) {
        render_value(l, now);
        marks = marks || l.mark > 0;
    }
    if (marks && !fade_->isActive()) fade_->start();
    if (!marks && fade_->isActive()) fade_->stop();

    for (int i = 0; i < monitor_type_count; ++i) {
        auto* b = opt_mon_type_[static_cast<std::size_t>(i)];
        if (b->isChecked() != (M.monitor_page == i)) {
            QSignalBlocker block(b);
            b->setChecked(M.monitor_page == i);
        }
        auto* c = chk_mon_report_[static_cast<std::size_t>(i)];
        if (c->isChecked() != M.chk_mon_report[static_cast<std::size_t>(i)]) {
            QSignalBlocker block(c);
            c->setChecked(M.chk_mon_report[static_cast<std::size_t>(i)]);
        }
    }
    fra_mon_type_->setEnabled(ctx_.tasks.fra_mon_type_enabled);
    cmd_monitor_report_->setEnabled(M.cmd_monitor_report_enabled);
    cmd_monitor_save_->setVisible(M.report_shown);
    cmd_monitor_exit_->setVisible(M.report_shown);
    if (lab_report_status_->text() != latin1(M.report_status)) lab_report_status_->setText(latin1(M.report_status));
    if (fra_monitor_m41_->title() != latin1(M.fra_monitor_m41)) fra_monitor_m41_->setTitle(latin1(M.fra_monitor_m41));
    if (lab_title_hdcp_scdc_->text() != latin1(M.hdcp_title)) lab_title_hdcp_scdc_->setText(latin1(M.hdcp_title));
    for (std::size_t r = 0; r < lab_item_h_.size(); ++r)
        if (lab_item_h_[r]->text() != latin1(M.hdcp_captions[r])) lab_item_h_[r]->setText(latin1(M.hdcp_captions[r]));

    QWidget* shown = blank_;
    if (M.report_shown) {
        shown = txt_monitor_report_;
        const QString t = latin1(M.txt_monitor_report).remove('\r');
        if (txt_monitor_report_->toPlainText() != t) txt_monitor_report_->setPlainText(t);
    } else if (!M.page_frame_hidden && M.monitor_page >= 0 && M.monitor_page < monitor_type_count) {
        shown = fra_monitor_[static_cast<std::size_t>(M.monitor_page)];
    }
    if (stack_->currentWidget() != shown) stack_->setCurrentWidget(shown);
}

}  // namespace vexlan

namespace vexlan {

int monitor_screenshots(main_runtime& rt, QWidget& window, const std::string& dir) {
    auto& ctx = rt.ctx;
    const QDir out(QString::fromStdString(dir));
    int failed = 0;
    auto settle = [&](int ms) { rt.pump.wait_until(rt.clock.now_ms() + static_cast<std::uint32_t>(ms), [] { return false; }); };
    auto save = [&](const QString& name) {
        const QString path = out.filePath(name);
        if (!window.grab().save(path)) {
            std::fprintf(stderr, "vexlan: cannot write %s\n", path.toLocal8Bit().constData());
            ++failed;
        }
    };
    for (int t = 0; t < monitor_type_count; ++t) {
        opt_mon_type_click(ctx, t);
        // one whole poll cycle of the type (at most 38 queries at the 20 ms tick)
        settle(t == 0 ? 1500 : 700);
        save(QString("page4_type%1.png").arg(t));
    }
    ctx.monitor.chk_mon_report = {true, true, true, true, true};
    cmd_monitor_report_click(ctx);
    settle(100);
    save("page4_report.png");
    cmd_monitor_exit_click(ctx);
    opt_mon_type_click(ctx, 0);
    return failed;
}

}  // namespace vexlan
