// Runs vexlan-cli as a process, as scripts do: exit status, standard output and error; and reads
// what a simulator received from its --verbose log.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <string>
#include <string_view>
#include <vector>

#include "sim_process.h"

namespace vexlan::testing {

struct cli_run {
    int status = -1;  // -1: did not end normally in time
    std::string out, err;
};

inline cli_run run_cli(const QStringList& args, const QByteArray& input = {}, int timeout_ms = 30000) {
    QProcess p;
    p.start(QStringLiteral(VEXLAN_CLI_PATH), args);
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(timeout_ms)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

// vexlan-cli over TCP to the simulator.
inline cli_run run_cli(const sim_process& sim, const QStringList& args, const QByteArray& input = {}) {
    return run_cli(QStringList{"--tcp", QString::fromStdString(sim.tcp_target())} + args, input);
}

// The same, expected to succeed: a failure shows what vexlan-cli printed on stderr.
inline cli_run run_ok(const sim_process& sim, const QStringList& args, const QByteArray& input = {}) {
    cli_run r = run_cli(sim, args, input);
    EXPECT_EQ(r.status, 0) << r.err;
    return r;
}

inline int count_of(const std::string& hay, const std::string& needle) {
    int n = 0;
    for (auto pos = hay.find(needle); pos != std::string::npos; pos = hay.find(needle, pos + 1)) ++n;
    return n;
}

// Whether `text` holds every one of `parts`; a failure names the part missing and shows the text.
inline ::testing::AssertionResult has_all(const std::string& text, std::initializer_list<std::string_view> parts) {
    for (const auto part : parts)
        if (text.find(part) == std::string::npos) return ::testing::AssertionFailure() << "no \"" << part << "\" in\n" << text;
    return ::testing::AssertionSuccess();
}

inline QByteArray file_bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// The command lines the simulator received, as its log shows them (CR as "<D>").
inline std::vector<std::string> received(sim_process& sim) {
    std::vector<std::string> lines;
    const std::string log = sim.log(), mark = " rx ";
    for (auto pos = log.find(mark); pos != std::string::npos; pos = log.find(mark, pos + 1)) {
        const auto from = pos + mark.size(), end = log.find('\n', from);
        lines.push_back(log.substr(from, end == std::string::npos ? std::string::npos : end - from));
    }
    return lines;
}

}  // namespace vexlan::testing
