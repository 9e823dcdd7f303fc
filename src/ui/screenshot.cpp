#include "ui/screenshot.h"

#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "link/app_context.h"
#include "link/tasks.h"
#include "link/transports.h"
#include "ui/frm_main.h"
#include "ui/frm_monitor_cmd.h"
#include "ui/main_runtime.h"

namespace vexlan {

namespace {

void wait_for(main_runtime& rt, int ms, const std::function<bool()>& done) {
    rt.pump.wait_until(rt.clock.now_ms() + static_cast<std::uint32_t>(ms), done);
}

}  // namespace

int screenshot_run(main_runtime& rt, frm_main& window, const std::string& dir, bool link_unit) {
    auto& ctx = rt.ctx;
    if (!QDir().mkpath(QString::fromStdString(dir))) {
        std::fprintf(stderr, "vexlan: cannot create %s\n", dir.c_str());
        return 1;
    }
    if (link_unit) {
        cbo_interface_change(ctx, 1);
        ctx.view.txt_eth_ip.caption = "127.0.0.1";
        cmd_eth_open_click(ctx);
        wait_for(rt, 2000, [&] { return ctx.link.eth_connected; });
        if (ctx.link.eth_connected) wait_for(rt, 5000, [&] { return ctx.profile.model_index != model_none && !ctx.link.cmd_busy; });
        if (ctx.profile.model_index == model_none)
            std::fprintf(stderr, "vexlan: no unit linked at 127.0.0.1:%d; pictures show the unlinked window\n",
                         ctx.transport.unit_port);
    }
    int written = 0;
    for (int page = 0; page < main_page_count; ++page) {
        cmd_main_click(ctx, page);
        wait_for(rt, 400, [] { return false; });
        const QString path = QDir(QString::fromStdString(dir)).filePath(QString("page%1.png").arg(page));
        if (window.grab().save(path)) ++written;
        else std::fprintf(stderr, "vexlan: cannot write %s\n", path.toLocal8Bit().constData());
    }
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
    return written == main_page_count + 2 ? 0 : 1;
}

}  // namespace vexlan
