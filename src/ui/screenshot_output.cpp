#include "ui/screenshot_output.h"

#include <QDir>
#include <QPixmap>

#include "link/app_context.h"
#include "ui/frm_color_calibrate.h"
#include "ui/frm_main.h"
#include "ui/main_runtime.h"

namespace vexlan {

void screenshot_output_prepare(main_runtime& rt, int page) {
    auto& ctx = rt.ctx;
    if (ctx.profile.model_index == model_none) return;
    if (page == 1 && ctx.catalogue.timing_fav[0] != fav_empty && !ctx.output.fra_reso_out_m41l_visible)
        cmd_timing_click(ctx, 0);
    if (page == 2 && ctx.catalogue.pattern_fav[0] != fav_empty) cmd_pattern_click(ctx, 0);
}

bool screenshot_color_dialog(main_runtime& rt, frm_main& window, const std::string& dir) {
    frm_color_calibrate dlg(rt.ctx, &window);
    if (rt.ctx.profile.model_index != model_none) dlg.load();
    dlg.show();
    rt.pump.wait_until(rt.clock.now_ms() + 200, [] { return false; });
    const QString path = QDir(QString::fromStdString(dir)).filePath("color_setting.png");
    const bool ok = dlg.grab().save(path);
    dlg.hide();
    return ok;
}

}  // namespace vexlan
