// vexlan-unit-sim's own options, talked to with plain POSIX calls so that none of the
// application's transports is involved: the pseudo-terminal and its link, --baud pacing,
// --silent, --garbage and a clean exit on SIGTERM. The protocol itself is covered by the
// engine tests and by the transport tests against the simulator.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "sim_process.h"

using vexlan::testing::sim_process;

namespace {

using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point t) {
    return std::chrono::duration<double, std::milli>(clock_type::now() - t).count();
}

// A byte stream to the simulator (TCP socket or pseudo-terminal) with timed reads.
struct endpoint {
    int fd = -1;
    int reads = 0;
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

    // Reads until done(received) holds, the peer closes or timeout_ms pass.
    std::string read_until(const std::function<bool(const std::string&)>& done, int timeout_ms) {
        std::string got;
        const auto t0 = clock_type::now();
        while (!done(got)) {
            const int left = timeout_ms - static_cast<int>(ms_since(t0));
            pollfd pfd{fd, POLLIN, 0};
            if (left <= 0 || poll(&pfd, 1, left) <= 0) break;
            char b[4096];
            const ssize_t n = read(fd, b, sizeof b);
            if (n <= 0) break;
            ++reads;
            got.append(b, static_cast<std::size_t>(n));
        }
        return got;
    }
    // Sends a line and reads one reply line (complete once a CR and an LF have both arrived).
    std::string ask(const std::string& line, int timeout_ms = 2000) {
        send(line);
        return read_until([](const std::string& s) {
            return s.find('\r') != std::string::npos && s.find('\n') != std::string::npos;
        }, timeout_ms);
    }
};

TEST(SimProcess, PseudoTerminalServesBesideTcpAndSigtermEndsCleanly) {
    const std::string link = "/tmp/vexlan-sim-test-" + std::to_string(getpid());
    sim_process sim({"--pty", "--pty-link", QString::fromStdString(link)});
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
    }
    endpoint reopened;  // the terminal is served again after its last user closed it
    ASSERT_TRUE(reopened.open_tty(sim.pty()));
    EXPECT_EQ(reopened.ask("$fwver?\r"), "$fwver? 2.18.4\r\n");
    EXPECT_EQ(sim.stop(), 0);
    struct stat st;
    EXPECT_NE(lstat(link.c_str(), &st), 0);  // the link went with the simulator
}

TEST(SimProcess, BaudPacesTheReplyBytes) {
    sim_process sim({"--baud", "115200"});
    ASSERT_TRUE(sim.ok());
    endpoint c;
    ASSERT_TRUE(c.connect_tcp(sim.port()));
    const auto t0 = clock_type::now();
    c.send("$edid_read sink_h,block1\r");
    const std::string got = c.read_until([](const std::string& s) { return s.size() >= 26 + 386; }, 2000);
    EXPECT_EQ(got.size(), 26u + 386u);
    EXPECT_GE(ms_since(t0), 412 / 11.52 * 0.9);  // 412 bytes at 11,520 bytes/s: about 36 ms
    EXPECT_GT(c.reads, 3);
}

TEST(SimProcess, SilentCommandWordIsActedOnButNeverAnswered) {
    sim_process sim({"--silent", "$timing"});
    ASSERT_TRUE(sim.ok());
    endpoint c;
    ASSERT_TRUE(c.connect_tcp(sim.port()));
    EXPECT_EQ(c.ask("$timing  5\r", 300), "");
    EXPECT_EQ(c.ask("$timing? \r"), "$timing? 5\r\n");
}

TEST(SimProcess, GarbageLinesComeOnlyBetweenReplies) {
    sim_process sim({"--garbage", "--seed", "3"});
    ASSERT_TRUE(sim.ok());
    endpoint c;
    ASSERT_TRUE(c.connect_tcp(sim.port()));
    int stray = 0;
    std::string pending;
    auto next_line = [&]() {
        while (pending.find("\r\n") == std::string::npos) {
            const std::string more = c.read_until([](const std::string& s) { return !s.empty(); }, 1000);
            if (more.empty()) return std::string("(timeout)");
            pending += more;
        }
        const std::string line = pending.substr(0, pending.find("\r\n"));
        pending.erase(0, line.size() + 2);
        return line;
    };
    for (int i = 0; i < 40; ++i) {
        c.send("$pattern? \r");
        std::string line;
        for (int k = 0; k < 5 && (line = next_line()) != "$pattern? 1"; ++k) ++stray;
        EXPECT_EQ(line, "$pattern? 1") << i;
    }
    EXPECT_GT(stray, 0);
}

}  // namespace
