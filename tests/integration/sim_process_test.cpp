// vexlan-unit-sim as a process: started with --port 0, talked to on 127.0.0.1 and on its
// pseudo-terminal with plain POSIX calls, so these cases check the simulator itself and not
// the application's transports.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point t) {
    return std::chrono::duration<double, std::milli>(clock_type::now() - t).count();
}

class sim_child {
public:
    ~sim_child() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
    }

    // Starts the simulator with --port 0 and the given options; waits for "port N" (and for
    // "pty PATH" when with_pty).
    bool start(std::vector<std::string> args, bool with_pty = false) {
        int p[2];
        if (pipe(p) < 0) return false;
        args.insert(args.begin(), {"--port", "0"});
        pid_ = fork();
        if (pid_ == 0) {
            dup2(p[1], 1);
            int devnull = open("/dev/null", O_WRONLY);
            if (devnull >= 0) dup2(devnull, 2);
            close(p[0]);
            std::vector<char*> argv;
            std::string path = VEXLAN_SIM_PATH;
            argv.push_back(path.data());
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(path.c_str(), argv.data());
            _exit(127);
        }
        close(p[1]);
        out_ = p[0];
        std::string line;
        while (port == 0 || (with_pty && pty.empty())) {
            if (!read_line(line, 5000)) return false;
            if (line.rfind("port ", 0) == 0) port = std::stoi(line.substr(5));
            if (line.rfind("pty ", 0) == 0) pty = line.substr(4);
        }
        return true;
    }

    // SIGTERM, then the exit status (-1 when it did not end within two seconds).
    int stop() {
        kill(pid_, SIGTERM);
        for (int i = 0; i < 200; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(10000);
        }
        return -1;
    }

    int port = 0;
    std::string pty;

private:
    bool read_line(std::string& line, int timeout_ms) {
        auto t0 = clock_type::now();
        for (;;) {
            std::size_t nl = buf_.find('\n');
            if (nl != std::string::npos) {
                line = buf_.substr(0, nl);
                buf_.erase(0, nl + 1);
                return true;
            }
            int left = timeout_ms - static_cast<int>(ms_since(t0));
            if (left <= 0) return false;
            pollfd pfd{out_, POLLIN, 0};
            if (poll(&pfd, 1, left) <= 0) return false;
            char b[256];
            ssize_t n = read(out_, b, sizeof b);
            if (n <= 0) return false;
            buf_.append(b, static_cast<std::size_t>(n));
        }
    }

    pid_t pid_ = -1;
    int out_ = -1;
    std::string buf_;
};

// A byte stream to the simulator (TCP socket or pseudo-terminal) with timed reads.
class endpoint {
public:
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
        if (fd < 0) return false;
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        return tcsetattr(fd, TCSANOW, &t) == 0;
    }

    void reopen_tty(const std::string& path) {
        close(fd);
        fd = -1;
        open_tty(path);
    }

    void send(const std::string& s) { ASSERT_EQ(write(fd, s.data(), s.size()), static_cast<ssize_t>(s.size())); }

    // Reads until done(received) holds, the peer closes or timeout_ms pass. Counts the reads.
    std::string read_until(const std::function<bool(const std::string&)>& done, int timeout_ms) {
        std::string got;
        auto t0 = clock_type::now();
        closed = false;
        while (!done(got)) {
            int left = timeout_ms - static_cast<int>(ms_since(t0));
            if (left <= 0) break;
            pollfd pfd{fd, POLLIN, 0};
            if (poll(&pfd, 1, left) <= 0) break;
            char b[4096];
            ssize_t n = read(fd, b, sizeof b);
            if (n <= 0) {
                closed = true;
                break;
            }
            ++reads;
            got.append(b, static_cast<std::size_t>(n));
        }
        return got;
    }

    // One reply line: complete once a CR and an LF have both arrived, in either order.
    std::string reply(int timeout_ms = 2000) {
        return read_until([](const std::string& s) {
            return s.find('\r') != std::string::npos && s.find('\n') != std::string::npos;
        }, timeout_ms);
    }

    std::string exactly(std::size_t n, int timeout_ms = 2000) {
        return read_until([n](const std::string& s) { return s.size() >= n; }, timeout_ms);
    }

    std::string ask(const std::string& line, int timeout_ms = 2000) {
        send(line);
        return reply(timeout_ms);
    }

    int fd = -1;
    int reads = 0;
    bool closed = false;
};

std::string hex_block(int seed) {
    std::string p;
    char b[4];
    for (int i = 0; i < 128; ++i) {
        std::snprintf(b, sizeof b, "%02X ", (i * 13 + seed) & 0xFF);
        p += b;
    }
    return p;
}

TEST(SimProcess, LinkQueriesPerModelAndErrorForms) {
    struct row {
        const char* model;
        const char* board;
        const char* task;
    };
    const row rows[] = {{"MRV-410", "0", "pattern"}, {"736", "1", "cable"}, {"MRV-510", "2", "analyser"}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.model);
        sim_child sim;
        ASSERT_TRUE(sim.start({"--model", r.model, "--board-id", r.board, "--task", r.task, "--fw", "9.8.7"}));
        endpoint c;
        ASSERT_TRUE(c.connect_tcp(sim.port));
        EXPECT_EQ(c.ask("$model?\r"), std::string("$model? ") + r.model + "\r\n");
        EXPECT_EQ(c.ask("$board_id?\r"), std::string("$board_id? ") + r.board + "\r\n");
        EXPECT_EQ(c.ask("$fwver?\r"), "$fwver? 9.8.7\r\n");
        EXPECT_EQ(c.ask("$task_mode?\r"), std::string("$task_mode? ") + r.task + "\r\n");
        EXPECT_EQ(c.ask("$timing  999\r"), "$timing err\r\n");
        EXPECT_EQ(c.ask("$no_such_command\r"), "$err\r\n");
        EXPECT_EQ(sim.stop(), 0);
    }
}

TEST(SimProcess, EdidReadHasExactlyTheDataPhase) {
    sim_child sim;
    ASSERT_TRUE(sim.start({}));
    endpoint c;
    ASSERT_TRUE(c.connect_tcp(sim.port));
    const std::string header = "$edid_read sink_h,block0\r\n";
    c.send("$edid_read sink_h,block0\r");
    std::string got = c.exactly(header.size() + 386);
    ASSERT_EQ(got.size(), header.size() + 386);
    EXPECT_EQ(got.substr(0, header.size()), header);
    EXPECT_EQ(got.substr(header.size(), 24), "00 FF FF FF FF FF FF 00 ");
    EXPECT_EQ(got.substr(got.size() - 2), "\r\n");
    EXPECT_EQ(c.read_until([](const std::string&) { return false; }, 150), "");   // nothing more
    std::string ddc = c.ask("$edid_read d10,block0\r");
    EXPECT_EQ(ddc, "$edid_read err_ddc\r\n");
    EXPECT_EQ(ddc.substr(11, 7), "err_ddc");
    EXPECT_EQ(c.ask("$edid_read d3,block7\r"), "$err\r\n");
}

TEST(SimProcess, EdidWriteInTwoPiecesThenReadBack) {
    sim_child sim;
    ASSERT_TRUE(sim.start({}));
    endpoint c;
    ASSERT_TRUE(c.connect_tcp(sim.port));
    std::string data = hex_block(3);
    // As over RS-232: header CR LF and 64 bytes, a pause, then 64 bytes and CR.
    c.send("$edid_write c7,block0\r\n" + data.substr(0, 192));
    EXPECT_EQ(c.read_until([](const std::string&) { return false; }, 100), "");   // no reply yet
    c.send(data.substr(192) + "\r");
    EXPECT_EQ(c.reply(), "$edid_write c7,block0\r\n");
    std::string back = c.ask("$edid_read c7,block0\r");
    back += c.exactly(22 + 386 - back.size());
    EXPECT_EQ(back, "$edid_read c7,block0\r\n" + data + "\r\n");
    c.send("$edid_write d2,block0\r\n" + data + "\r");
    EXPECT_EQ(c.reply(), "$edid_write err\r\n");
}

TEST(SimProcess, HelpEndsWithEot) {
    sim_child sim;
    ASSERT_TRUE(sim.start({}));
    endpoint c;
    ASSERT_TRUE(c.connect_tcp(sim.port));
    for (const char* cmd : {"$help\r", "$?\r"}) {
        c.send(cmd);
        std::string got = c.read_until([](const std::string& s) { return s.find('\x04') != std::string::npos; }, 3000);
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.back(), '\x04');
        EXPECT_NE(got.find("$edid_write"), std::string::npos);
        EXPECT_GT(std::count(got.begin(), got.end(), '\n'), 20);
    }
}

TEST(SimProcess, DropIgnoresEveryNthCommand) {
    sim_child sim;
    ASSERT_TRUE(sim.start({"--drop", "3"}));
    endpoint c;
    ASSERT_TRUE(c.connect_tcp(sim.port));
    std::vector<bool> answered;
    for (int i = 1; i <= 6; ++i) answered.push_back(!c.ask("$fwver?\r", 300).empty());
    EXPECT_EQ(answered, (std::vector<bool>{true, true, false, true, true, false}));
}

TEST(SimProcess, SilentCommandWordIsNeverAnswered) {
    sim_child sim;
    ASSERT_TRUE(sim.start({"--silent", "$timing"}));
    endpoint c;
    ASSERT_TRUE(c.connect_tcp(sim.port));
    EXPECT_EQ(c.ask("$timing  5\r", 300), "");
    EXPECT_EQ(c.ask("$timing? \r"), "$timing? 5\r\n");   // the unit still acted on it
    EXPECT_EQ(c.ask("$timing  7\r", 300), "");
}

TEST(SimProcess, FragmentedRepliesReassemble) {
    sim_child sim;
    ASSERT_TRUE(sim.start({"--fragment", "--seed", "7"}));
    endpoint c;
    ASSERT_TRUE(c.connect_tcp(sim.port));
    int lf_first = 0;
    const int n = 30;
    for (int i = 0; i < n; ++i) {
        std::string r = c.ask("$model?\r");
        ASSERT_EQ(r.size(), 17u) << i;
        EXPECT_EQ(r.substr(0, 15), "$model? MRV-410");
        if (r.substr(15) == "\n\r") ++lf_first;
        else EXPECT_EQ(r.substr(15), "\r\n");
    }
    EXPECT_GT(c.reads, 2 * n);      // replies came in pieces
    EXPECT_GT(lf_first, 0);         // and some ended LF CR
    EXPECT_LT(lf_first, n);
    c.send("$edid_read d1,block1\r");
    std::string e = c.exactly(22 + 386, 3000);
    ASSERT_EQ(e.size(), 22u + 386u);
    EXPECT_EQ(e.substr(0, 22), "$edid_read d1,block1\r\n");
}

TEST(SimProcess, CloseAfterRepliesThenAcceptsAgainAndRefusesASecondClient) {
    sim_child sim;
    ASSERT_TRUE(sim.start({"--close-after", "2"}));
    for (int round = 0; round < 2; ++round) {
        endpoint c;
        ASSERT_TRUE(c.connect_tcp(sim.port));
        EXPECT_EQ(c.ask("$model?\r"), "$model? MRV-410\r\n");
        if (round == 1) {
            endpoint second;   // while the first client is served
            ASSERT_TRUE(second.connect_tcp(sim.port));
            second.send("$model?\r");
            second.read_until([](const std::string&) { return false; }, 1000);
            EXPECT_TRUE(second.closed);
        }
        EXPECT_EQ(c.ask("$fwver?\r"), "$fwver? 2.18.4\r\n");
        c.send("$boot?\r");
        EXPECT_EQ(c.read_until([](const std::string&) { return false; }, 1000), "");
        EXPECT_TRUE(c.closed);
    }
}

TEST(SimProcess, PseudoTerminalServesAlongsideTcpAndSurvivesReopen) {
    std::string link = "/tmp/vexlan-sim-test-" + std::to_string(getpid());
    sim_child sim;
    ASSERT_TRUE(sim.start({"--pty", "--pty-link", link}, true));
    ASSERT_EQ(sim.pty.rfind("/dev/pts/", 0), 0u) << sim.pty;
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), sim.pty);
    endpoint tty;
    ASSERT_TRUE(tty.open_tty(link));
    EXPECT_EQ(tty.ask("$model?\r"), "$model? MRV-410\r\n");
    endpoint tcp;
    ASSERT_TRUE(tcp.connect_tcp(sim.port));
    EXPECT_EQ(tcp.ask("$timing  20\r"), "$timing 20\r\n");
    EXPECT_EQ(tty.ask("$timing? \r"), "$timing? 20\r\n");   // one unit behind both links
    tty.reopen_tty(sim.pty);
    EXPECT_EQ(tty.ask("$fwver?\r"), "$fwver? 2.18.4\r\n");
    EXPECT_EQ(sim.stop(), 0);
    struct stat st;
    EXPECT_NE(lstat(link.c_str(), &st), 0);   // the link went with the simulator
}

TEST(SimProcess, BaudPacingAndReplyDelay) {
    {
        sim_child sim;
        ASSERT_TRUE(sim.start({"--baud", "115200"}));
        endpoint c;
        ASSERT_TRUE(c.connect_tcp(sim.port));
        auto t0 = clock_type::now();
        c.send("$edid_read sink_h,block1\r");
        std::string got = c.exactly(26 + 386);
        double took = ms_since(t0);
        EXPECT_EQ(got.size(), 26u + 386u);
        EXPECT_GE(took, 412 / 11.52 * 0.9);   // 412 bytes at 11,520 bytes/s: about 36 ms
        EXPECT_GT(c.reads, 3);
    }
    {
        sim_child sim;
        ASSERT_TRUE(sim.start({"--delay-ms", "150"}));
        endpoint c;
        ASSERT_TRUE(c.connect_tcp(sim.port));
        auto t0 = clock_type::now();
        EXPECT_EQ(c.ask("$model?\r"), "$model? MRV-410\r\n");
        EXPECT_GE(ms_since(t0), 145);
    }
}

TEST(SimProcess, GarbageLinesComeOnlyBetweenReplies) {
    sim_child sim;
    ASSERT_TRUE(sim.start({"--garbage", "--seed", "3"}));
    endpoint c;
    ASSERT_TRUE(c.connect_tcp(sim.port));
    int stray = 0;
    std::string pending;
    auto next_line = [&]() {
        while (pending.find("\r\n") == std::string::npos) {
            std::string more = c.read_until([](const std::string& s) { return !s.empty(); }, 1000);
            if (more.empty()) return std::string("(timeout)");
            pending += more;
        }
        std::string line = pending.substr(0, pending.find("\r\n"));
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
