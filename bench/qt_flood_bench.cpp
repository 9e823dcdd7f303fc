// A peer that floods the link: vexlan-unit-sim --flood on loopback, which once linked sends filler
// bytes (no CR, no LF) without pause. For the window's Qt session, for vexlan-cli as a process and
// for the window itself: how long a command takes to end with "no response", the memory held
// meanwhile, and how well the event loop kept its timers. Prints figures; it is not a test.
//
//   bench_qt_flood_bench [WINDOW_SECONDS=20]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <spawn.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "link/transaction.h"
#include "link/unit_link.h"
#include "platform/qt_session.h"
#include "proc_sample.h"
#include "sim_process.h"

extern char** environ;

using namespace vexlan;
using namespace vexlan::testing;

namespace {

constexpr double wait_target_s = 6.5;   // two sends of 161 steps of 20 ms, and some slack
constexpr double cli_rss_target_mb = 50;
constexpr double window_rss_target_mb = 100;

double mb(long kib) { return static_cast<double>(kib) / 1024.0; }

// ---- 1. the window's session, in this process ---------------------------------------------------

void qt_session_under_flood() {
    sim_process sim({"--flood"});
    qt_session s;
    unit_identity id;
    if (!sim.ok() || !s.open_tcp(sim.tcp_target()).empty() || !unit_identity_query(s.ctx, id)) {
        std::printf("Qt session: the simulator could not be linked\n");
        return;
    }
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(20);
    const long rss0 = proc_status_kb("self", "VmRSS:");
    QElapsedTimer t;
    t.start();
    const int result = cmdtx_str(s.ctx, "$timing? \r");
    const double took_s = static_cast<double>(t.nsecsElapsed()) / 1e9;
    const long rss1 = proc_status_kb("self", "VmRSS:");
    const std::size_t line = s.ctx.link.rx_line.size();
    std::printf("Qt session (the window's), \"$timing? \" against the flood:\n");
    std::printf("  result %d after %.2f s (target: 2 within %.1f s); resident memory %+.1f MB during the wait "
                "(target < %.0f MB)\n",
                result, took_s, wait_target_s, mb(rss1 - rss0), cli_rss_target_mb);
    std::printf("  a 20 ms timer fired %d times of %.0f (%.0f %%); reply line held %zu bytes (cap %zu)\n", ticks,
                took_s * 50, 100.0 * ticks / (took_s * 50), line, rx_line_limit);
    // Between transactions: what arrives is kept only up to its cap.
    s.pump.wait_until(s.clock.now_ms() + 2000, [] { return false; });
    std::printf("  2 s idle afterwards: %zu bytes held (cap %zu), resident memory %+.1f MB since the start\n",
                s.ctx.link.rx_idle.size(), rx_idle_limit, mb(proc_status_kb("self", "VmRSS:") - rss0));
}

// ---- 2. vexlan-cli, as a script runs it ---------------------------------------------------------

void cli_under_flood() {
    sim_process sim({"--flood"});
    if (!sim.ok()) {
        std::printf("vexlan-cli: the simulator did not start\n");
        return;
    }
    const std::string target = sim.tcp_target();
    std::vector<std::string> args = {VEXLAN_CLI_PATH, "--tcp", target, "send", "$timing? "};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer t;
    t.start();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    int status = 0;
    rusage use{};
    if (rc != 0 || wait4(pid, &status, 0, &use) < 0) {
        std::printf("vexlan-cli: %s could not be run\n", VEXLAN_CLI_PATH);
        return;
    }
    const double took_s = static_cast<double>(t.nsecsElapsed()) / 1e9;
    std::printf("\nvexlan-cli send \"$timing? \" against the flood (linking included):\n");
    std::printf("  exit %d after %.2f s (target: exit 1, result 2, within %.1f s of linking); peak resident "
                "memory %.1f MB (target < %.0f MB)\n",
                WIFEXITED(status) ? WEXITSTATUS(status) : -1, took_s, wait_target_s, mb(use.ru_maxrss),
                cli_rss_target_mb);
}

// ---- 3. the window linked to the flooding unit ------------------------------------------------

void window_under_flood(int seconds) {
    sim_process sim({"--flood", "--verbose"});
    if (!sim.ok()) {
        std::printf("window: the simulator did not start\n");
        return;
    }
    QTemporaryDir appdir;
    QProcess app;
    if (!window_start(app, appdir.path(), sim.port())) return;
    const proc_sample start = sample(app.processId());
    long peak = 0, first = -1, last = 0;
    for (int i = 0; i < seconds && app.state() == QProcess::Running; ++i) {
        QThread::sleep(1);
        last = proc_status_kb(std::to_string(app.processId()), "VmRSS:");
        if (first < 0) first = last;
        peak = std::max(peak, last);
    }
    const bool running = app.state() == QProcess::Running;
    const bool linked = sim.log().find("$task_mode?") != std::string::npos;  // the flood starts there
    const proc_sample end = sample(app.processId());
    std::printf("\nthe window linked to the flooding unit, %d s (%s): %s; resident memory %.1f MB after 1 s, %.1f MB at "
                "the end, peak %.1f MB (target < %.0f MB); %.0f %% of one core\n",
                seconds, linked ? "linked" : "NOT LINKED", running ? "still running" : "ENDED", mb(first), mb(last), mb(peak), window_rss_target_mb,
                100.0 * (end.cpu_s - start.cpu_s) / seconds);
    app.terminate();
    app.waitForFinished(5000);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int window_seconds = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 20;
    qt_session_under_flood();
    cli_under_flood();
    window_under_flood(window_seconds);
    return 0;
}
