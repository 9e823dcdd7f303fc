// What the benchmarks read of another process: its CPU time and resident memory from /proc, and
// the window started offscreen, linked to a simulated unit.
#pragma once

#include <unistd.h>

#include <QProcess>
#include <QStringList>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim_process.h"

namespace vexlan::testing {

struct proc_sample {
    double cpu_s = 0;
    long rss_kb = 0;
    bool ok = false;
};

inline proc_sample sample(qint64 pid) {
    proc_sample p;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = all.rfind(')');
    if (close == std::string::npos) return p;
    std::istringstream rest(all.substr(close + 2));
    std::string field;
    std::vector<std::string> f;
    while (rest >> field) f.push_back(field);
    if (f.size() < 13) return p;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    p.cpu_s = (std::stod(f[11]) + std::stod(f[12])) / tick;  // utime, stime
    p.rss_kb = proc_status_kb(std::to_string(pid), "VmRSS:");
    p.ok = true;
    return p;
}

// Starts the window offscreen with its own application folder, connecting at once to the unit on
// loopback `port`; false (said on stdout) when it does not start.
inline bool window_start(QProcess& app, const QString& app_dir, quint16 port, const QStringList& more = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    app.setProcessEnvironment(env);
    app.setStandardErrorFile(QProcess::nullDevice());
    app.start(VEXLAN_APP_PATH,
              QStringList{"--app-dir", app_dir, "--connect-ip", "127.0.0.1", "--unit-port", QString::number(port)} + more);
    if (app.waitForStarted(5000)) return true;
    std::printf("window: %s did not start\n", VEXLAN_APP_PATH);
    return false;
}

}  // namespace vexlan::testing
