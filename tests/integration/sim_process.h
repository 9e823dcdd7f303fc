// Starts vexlan-unit-sim on a free loopback port (and optionally a pseudo-terminal) for the
// length of a test, and stops it afterwards.
#pragma once

#include <QProcess>
#include <QStringList>
#include <fstream>
#include <string>

namespace vexlan::testing {

// A "KEY: N kB" figure of /proc/PROC/status ("self" or a process id), e.g. "VmRSS:"; -1 if absent.
inline long proc_status_kb(const std::string& proc, const std::string& key) {
    std::ifstream in("/proc/" + proc + "/status");
    for (std::string l; std::getline(in, l);)
        if (l.rfind(key, 0) == 0) return std::stol(l.substr(key.size()));
    return -1;
}

class sim_process {
public:
    // Starts the simulator with the given options plus "--port 0"; waits for its "port N"
    // line (and "pty PATH" when --pty is among the options).
    explicit sim_process(const QStringList& options = {});
    ~sim_process();
    // SIGTERM, then the exit code (-1 when it did not end normally within three seconds).
    int stop();

    bool ok() const { return port_ != 0; }
    quint16 port() const { return port_; }
    qint64 pid() const { return proc_.processId(); }
    const std::string& pty() const { return pty_; }
    // The discovery responder's UDP port (with "--udp-port" among the options; 0 otherwise).
    quint16 udp_port() const { return udp_; }
    std::string tcp_target() const { return "127.0.0.1:" + std::to_string(port_); }
    // What the simulator wrote to stderr so far (its --verbose log).
    std::string log();

private:
    QProcess proc_;
    quint16 port_ = 0;
    std::string pty_;
    quint16 udp_ = 0;
    std::string log_;
};

}  // namespace vexlan::testing
