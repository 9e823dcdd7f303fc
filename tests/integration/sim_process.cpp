#include "sim_process.h"

#include <QElapsedTimer>

namespace vexlan::testing {

sim_process::sim_process(const QStringList& options) {
    const bool want_pty = options.contains("--pty");
    const bool want_udp = options.contains("--udp-port");
    proc_.start(QStringLiteral(VEXLAN_SIM_PATH), options + QStringList{"--port", "0"});
    if (!proc_.waitForStarted(5000)) return;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000 && (port_ == 0 || (want_pty && pty_.empty()) || (want_udp && udp_ == 0))) {
        if (!proc_.canReadLine() && !proc_.waitForReadyRead(200)) {
            if (proc_.state() != QProcess::Running) break;
            continue;
        }
        while (proc_.canReadLine()) {
            const std::string line = proc_.readLine().trimmed().toStdString();
            if (line.rfind("port ", 0) == 0) port_ = static_cast<quint16>(std::stoi(line.substr(5)));
            else if (line.rfind("pty ", 0) == 0) pty_ = line.substr(4);
            else if (line.rfind("udp ", 0) == 0) udp_ = static_cast<quint16>(std::stoi(line.substr(4)));
        }
    }
}

sim_process::~sim_process() {
    if (proc_.state() != QProcess::NotRunning && stop() < 0) {
        proc_.kill();
        proc_.waitForFinished(3000);
    }
}

int sim_process::stop() {
    proc_.terminate();
    if (!proc_.waitForFinished(3000) || proc_.exitStatus() != QProcess::NormalExit) return -1;
    return proc_.exitCode();
}

std::string sim_process::log() {
    // Pull what the simulator has written so far out of the pipe.
    proc_.setReadChannel(QProcess::StandardError);
    while (proc_.waitForReadyRead(100)) log_ += proc_.readAllStandardError().toStdString();
    log_ += proc_.readAllStandardError().toStdString();
    return log_;
}

}  // namespace vexlan::testing
