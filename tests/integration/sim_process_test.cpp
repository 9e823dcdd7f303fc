// vexlan-unit-sim as a process, talked to with plain POSIX calls so that none of the
// application's transports is involved: the pseudo-terminal and its clients, one TCP client at
// a time, the fault options wired to the links, and a clean exit on SIGTERM. The engine, the
// pacing and the source profiles are covered by the unit tests.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <sstream>

#include "../unit/temp_dir.h"
#include "sim_process.h"

using vexlan::testing::sim_process;

namespace {

// A byte stream to the simulator (TCP socket or pseudo-terminal) with timed reads.
struct endpoint {
    int fd = -1;
    ~endpoint() {
        if (fd >= 0) close(fd);
    }
    bool connect_tcp(int port) {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    bool open_tty(const std::string& path) {
        fd = open(path.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        if (fd < 0 || tcgetattr(fd, &t) != 0) return false;
        cfmakeraw(&t);
        return tcsetattr(fd, TCSANOW, &t) == 0;
    }
    void send(const std::string& s) { ASSERT_EQ(write(fd, s.data(), s.size()), static_cast<ssize_t>(s.size())); }

    // Reads until every character of `ends` and at least `size` bytes have arrived, the peer
    // closes or timeout_ms pass.
    std::string read_until(const std::string& ends, int timeout_ms = 2000, std::size_t size = 0) {
        std::string got;
        const auto seen = [&](char e) { return got.find(e) != std::string::npos; };
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        for (char b[4096]; got.size() < size || !std::all_of(ends.begin(), ends.end(), seen);) {
            const auto left = until - std::chrono::steady_clock::now();
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(left).count();
            pollfd pfd{fd, POLLIN, 0};
            const ssize_t n = ms > 0 && poll(&pfd, 1, static_cast<int>(ms)) > 0 ? read(fd, b, sizeof b) : 0;
            if (n <= 0) break;
            got.append(b, static_cast<std::size_t>(n));
        }
        return got;
    }
    // Sends a line and reads one reply line (complete once a CR and an LF have both arrived).
    std::string ask(const std::string& line, int timeout_ms = 2000) {
        send(line);
        return read_until("\r\n", timeout_ms);
    }
};

TEST(SimProcess, PseudoTerminalServesBesideTcpAndKeepsNothingForTheNextClient) {
    const vexlan::testing::temp_dir dir("vexlan-sim-pty");
    const std::string link = dir.file("pty");
    sim_process sim({"--pty", "--pty-link", QString::fromStdString(link), "--slow", "$timing?:300"});
    ASSERT_TRUE(sim.ok());
    ASSERT_EQ(sim.pty().rfind("/dev/pts/", 0), 0u) << sim.pty();
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), sim.pty());
    {
        endpoint tty, tcp;
        ASSERT_TRUE(tty.open_tty(link));
        ASSERT_TRUE(tcp.connect_tcp(sim.port()));
        EXPECT_EQ(tcp.ask("$timing  20\r"), "$timing 20\r\n");
        EXPECT_EQ(tty.ask("$timing? \r"), "$timing? 20\r\n");  // one unit behind both links
        EXPECT_EQ(tty.ask("$fwver?\r$timing? \r"), "$fwver? 2.18.4\r\n");  // leaves before the slow reply
    }
    endpoint reopened;  // served again, and never given the previous client's reply
    ASSERT_TRUE(reopened.open_tty(sim.pty()));
    EXPECT_EQ(reopened.ask("$fwver?\r"), "$fwver? 2.18.4\r\n");
    EXPECT_EQ(sim.stop(), 0);
    struct stat st;
    EXPECT_NE(lstat(link.c_str(), &st), 0);  // the link went with the simulator
}

TEST(SimProcess, FaultOptionsShapeTheRepliesAndTheLogRecordsEach) {
    const vexlan::testing::temp_dir dir("vexlan-sim-log");
    const std::string log = dir.file("log");
    sim_process sim({"--lfcr", "--silent", "$timing", "--reply", "$pattern?=None", "--late", "$edid_manuf? d1:300",
                     "--source", "2160p60-hdr10", "--log", QString::fromStdString(log)});
    ASSERT_TRUE(sim.ok());
    endpoint c;
    ASSERT_TRUE(c.connect_tcp(sim.port()));
    EXPECT_EQ(c.ask("$pattern? \r"), "$pattern? None\n\r");
    EXPECT_EQ(c.ask("$source_detect? tmds_clock\r"), "$source_detect? tmds_clock,371250\n\r");
    EXPECT_EQ(c.ask("$timing  5\r", 200), "");  // carried out, never answered
    c.send("$edid_manuf? d1\r");
    EXPECT_EQ(c.ask("$timing? \r"), "$timing? 5\n\r");  // answered before the late one
    EXPECT_EQ(c.read_until("\r"), "$edid_manuf? d1,VXL\n\r");
    EXPECT_EQ(sim.stop(), 0);
    std::istringstream text(dir.read("log"));
    std::vector<std::string> rows;  // "SECONDS<TAB>LINK<TAB>COMMAND<TAB>REPLY"
    for (std::string l; std::getline(text, l);) rows.push_back(l.substr(l.find('\t') + 1));
    EXPECT_EQ(rows, (std::vector<std::string>{"tcp\t$pattern? \t$pattern? None",
                                              "tcp\t$source_detect? tmds_clock\t$source_detect? tmds_clock,371250",
                                              "tcp\t$timing? \t$timing? 5", "tcp\t$edid_manuf? d1\t$edid_manuf? d1,VXL"}));
}

TEST(SimProcess, FloodStartsOnceLinkedAndAnswersNothingMore) {
    sim_process sim({"--flood"});
    ASSERT_TRUE(sim.ok());
    endpoint c;
    ASSERT_TRUE(c.connect_tcp(sim.port()));
    EXPECT_EQ(c.ask("$model?\r"), "$model? MRV-410\r\n");
    c.send("$task_mode?\r$fwver?\r");
    const std::string got = c.read_until("", 3000, 1u << 20);
    EXPECT_GE(got.size(), 1u << 20);
    const std::string linked = "$task_mode? pattern\r\n";
    EXPECT_EQ(got.substr(0, linked.size()), linked);
    EXPECT_EQ(got.find_first_of("\r\n", linked.size()), std::string::npos);
}

// The next TCP client is served only once the previous one has gone; one that does not read its
// replies keeps the simulator small all the same.
TEST(SimProcess, OneTcpClientAtATimeAndOneThatDoesNotReadKeepsTheSimulatorSmall) {
    sim_process sim;
    ASSERT_TRUE(sim.ok());
    auto first = std::make_unique<endpoint>();
    endpoint c;
    ASSERT_TRUE(first->connect_tcp(sim.port()));
    ASSERT_TRUE(c.connect_tcp(sim.port()));  // waits in the backlog, neither served nor closed
    c.send("$model?\r");
    EXPECT_EQ(first->ask("$fwver?\r"), "$fwver? 2.18.4\r\n");
    static char b[1 << 16];
    EXPECT_EQ(recv(c.fd, b, 1, MSG_DONTWAIT), -1);
    first.reset();
    EXPECT_EQ(c.read_until("\n"), "$model? MRV-410\r\n");

    std::string burst;
    while (burst.size() < 100000) burst += "$help\r";   // about 80 MB of command lists
    fcntl(c.fd, F_SETFL, O_NONBLOCK);
    std::size_t sent = 0;
    for (int stalls = 0; sent < burst.size() && stalls < 50;) {
        const ssize_t n = write(c.fd, burst.data() + sent, burst.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else {
            ++stalls;
            pollfd p{c.fd, POLLOUT, 0};
            poll(&p, 1, 10);
        }
    }
    fcntl(c.fd, F_SETFL, 0);
    const std::size_t lists = sent / 6;
    std::size_t eots = 0;
    for (pollfd p{c.fd, POLLIN, 0}; eots < lists && poll(&p, 1, 5000) > 0;) {
        const ssize_t n = read(c.fd, b, sizeof b);
        if (n <= 0) break;
        eots += static_cast<std::size_t>(std::count(b, b + n, '\x04'));
    }
    EXPECT_EQ(eots, lists);   // every command answered in the end
    const long peak_kb = vexlan::testing::proc_status_kb(std::to_string(sim.pid()), "VmHWM:");
    EXPECT_GT(peak_kb, 0);
    EXPECT_LT(peak_kb, 40000);
}

}  // namespace
