#include "ui/screenshot.h"

#include <QDir>
#include <QTemporaryDir>
#include <QPixmap>
#include <cstdio>

#include "edid/edid_page.h"
#include "link/file_io.h"
#include "link/app_context.h"
#include "link/tasks.h"
#include "link/transports.h"
#include "ui/frm_main.h"
#include "ui/frm_monitor_cmd.h"
#include "ui/main_runtime.h"
#include "ui/screenshot_extras.h"
#include "ui/screenshot_output.h"
#include "ui/page_monitor.h"

namespace vexlan {

namespace {

void wait_for(main_runtime& rt, int ms, const std::function<bool()>& done) {
    rt.pump.wait_until(rt.clock.now_ms() + static_cast<std::uint32_t>(ms), done);
}

// A two-block HDMI EDID for the EDID page's pictures: "VXL", 1920x1080p60, monitor name
// "VEXLAN SAMPLE", a CEA block with VICs 16, 4, 3 and an HDMI VSDB.
std::string sample_edid() {
    std::uint8_t b[256] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x5B, 0x0C, 0x01, 0x00, 0, 0, 0, 0,
                           0x01, 0x22, 0x01, 0x03, 0x80, 0x50, 0x2D, 0x78, 0x0A};
    const std::uint8_t dtd[18] = {0x02, 0x3A, 0x80, 0x18, 0x71, 0x38, 0x2D, 0x40, 0x58,
                                  0x2C, 0x45, 0x00, 0x20, 0xC2, 0x31, 0x00, 0x00, 0x1E};
    for (int i = 0; i < 18; ++i) b[54 + i] = dtd[i];
    const std::uint8_t name[18] = {0, 0, 0, 0xFC, 0, 'V', 'E', 'X', 'L', 'A', 'N', ' ', 'S', 'A', 'M', 'P', 'L', 'E'};
    for (int i = 0; i < 18; ++i) b[90 + i] = name[i];
    for (int d : {72, 108}) b[d + 3] = 0x10;  // dummy descriptors
    b[126] = 1;
    const std::uint8_t cea[] = {0x02, 0x03, 0x0C, 0x00, 0x43, 16, 4, 3, 0x63, 0x03, 0x0C, 0x00};
    for (std::size_t i = 0; i < sizeof cea; ++i) b[128 + i] = cea[i];
    b[128 + sizeof cea + 1] = 0x10;  // physical address 1.0.0.0
    for (int blk = 0; blk < 2; ++blk) {
        unsigned sum = 0;
        for (int i = 0; i < 127; ++i) sum += b[blk * 128 + i];
        b[blk * 128 + 127] = static_cast<std::uint8_t>((256 - sum % 256) % 256);
    }
    return std::string(reinterpret_cast<const char*>(b), sizeof b);
}

bool grab(frm_main& window, const std::string& dir, const QString& name) {
    const QString path = QDir(QString::fromStdString(dir)).filePath(name);
    if (window.grab().save(path)) return true;
    std::fprintf(stderr, "vexlan: cannot write %s\n", path.toLocal8Bit().constData());
    return false;
}

// The EDID page with an image on both sides (READ from the unit's sink when one is linked, the
// sample opened as a file on the WRITE side), then with the analysis frame open.
int edid_page_pictures(main_runtime& rt, frm_main& window, const std::string& dir) {
    auto& ctx = rt.ctx;
    cmd_main_click(ctx, 0);
    wait_for(rt, 400, [] { return false; });
    if (ctx.profile.model_index != model_none) {
        edid_read_list_choose(ctx, 1);
        edid_read_click(ctx);
    }
    QTemporaryDir scratch;
    const std::string sample = QDir(scratch.path()).filePath("sample.bin").toStdString();
    if (write_file_atomic(sample, sample_edid()).empty()) {
        ctx.edid_page.edid_file_path = sample;
        edid_file_load_path(ctx);
        write_buttons_enable(ctx);
    }
    wait_for(rt, 200, [] { return false; });
    int written = grab(window, dir, "page0_edid.png") ? 1 : 0;
    edid_analyze_click(ctx, 1);
    wait_for(rt, 200, [] { return false; });
    written += grab(window, dir, "page0_analysis.png") ? 1 : 0;
    edid_analyse_exit(ctx);
    return written;
}

}  // namespace

int screenshot_run(main_runtime& rt, frm_main& window, const std::string& dir, bool link_unit) {
    auto& ctx = rt.ctx;
    if (!QDir().mkpath(QString::fromStdString(dir))) {
        std::fprintf(stderr, "vexlan: cannot create %s\n", dir.c_str());
        return 1;
    }
    const int start_failed = screenshot_start_pictures(rt, window, dir);  // before a link
    if (link_unit) {
        cbo_interface_change(ctx, 1);
        ctx.view.txt_eth_ip.caption = "127.0.0.1";
        cmd_eth_open_click(ctx);
        wait_for(rt, 7000, [&] { return eth_link_settled(ctx); });
        if (!eth_link_settled(ctx))
            std::fprintf(stderr, "vexlan: no unit linked at 127.0.0.1:%d; pictures show the unlinked window\n",
                         ctx.transport.unit_port);
    }
    int written = 0;
    for (int page = 0; page < main_page_count; ++page) {
        cmd_main_click(ctx, page);
        wait_for(rt, 400, [] { return false; });
        screenshot_output_prepare(rt, page);
        const QString path = QDir(QString::fromStdString(dir)).filePath(QString("page%1.png").arg(page));
        if (window.grab().save(path)) ++written;
        else std::fprintf(stderr, "vexlan: cannot write %s\n", path.toLocal8Bit().constData());
        if (page == 4 && monitor_screenshots(rt, window, dir) != 0) --written;  // the five types and the report
    }
    written += edid_page_pictures(rt, window, dir);
    const int extras_failed = screenshot_extras(rt, window, dir);  // dialogs and page states of the guide
    const bool dialog_written = screenshot_color_dialog(rt, window, dir);
    // the command terminal beside the window, and the discovery list after "Find IP"
    window.lab_monitor_eye_cmd_click();
    wait_for(rt, 300, [] { return false; });
    const QDir out(QString::fromStdString(dir));
    if (window.terminal_window()->grab().save(out.filePath("terminal.png"))) ++written;
    cmd_main_click(ctx, 0);
    // a picture never broadcasts: without a --discovery-target the list is only shown
    if (ctx.discovery.target_host == discovery_default_host) {
        ctx.view.fra_discovery.visible = true;
        view_changed(ctx.view);
    } else if (!ctx.view.fra_discovery.visible) {
        hook_call(ctx.hooks.eth_find_click);
    }
    wait_for(rt, 500, [] { return false; });
    if (window.grab().save(out.filePath("discovery.png"))) ++written;
    window.close();
    return written == main_page_count + 4 && dialog_written && start_failed + extras_failed == 0 ? 0 : 1;
}

}  // namespace vexlan
