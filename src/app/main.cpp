// vexlan: the windowed application. Builds the context, the Qt adapters and the main window.
#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "link/app_dir.h"
#include "link/tasks.h"
#include "link/transports.h"
#include "platform/qt_runtime.h"
#include "ui/app_options.h"
#include "ui/frm_main.h"
#include "ui/main_runtime.h"
#include "ui/screenshot.h"

namespace {

bool env_set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

// SIGTERM, SIGINT and SIGHUP close the main window the ordinary way, so the settings and
// favourites are written as at any close. The handler only writes a byte; the event loop does
// the rest. During start-up (a problem box may be open, nothing is loaded for good yet) the
// program ends at once with 128 + the signal's number and writes nothing.
int signal_pipe[2] = {-1, -1};
volatile std::sig_atomic_t starting_up = 1;

void on_close_signal(int sig) {
    if (starting_up) ::_exit(128 + sig);
    const char b = 1;
    [[maybe_unused]] auto n = ::write(signal_pipe[1], &b, 1);
}

void signals_catch() {
    struct sigaction sa{};
    sa.sa_handler = on_close_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
}

void close_on_signals(QWidget& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_pipe) != 0) return;
    auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char b;
        [[maybe_unused]] auto n = ::read(signal_pipe[0], &b, 1);
        window.close();
    });
    starting_up = 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vexlan;
    std::vector<std::string> args(argv + 1, argv + argc);
    const app_options opts = app_options_parse(args, std::getenv("VEXLAN_UNIT_PORT"), std::getenv("VEXLAN_SERIAL_DEVICE"));
    if (opts.help) {
        std::fputs(app_usage(), stdout);
        return 0;
    }
    if (opts.version) {
        std::printf("vexlan %s\n", VEXLAN_VERSION);
        return 0;
    }
    if (!opts.error.empty()) {
        std::fprintf(stderr, "vexlan: %s\n%s", opts.error.c_str(), app_usage());
        return 2;
    }
    const bool screenshot = !opts.screenshot_dir.empty();
    if (!env_set("DISPLAY") && !env_set("WAYLAND_DISPLAY") && !env_set("QT_QPA_PLATFORM")) {
        if (!screenshot) {
            std::fprintf(stderr,
                         "vexlan: no display (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are unset); "
                         "use vexlan-cli without a display\n");
            return 3;
        }
        setenv("QT_QPA_PLATFORM", "offscreen", 1);  // pictures need no display
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("vexlan");
    QGuiApplication::setDesktopFileName("org.vexlan.Vexlan");  // the desktop entry, for the task bar
    QApplication::setWindowIcon(QIcon::fromTheme(
        "org.vexlan.Vexlan", QIcon(QStringLiteral(VEXLAN_DATA_DIR "/icons/256/org.vexlan.Vexlan.png"))));
    QApplication::setStyle("Fusion");

    // The application directory. A screenshot run without --app-dir works on a fresh copy of
    // the defaults so that it never rewrites the operator's settings.
    std::unique_ptr<QTemporaryDir> scratch;
    std::string dir;
    if (screenshot && !opts.app_dir) {
        scratch = std::make_unique<QTemporaryDir>();
        dir = scratch->path().toStdString();
    } else {
        dir = app_dir_resolve(opts.app_dir, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    }
    runtime_options ro;
    const std::string defaults = installed_defaults_dir(VEXLAN_DATA_DIR);
    ro.folder_notices = app_dir_prepare(dir, defaults);
    for (auto& text : shipped_defaults_refresh(dir, defaults)) ro.folder_notices.push_back(std::move(text));
    for (const auto& text : ro.folder_notices) std::fprintf(stderr, "vexlan: %s\n", text.c_str());
    ro.app_dir = dir;
    ro.unit_port = opts.unit_port;
    ro.serial_device = opts.serial_device;
    ro.discovery_host = opts.discovery_host;
    ro.discovery_port = static_cast<std::uint16_t>(opts.discovery_port);
    ro.discovery_local_port = static_cast<std::uint16_t>(opts.discovery_local_port);
    console_dialogs console;
    main_runtime rt(ro, screenshot ? &console : nullptr);
    frm_main window(rt);
    signals_catch();
    window.start();

    if (screenshot) return screenshot_run(rt, window, opts.screenshot_dir, opts.unit_port_given);
    if (opts.start_page >= 0) cmd_main_click(rt.ctx, opts.start_page);

    close_on_signals(window);
    if (!opts.connect_ip.empty()) {
        cbo_interface_change(rt.ctx, 1);
        rt.ctx.view.txt_eth_ip.caption = opts.connect_ip;
        cmd_eth_open_click(rt.ctx);
    } else if (opts.connect) {
        if (rt.ctx.link.link_iface == 0) cmd_rs232_open_click(rt.ctx);
        else cmd_eth_open_click(rt.ctx);
    }
    return QApplication::exec();
}
