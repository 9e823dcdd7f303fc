#include "ui/screenshot_extras.h"

#include <QDir>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>
#include <cstdio>

#include "cable_cec/cable_test.h"
#include "edid/edid_page.h"
#include "link/app_context.h"
#include "link/tasks.h"
#include "pattern/output_select.h"
#include "terminal/terminal.h"
#include "ui/frm_color_calibrate.h"
#include "ui/frm_copy_sink.h"
#include "ui/frm_device.h"
#include "ui/frm_diag.h"
#include "ui/frm_main.h"
#include "ui/frm_monitor_cmd.h"
#include "ui/frm_rx_edid.h"
#include "ui/main_runtime.h"
#include "ui/qt_dialogs.h"

namespace vexlan {

namespace {

void settle(main_runtime& rt, int ms) {
    rt.pump.wait_until(rt.clock.now_ms() + static_cast<std::uint32_t>(ms), [] { return false; });
}

bool save_pixmap(const QPixmap& p, const std::string& dir, const QString& name) {
    const QString path = QDir(QString::fromStdString(dir)).filePath(name);
    if (p.save(path)) return true;
    std::fprintf(stderr, "vexlan: cannot write %s\n", path.toLocal8Bit().constData());
    return false;
}

bool save_widget(QWidget& w, const std::string& dir, const QString& name) { return save_pixmap(w.grab(), dir, name); }

// The dialog's contents with a one-pixel border and a title strip, as a window manager frames it.
QPixmap framed(QWidget& dialog) {
    const QPixmap inner = dialog.grab();
    const qreal ratio = inner.devicePixelRatio();
    const QSize size = inner.deviceIndependentSize().toSize();
    const int title_h = dialog.fontMetrics().height() + 10;
    QPixmap out(QSize(size.width() + 2, size.height() + title_h + 2) * ratio);
    out.setDevicePixelRatio(ratio);
    const QPalette pal = dialog.palette();
    out.fill(pal.color(QPalette::Dark));
    QPainter p(&out);
    p.fillRect(QRect(1, 1, size.width(), title_h), pal.color(QPalette::Highlight));
    QFont f = dialog.font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(pal.color(QPalette::HighlightedText));
    p.drawText(QRect(8, 1, size.width() - 16, title_h), Qt::AlignVCenter | Qt::AlignLeft, dialog.windowTitle());
    p.drawPixmap(QPoint(1, title_h + 1), inner);
    return out;
}

// Where the EDID page opens a dialog: to the right of the button that opened it, at its top.
QPoint beside(frm_main& window, const char* button) {
    if (auto* b = window.findChild<QPushButton*>(button)) return b->mapTo(&window, QPoint(b->width() + 4, 0));
    return {window.width() / 3, window.height() / 3};
}

QPoint centred(frm_main& window, QWidget& dialog) {
    const QSize d = dialog.size();
    return {(window.width() - d.width()) / 2, (window.height() - d.height()) / 3};
}

// Shows `dialog`, lets it draw for `ms`, saves it over the window beside the button `anchor`
// (centred when null) and hides it again. 1 when the picture could not be written, else 0.
int dialog_picture(main_runtime& rt, frm_main& window, QWidget& dialog, const char* anchor,
                   const std::string& dir, const QString& name, int ms = 100) {
    dialog.show();
    settle(rt, ms);
    const QPoint at = anchor ? beside(window, anchor) : centred(window, dialog);
    const bool written = save_dialog_over(window, dialog, at, dir, name);
    dialog.hide();
    return written ? 0 : 1;
}

bool linked(const app_context& ctx) { return ctx.profile.model_index != model_none; }

// READ of store d7 (an image whose checksum is wrong: the "Fix" button shows), then COMPARE
// with the image on the WRITE side.
int edid_compare_picture(main_runtime& rt, frm_main& window, const std::string& dir) {
    auto& ctx = rt.ctx;
    auto& P = ctx.edid_page;
    if (!linked(ctx) || P.rtxt_edid_write.empty()) return 0;
    edid_read_list_choose(ctx, 9);  // d7
    edid_read_click(ctx);
    if (P.rtxt_edid_read.empty()) return 0;
    edid_compare(ctx);
    settle(rt, 200);
    return save_widget(window, dir, "page0_compare.png") ? 0 : 1;
}

int edid_dialog_pictures(main_runtime& rt, frm_main& window, const std::string& dir) {
    auto& ctx = rt.ctx;
    int failed = 0;
    frm_rx_edid_open(ctx);
    {
        frm_rx_edid dlg(ctx, &window);
        failed += dialog_picture(rt, window, dlg, "cmd_write_6", dir, "dialog_rx_edid.png");
    }
    frm_copy_sink_open(ctx);
    {
        frm_copy_sink dlg(ctx, &window);
        failed += dialog_picture(rt, window, dlg, "cmd_read_3", dir, "dialog_copy_sink.png");
    }
    {
        ctx.edid_page.opt_hex_type = 0;  // as SAVE sets it up before the chooser shows
        frm_diag dlg(ctx, &window);
        failed += dialog_picture(rt, window, dlg, nullptr, dir, "dialog_hex_type.png");
    }
    return failed;
}

// Two command lines typed into the terminal and sent; the terminal is cleared and closed after.
int terminal_picture(main_runtime& rt, frm_main& window, const std::string& dir) {
    auto& ctx = rt.ctx;
    if (!linked(ctx)) return 0;
    const bool was_open = ctx.terminal.loaded;
    if (!was_open) window.lab_monitor_eye_cmd_click();
    settle(rt, 200);
    for (const char* line : {"$model?", "$fwver?"}) {
        ctx.terminal.txt_tx_str.caption = line;
        cmd_tx_str_click(ctx);
    }
    settle(rt, 200);
    const int failed = save_widget(*window.terminal_window(), dir, "terminal_reply.png") ? 0 : 1;
    cmd_clear_click(ctx);
    ctx.terminal.txt_tx_str.caption.clear();
    if (!was_open) window.lab_monitor_eye_cmd_click();
    return failed;
}

// The pattern page with the extras of a selected pattern: the colour calibration pattern of the
// catalogue that has one, else a motion-text pattern with a text sent.
int pattern_pictures(main_runtime& rt, frm_main& window, const std::string& dir) {
    auto& ctx = rt.ctx;
    if (!linked(ctx) || ctx.tasks.task_mode != 1) return 0;
    cmd_main_click(ctx, 2);
    settle(rt, 300);
    const int count = static_cast<int>(ctx.catalogue.patterns.size());
    if (catalogue_is_k_new(ctx)) {
        if (count < pattern_color_cal) return 0;
        lstv_pattern_dbl_click(ctx, pattern_color_cal);
        settle(rt, 200);
        int failed = save_widget(window, dir, "page2_color.png") ? 0 : 1;
        frm_color_calibrate dlg(ctx, &window);
        dlg.load();
        failed += dialog_picture(rt, window, dlg, nullptr, dir, "dialog_color.png", 200);
        return failed;
    }
    if (count < pattern_motion_1) return 0;
    lstv_pattern_dbl_click(ctx, pattern_motion_1);
    ctx.output.txt_motion_text = "Vexlan test lab";  // as typed into the box
    if (ctx.output.on_change) ctx.output.on_change();
    txt_motion_text_enter(ctx);
    settle(rt, 200);
    return save_widget(window, dir, "page2_motion.png") ? 0 : 1;
}

// Message boxes pictured over the window as they would open, each answered "No" (or "OK").
class picture_dialogs : public dialog_port {
public:
    picture_dialogs(main_runtime& rt, frm_main& window, const std::string& dir, QString name)
        : rt_(rt), window_(window), dir_(dir), name_(std::move(name)) {}
    msg_answer message_box(const std::string& text, msg_icon icon, msg_buttons buttons,
                           const std::string& title) override {
        QMessageBox box(&window_);
        qt_dialogs::message_box_prepare(box, text, icon, buttons, title);
        box.show();
        settle(rt_, 100);
        box.adjustSize();
        if (!written && save_dialog_over(window_, box, centred(window_, box), dir_, name_)) written = true;
        box.hide();
        return buttons == msg_buttons::ok ? msg_answer::ok : msg_answer::no;
    }
    bool written = false;

private:
    main_runtime& rt_;
    frm_main& window_;
    std::string dir_;
    QString name_;
};

// The question "Reboot System" asks, answered "No": nothing is sent.
int message_picture(main_runtime& rt, frm_main& window, const std::string& dir) {
    auto& ctx = rt.ctx;
    if (!linked(ctx) || (ctx.tasks.task_mode != 0 && ctx.tasks.task_mode != 1)) return 0;
    cmd_main_click(ctx, 3);
    settle(rt, 300);
    picture_dialogs pictures(rt, window, dir, "dialog_message.png");
    dialog_port* before = ctx.ports.dialogs;
    ctx.ports.dialogs = &pictures;
    cmd_panel_Click(ctx, 1);
    ctx.ports.dialogs = before;
    return pictures.written ? 0 : 1;
}

// A two-minute cable test started and pictured after a few seconds of polling, then stopped.
int cable_picture(main_runtime& rt, frm_main& window, const std::string& dir) {
    auto& ctx = rt.ctx;
    if (ctx.profile.model_index != 1 || ctx.tasks.task_mode != 2) return 0;
    cmd_main_click(ctx, 5);
    settle(rt, 300);
    cbo_cable_time_change(ctx, 0);
    lab_cable_start_click(ctx);
    settle(rt, 2500);
    const int failed = save_widget(window, dir, "page5_running.png") ? 0 : 1;
    lab_cable_stop_click(ctx);
    settle(rt, 300);
    return failed;
}

}  // namespace

bool save_dialog_over(QWidget& window, QWidget& dialog, const QPoint& at, const std::string& dir,
                      const QString& name) {
    QPixmap shot = window.grab();
    const QPixmap d = framed(dialog);
    const QSize dsize = d.deviceIndependentSize().toSize();
    // kept inside the picture, as a dialog opened near the window's edge would be moved
    QPoint pos(std::clamp(at.x(), 0, std::max(0, window.width() - dsize.width())),
               std::clamp(at.y(), 0, std::max(0, window.height() - dsize.height())));
    QPainter p(&shot);
    p.fillRect(QRect(pos + QPoint(3, 3), dsize), QColor(0, 0, 0, 60));  // a faint shadow
    p.drawPixmap(pos, d);
    p.end();
    return save_pixmap(shot, dir, name);
}

int screenshot_start_pictures(main_runtime& rt, frm_main& window, const std::string& dir) {
    int failed = save_widget(window, dir, "start.png") ? 0 : 1;
    frm_device dev(rt.port_map, &window);
    dev.reload();
    failed += dialog_picture(rt, window, dev, nullptr, dir, "dialog_device.png");
    return failed;
}

int screenshot_extras(main_runtime& rt, frm_main& window, const std::string& dir) {
    auto& ctx = rt.ctx;
    cmd_main_click(ctx, 0);
    settle(rt, 300);
    int failed = edid_compare_picture(rt, window, dir);
    failed += edid_dialog_pictures(rt, window, dir);
    failed += terminal_picture(rt, window, dir);
    failed += message_picture(rt, window, dir);
    failed += pattern_pictures(rt, window, dir);
    failed += cable_picture(rt, window, dir);
    cmd_main_click(ctx, 0);
    settle(rt, 200);
    return failed;
}

}  // namespace vexlan
