// Transaction round trips and an EDID read against vexlan-unit-sim, over loopback TCP and over
// a pseudo-terminal, and the CPU spent while a transaction waits for a unit that stays silent.
// Prints a table; it is not a test.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "edid/edid_transfer.h"
#include "link/transaction.h"
#include "platform/qt_session.h"
#include "sim_process.h"

using namespace vexlan;
using namespace vexlan::testing;

namespace {

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct stats {
    double median_ms = 0, p99_ms = 0, per_second = 0;
    int failures = 0;
};

stats round_trips(qt_session& s, int count) {
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(count));
    stats st;
    QElapsedTimer all;
    all.start();
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        if (cmdtx_str(s.ctx, "$timing? 1\r") != 1) ++st.failures;
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    const double total_s = static_cast<double>(all.nsecsElapsed()) / 1e9;
    std::sort(ms.begin(), ms.end());
    st.median_ms = ms[ms.size() / 2];
    st.p99_ms = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    st.per_second = count / total_s;
    return st;
}

bool open_and_link(qt_session& s, sim_process& sim, bool serial) {
    if (!sim.ok()) return false;
    const auto err = serial ? s.open_serial(sim.pty()) : s.open_tcp(sim.tcp_target());
    if (!err.empty()) {
        std::fprintf(stderr, "%s\n", err.c_str());
        return false;
    }
    unit_identity id;
    return unit_identity_query(s.ctx, id) && s.ctx.profile.model_index != model_none;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    std::printf("%-44s %10s %10s %12s\n", "transaction round trip (\"$timing? 1\")", "median ms", "p99 ms", "commands/s");
    for (bool serial : {false, true}) {
        sim_process sim({"--pty"});
        qt_session s;
        if (!open_and_link(s, sim, serial)) {
            std::printf("%s: the simulator could not be linked\n", serial ? "pty" : "tcp");
            return 1;
        }
        const auto st = round_trips(s, serial ? count / 2 : count);
        std::printf("%-44s %10.3f %10.3f %12.0f%s\n", serial ? "pseudo-terminal (serial adapter)" : "loopback TCP",
                    st.median_ms, st.p99_ms, st.per_second,
                    st.failures ? "  (some not accepted!)" : "");
    }

    // A four-block EDID read over the pseudo-terminal, the simulator pacing its output at the
    // serial line's 11,520 bytes/s.
    {
        sim_process sim({"--pty", "--baud", "115200", "--sink-edid",
                         VEXLAN_DATA_DIR "/edid/vexlan_block_map_4b.bin"});
        qt_session s;
        if (!open_and_link(s, sim, true)) {
            std::printf("EDID read: the simulator could not be linked\n");
            return 1;
        }
        QElapsedTimer t;
        t.start();
        const auto r = edid_read_from_unit(s.ctx, "sink_h");
        const double took_ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
        // Bytes the unit sends: per block the header line and the 386-character data phase.
        std::size_t reply_bytes = 0, request_bytes = 0;
        for (int b = 0; b < r.blocks_read; ++b) {
            reply_bytes += std::string("$edid_read sink_h,block0\r\n").size() + 386;
            request_bytes += std::string("$edid_read sink_h,block0\r").size();
        }
        const double wire_ms = static_cast<double>(reply_bytes) / 11520.0 * 1000.0;
        const double wire_both_ms = static_cast<double>(reply_bytes + request_bytes) / 11520.0 * 1000.0;
        std::printf("\n4-block EDID read over the pseudo-terminal at 115200 baud (%s, %d blocks)\n",
                    r.ok ? "ok" : "FAILED", r.blocks_read);
        std::printf("  measured %.1f ms; wire time of the reply bytes (%zu B at 11,520 B/s) %.1f ms -> %.2fx\n",
                    took_ms, reply_bytes, wire_ms, took_ms / wire_ms);
        std::printf("  (requests and replies both at line rate: %.1f ms)\n", wire_both_ms);
    }

    // CPU spent while a transaction waits for a unit that never answers (two sends, 6.4 s).
    {
        sim_process sim({"--drop", "1"});
        qt_session s;
        if (!sim.ok() || !s.open_tcp(sim.tcp_target()).empty()) {
            std::printf("silent unit: the simulator could not be reached\n");
            return 1;
        }
        s.ctx.profile.model_index = 0;  // the silent unit cannot be linked; pretend it was
        QElapsedTimer t;
        t.start();
        const double cpu0 = cpu_seconds();
        const int result = cmdtx_str(s.ctx, "$timing? 1\r");
        const double cpu = cpu_seconds() - cpu0;
        const double wall = static_cast<double>(t.nsecsElapsed()) / 1e9;
        std::printf("\nunanswered transaction: result %d after %.2f s wall, %.3f s CPU = %.2f %% of the wait\n", result,
                    wall, cpu, 100.0 * cpu / wall);
    }
    return 0;
}
