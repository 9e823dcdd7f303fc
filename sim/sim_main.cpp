// vexlan-unit-sim: a stand-in unit on 127.0.0.1 (TCP) and optionally on a pseudo-terminal.
// The protocol engine (sim_protocol.h) does the unit's work; this file owns options, sockets,
// the pseudo-terminal, fault injection and the poll loop.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <signal.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "link/app_dir.h"
#include "sim_faults.h"
#include "sim_discovery.h"
#include "sim_link.h"
#include "sim_protocol.h"
#include "sim_sources.h"
#include "unit_state.h"

#ifndef VEXLAN_DATA_DIR
#define VEXLAN_DATA_DIR "data"
#endif
#ifndef VEXLAN_VERSION
#define VEXLAN_VERSION "0"
#endif

namespace vexlan::sim {
namespace {

volatile sig_atomic_t stop_requested = 0;

void on_signal(int) { stop_requested = 1; }

struct options {
    int port = 2323;
    bool pty = false;
    std::string pty_link;
    long baud = 0;
    unit_config unit;
    double clock_scale = 1.0;
    long drop = 0;
    std::vector<std::string> silent;   // command words never answered
    link_faults faults;
    fault_rules rules;
    bool flood = false;
    bool verbose = false;
    std::string log_path;
    unsigned seed = 1;
    discovery_options discovery;
};

const char* const usage_text =
    "Usage: vexlan-unit-sim [options]\n"
    "A stand-in unit for Vexlan: answers the unit command protocol on 127.0.0.1 (TCP)\n"
    "and optionally on a pseudo-terminal.\n"
    "\n"
    "Links:\n"
    "  --port N            TCP port on 127.0.0.1 (default 2323; 0 picks a free port).\n"
    "                      Prints \"port N\" on stdout once listening. One client at a\n"
    "                      time: the next connection is accepted once the last one closed.\n"
    "  --pty               also serve a pseudo-terminal (raw mode); prints \"pty PATH\".\n"
    "  --pty-link PATH     make a symbolic link PATH to the pseudo-terminal (implies --pty).\n"
    "  --baud N            pace all output at N baud, 10 bits per byte (115200 = 11520\n"
    "                      bytes/s); without it output is immediate.\n"
    "\n"
    "Unit:\n"
    "  --model TEXT        model text reported by \"$model?\" (default MRV-410).\n"
    "  --board-id N        reply to \"$board_id?\" (default 0); with a second-family\n"
    "                      model 1 and 2 choose the catalogue, anything else counts as 0.\n"
    "  --fw TEXT           firmware version (default 2.18.4).\n"
    "  --task MODE         analyser, pattern or cable (default pattern).\n"
    "  --data-dir DIR      folder of the timing/pattern catalogues (default: the ones\n"
    "                      installed with the program).\n"
    "  --edid-dir DIR      folder of the EDID images and stores.txt (default DATA_DIR/edid).\n"
    "  --sink-edid FILE    EDID image (binary) of the HDMI sink at the output.\n"
    "  --no-sink           nothing at the output: sink_h reads err_ddc, hotplug off.\n"
    "  --no-source         nothing at the input: no +5V, no clock, no packets.\n"
    "  --source NAME       HDMI source at the input (default 1080p60); --source list\n"
    "                      prints the profiles.\n"
    "  --source-cycle 'A,B,...:SECONDS'  switch the input through these profiles, each\n"
    "                      for SECONDS of unit time, repeating.\n"
    "  --sink-hotplug 'ON,OFF[,ON,OFF...]'  the sink at the output is plugged for ON\n"
    "                      seconds, unplugged for OFF seconds, ..., repeating.\n"
    "  --cable Q           cable under test: good, marginal (fails strict after 45 s)\n"
    "                      or bad (fails after 8 s, 3 s strict). Default good.\n"
    "  --boot-ms MS        silence after \"$boot go\" (default 1000, unit time).\n"
    "  --cec-interval-ms MS  background CEC traffic period (default 4000, 0 = none).\n"
    "  --clock-scale F     unit seconds per real second, for cable timers, CEC traffic\n"
    "                      and reboot (default 1).\n"
    "\n"
    "Faults:\n"
    "  --drop N            ignore every Nth command (not carried out, no reply).\n"
    "  --silent WORD       carry out but never answer commands with this command word,\n"
    "                      e.g. \"$timing\" (repeatable).\n"
    "  --delay-ms MS       start each reply MS milliseconds late.\n"
    "  --fragment          write replies in pieces (1..7 bytes, up to 64 for replies\n"
    "                      longer than 64 bytes) with 1..8 ms pauses;\n"
    "                      one ordinary reply line in three ends LF CR.\n"
    "  --close-after N     close the TCP connection after N replies, then accept anew.\n"
    "  --garbage           now and then send a stray line right after a reply.\n"
    "  --seed N            seed of the fault randomness (default 1).\n"
    "  --reply 'WORD[ SUB]=TEXT'  answer that command with TEXT as its value\n"
    "                      (\"WORD TEXT\", or \"WORD SUB,TEXT\"); repeatable.\n"
    "  --slow 'WORD[ SUB]:MS'  answer that command MS ms late; later replies wait.\n"
    "  --late 'WORD[ SUB]:MS'  answer that command MS ms late; later replies do not\n"
    "                      wait, so the late one arrives while the client waits for another.\n"
    "  --lfcr              end every line LF CR instead of CR LF.\n"
    "  --flood             once \"$task_mode?\" is answered, answer nothing more and send\n"
    "                      filler bytes (no CR, no LF) without pause.\n"
    "\n"
    "Other:\n"
    "  --verbose           log received and sent bytes to stderr.\n"
    "  --log FILE          write each reply sent, with its command, to FILE: one line\n"
    "                      \"SECONDS<TAB>LINK<TAB>COMMAND<TAB>REPLY\", control bytes as <D>.\n"
    "  --version           the version.\n"
    "  --help              this text.\n";

bool parse_number(const std::string& s, long lo, long hi, long& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(s.c_str(), &end, 10);
    if (errno || *end || v < lo || v > hi) return false;
    out = v;
    return true;
}

// Returns 0 to run, 1 after --help, 2 on a bad option.
int parse_options(int argc, char** argv, options& o) {
    o.unit.data_dir = installed_defaults_dir(VEXLAN_DATA_DIR);
    bool edid_dir_given = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i], v;
        bool has_inline = false;
        if (a.rfind("--", 0) == 0 && a.find('=') != std::string::npos) {
            v = a.substr(a.find('=') + 1);
            a = a.substr(0, a.find('='));
            has_inline = true;
        }
        auto value = [&](std::string& out) {
            if (has_inline) {
                out = v;
                return true;
            }
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        auto bad = [&](const char* why) {
            std::fprintf(stderr, "vexlan-unit-sim: %s: %s\n", a.c_str(), why);
            return 2;
        };
        std::string s;
        long n = 0;
        if (a == "--help" || a == "-h") {
            std::fputs(usage_text, stdout);
            std::fputs(discovery_usage, stdout);
            return 1;
        } else if (a == "--version") {
            std::printf("vexlan-unit-sim %s\n", VEXLAN_VERSION);
            return 1;
        } else if (a == "--port") {
            if (!value(s) || !parse_number(s, 0, 65535, n)) return bad("expects a port number 0..65535");
            o.port = static_cast<int>(n);
        } else if (a == "--pty") {
            o.pty = true;
        } else if (a == "--pty-link") {
            if (!value(o.pty_link) || o.pty_link.empty()) return bad("expects a path");
            o.pty = true;
        } else if (a == "--baud") {
            if (!value(s) || !parse_number(s, 300, 4000000, n)) return bad("expects a baud rate");
            o.baud = n;
        } else if (a == "--model") {
            if (!value(o.unit.model) || o.unit.model.empty()) return bad("expects a model text");
        } else if (a == "--board-id") {
            if (!value(s) || !parse_number(s, 0, 255, n)) return bad("expects a number");
            o.unit.board_id = static_cast<int>(n);
        } else if (a == "--fw") {
            if (!value(o.unit.fw) || o.unit.fw.empty()) return bad("expects a version text");
        } else if (a == "--task") {
            if (!value(s) || !task_from_text(s)) return bad("expects analyser, pattern or cable");
            o.unit.initial_task = *task_from_text(s);
        } else if (a == "--data-dir") {
            if (!value(o.unit.data_dir)) return bad("expects a folder");
        } else if (a == "--edid-dir") {
            if (!value(o.unit.edid_dir)) return bad("expects a folder");
            edid_dir_given = true;
        } else if (a == "--sink-edid") {
            if (!value(o.unit.sink_edid)) return bad("expects a file");
        } else if (a == "--no-sink") {
            o.unit.no_sink = true;
        } else if (a == "--no-source") {
            o.unit.no_source = true;
        } else if (a == "--source") {
            if (!value(s)) return bad("expects a source name");
            if (s == "list") {
                for (const auto& p : source_profiles()) std::printf("%-22s %s\n", p.name.c_str(), p.description.c_str());
                return 1;
            }
            if (!source_find(s)) return bad("unknown source (see --source list)");
            o.unit.source_cycle = {s};
            o.unit.source_cycle_seconds = 0;
        } else if (a == "--source-cycle") {
            std::string why;
            if (!value(s) || !(why = source_cycle_parse(s, o.unit.source_cycle, o.unit.source_cycle_seconds)).empty())
                return bad(why.empty() ? "expects A,B,...:SECONDS" : why.c_str());
        } else if (a == "--sink-hotplug") {
            std::string why;
            if (!value(s) || !(why = sink_schedule_parse(s, o.unit.sink_schedule)).empty())
                return bad(why.empty() ? "expects ON,OFF seconds" : why.c_str());
        } else if (a == "--cable") {
            if (!value(s) || (s != "good" && s != "marginal" && s != "bad"))
                return bad("expects good, marginal or bad");
            o.unit.cable_quality = s;
        } else if (a == "--boot-ms") {
            if (!value(s) || !parse_number(s, 0, 600000, n)) return bad("expects milliseconds");
            o.unit.boot_seconds = n / 1000.0;
        } else if (a == "--cec-interval-ms") {
            if (!value(s) || !parse_number(s, 0, 3600000, n)) return bad("expects milliseconds");
            o.unit.cec_interval = n / 1000.0;
        } else if (a == "--clock-scale") {
            if (!value(s)) return bad("expects a factor");
            char* end = nullptr;
            double f = std::strtod(s.c_str(), &end);
            if (*end || !(f > 0 && f <= 100000)) return bad("expects a factor above 0");
            o.clock_scale = f;
        } else if (a == "--drop") {
            if (!value(s) || !parse_number(s, 1, 1000000, n)) return bad("expects N >= 1");
            o.drop = n;
        } else if (a == "--silent") {
            if (!value(s) || s.empty() || s[0] != '$') return bad("expects a command word such as $timing");
            o.silent.push_back(s);
        } else if (a == "--delay-ms") {
            if (!value(s) || !parse_number(s, 0, 600000, n)) return bad("expects milliseconds");
            o.faults.delay = n / 1000.0;
        } else if (a == "--fragment") {
            o.faults.fragment = true;
        } else if (a == "--close-after") {
            if (!value(s) || !parse_number(s, 1, 1000000, n)) return bad("expects N >= 1");
            o.faults.close_after = n;
        } else if (a == "--garbage") {
            o.faults.garbage = true;
        } else if (a == "--reply" || a == "--slow" || a == "--late") {
            command_rule rule;
            std::string text, why;
            if (!value(s)) return bad("expects a rule");
            why = rule_parse(s, a == "--reply" ? '=' : ':', rule, text);
            if (!why.empty()) return bad(why.c_str());
            if (a == "--reply") {
                o.rules.replies.emplace_back(rule, text);
            } else {
                if (!parse_number(text, 0, 600000, n)) return bad("expects milliseconds after the ':'");
                (a == "--slow" ? o.rules.slow : o.rules.late).emplace_back(rule, n / 1000.0);
            }
        } else if (a == "--lfcr") {
            o.faults.lfcr = true;
        } else if (a == "--flood") {
            o.flood = true;
        } else if (a == "--log") {
            if (!value(o.log_path) || o.log_path.empty()) return bad("expects a file");
        } else if (a == "--seed") {
            if (!value(s) || !parse_number(s, 0, 0x7fffffff, n)) return bad("expects a number");
            o.seed = static_cast<unsigned>(n);
        } else if (a == "--verbose" || a == "-v") {
            o.verbose = true;
        } else if (std::string why; discovery_option(a, value, o.discovery, why)) {
            if (!why.empty()) return bad(why.c_str());
        } else {
            std::fprintf(stderr, "vexlan-unit-sim: unknown option %s (see --help)\n", a.c_str());
            return 2;
        }
    }
    if (!edid_dir_given) o.unit.edid_dir = o.unit.data_dir + "/edid";
    if (o.discovery.name.empty()) o.discovery.name = o.unit.model;
    return 0;
}

double real_now() {
    static const auto start = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string visible(std::string_view b) {
    std::string s;
    for (unsigned char c : b) {
        if (c >= 32 && c < 127) {
            s += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "<%X>", c);
            s += buf;
        }
    }
    return s;
}

void set_nonblocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

struct link {
    std::string name;   // "tcp" or "pty"
    int fd = -1;
    line_reader reader;
    std::unique_ptr<link_output> out;
    bool blocked = false;   // the last write hit EAGAIN
    bool silenced = false;  // nobody has the pseudo-terminal open: replies are thrown away
};

class simulator {
public:
    explicit simulator(const options& o) : o_(o), unit_(unit_state_make(o.unit)), rng_(o.seed) {}

    int run() {
        for (const auto& n : unit_.notes) std::fprintf(stderr, "vexlan-unit-sim: %s\n", n.c_str());
        if (!o_.log_path.empty()) {
            log_file_ = std::fopen(o_.log_path.c_str(), "w");
            if (!log_file_) return fail(o_.log_path.c_str()), 1;
        }
        if (!open_listener()) return 1;
        if (o_.pty && !open_pty()) return 1;
        if (o_.discovery.udp_port >= 0) {
            const std::string why = udp_.open(o_.discovery);
            if (!why.empty()) {
                std::fprintf(stderr, "vexlan-unit-sim: %s\n", why.c_str());
                return 1;
            }
        }
        loop();
        shutdown_all();
        return 0;
    }

private:
    double rate() const { return o_.baud > 0 ? o_.baud / 10.0 : 0; }

    bool open_listener() {
        listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listen_fd_ < 0) return fail("socket");
        int one = 1;
        setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(o_.port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0) return fail("bind 127.0.0.1");
        if (listen(listen_fd_, 4) < 0) return fail("listen");
        socklen_t len = sizeof a;
        getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&a), &len);
        set_nonblocking(listen_fd_);
        std::printf("port %d\n", ntohs(a.sin_port));
        std::fflush(stdout);
        return true;
    }

    bool open_pty() {
        char name[256] = {};
        if (openpty(&pty_master_, &pty_slave_, name, nullptr, nullptr) < 0) return fail("openpty");
        termios t{};
        tcgetattr(pty_slave_, &t);
        cfmakeraw(&t);
        cfsetispeed(&t, B115200);
        cfsetospeed(&t, B115200);
        tcsetattr(pty_slave_, TCSANOW, &t);
        fcntl(pty_master_, F_SETFD, FD_CLOEXEC);
        fcntl(pty_slave_, F_SETFD, FD_CLOEXEC);
        set_nonblocking(pty_master_);
        pty_name_ = name;
        if (!o_.pty_link.empty()) {
            unlink(o_.pty_link.c_str());
            if (symlink(pty_name_.c_str(), o_.pty_link.c_str()) < 0) return fail("symlink");
        }
        pty_.name = "pty";
        pty_.fd = pty_master_;
        pty_.out = std::make_unique<link_output>(o_.faults, rate(), false);
        // Who has the terminal open: replies nobody can read are thrown away, and the next
        // client never reads what was meant for the previous one.
        pty_watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (pty_watch_ >= 0 && inotify_add_watch(pty_watch_, pty_name_.c_str(), IN_OPEN | IN_CLOSE | IN_MODIFY) < 0) {
            close(pty_watch_);
            pty_watch_ = -1;
        }
        pty_.silenced = pty_watch_ >= 0;
        std::printf("pty %s\n", pty_name_.c_str());
        std::fflush(stdout);
        return true;
    }

    bool fail(const char* what) {
        std::fprintf(stderr, "vexlan-unit-sim: %s: %s\n", what, std::strerror(errno));
        return false;
    }

    void log(const link& l, const char* dir, std::string_view b) {
        if (o_.verbose) std::fprintf(stderr, "[%9.3f] %s %s %s\n", real_now(), l.name.c_str(), dir, visible(b).c_str());
    }

    // One line per reply written in full: time, link, the command, the reply without its line end.
    void log_reply(const link& l, const sent_reply& r) {
        if (!log_file_) return;
        std::string_view b = r.bytes;
        if (b.size() >= 2 && (b.substr(b.size() - 2) == "\r\n" || b.substr(b.size() - 2) == "\n\r")) b.remove_suffix(2);
        std::string cmd = visible(r.command), rep = visible(b);
        std::fprintf(log_file_, "%.3f\t%s\t%s\t%s\n", real_now(), l.name.c_str(), cmd.c_str(), rep.c_str());
        std::fflush(log_file_);
    }

    // Opens, writes and closes of the pseudo-terminal's device by clients.
    void watch_pty() {
        alignas(inotify_event) char buf[4096];
        bool began = false, ended = false;
        for (;;) {
            ssize_t n = read(pty_watch_, buf, sizeof buf);
            if (n <= 0) break;
            for (ssize_t off = 0; off < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + off);
                off += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
                if ((e->mask & IN_OPEN) && pty_users_++ == 0) {
                    began = true;
                    pty_wrote_ = false;
                }
                if (e->mask & IN_MODIFY) pty_wrote_ = true;
                if ((e->mask & IN_CLOSE) && pty_users_ > 0 && --pty_users_ == 0) ended = true;
            }
        }
        // What the last client sent before it left is still carried out, unanswered (unless a
        // new client has written already: their bytes cannot be told apart).
        if (ended && (pty_users_ == 0 || !pty_wrote_)) {
            pty_.silenced = true;
            read_from(pty_);
        }
        // A client came or the last one left: nothing queued or unread carries over.
        if (began || ended) {
            pty_.out->clear();
            pty_.reader.reset();
            tcflush(pty_slave_, TCIFLUSH);
            if (o_.verbose) std::fprintf(stderr, "[%9.3f] pty %d user(s)\n", real_now(), pty_users_);
        }
        pty_.silenced = pty_users_ == 0;
    }

    // Called only while no client is served: the next one waits in the backlog until then.
    void accept_client() {
        int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        tcp_.name = "tcp";
        tcp_.fd = fd;
        tcp_.reader.reset();
        tcp_.blocked = false;
        tcp_.out = std::make_unique<link_output>(o_.faults, rate(), true);
        if (o_.verbose) std::fprintf(stderr, "[%9.3f] tcp client connected\n", real_now());
    }

    void close_tcp() {
        if (tcp_.fd < 0) return;
        close(tcp_.fd);
        tcp_.fd = -1;
        tcp_.reader.reset();
        if (tcp_.out) tcp_.out->clear();
        if (o_.verbose) std::fprintf(stderr, "[%9.3f] tcp connection closed\n", real_now());
    }

    // A client that sends without reading the replies is read no further once this much waits.
    static constexpr std::size_t max_queued = 1 << 20;

    bool backlogged(const link& l) const { return l.out && l.out->queued_bytes() > max_queued; }

    void read_from(link& l) {
        char buf[4096];
        while (!backlogged(l)) {
            ssize_t n = read(l.fd, buf, sizeof buf);
            if (n > 0) {
                std::string_view b(buf, static_cast<std::size_t>(n));
                log(l, "rx", b);
                for (const command& c : l.reader.feed(b)) handle(l, c);
                if (l.fd < 0) return;
                continue;
            }
            if (n == 0) {
                if (&l == &tcp_) close_tcp();
                return;
            }
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK && &l == &tcp_) close_tcp();
            return;   // a pty without an opener reads EIO: keep it for the next opener
        }
    }

    void handle(link& l, const command& c) {
        if (l.out->flooding()) return;   // a flooding unit answers nothing
        ++commands_;
        if (o_.drop > 0 && commands_ % o_.drop == 0) {
            if (o_.verbose) std::fprintf(stderr, "[%9.3f] %s dropped command %ld\n", real_now(), l.name.c_str(), commands_);
            return;
        }
        reply r = handle_command(unit_, c, real_now() * o_.clock_scale);
        for (const auto& w : o_.silent) {
            if (command_word(c.line) == w) {   // carried out, but the reply is lost
                if (o_.verbose) std::fprintf(stderr, "[%9.3f] %s silent on command %ld\n", real_now(), l.name.c_str(), commands_);
                return;
            }
        }
        r = o_.rules.apply_reply(c, r);
        double late = o_.rules.late_for(c);
        l.out->queue_reply(r, c.line, real_now(), rng_, late > 0 ? late : o_.rules.slow_for(c), late > 0);
        if (o_.flood && r.kind != reply_kind::none && command_word(c.line) == "$task_mode?") l.out->start_flood();
    }

    void write_to(link& l) {
        if (l.silenced) {
            l.out->clear();
            return;
        }
        while (l.fd >= 0 && l.out && !l.out->empty()) {
            double now = real_now();
            std::string_view w = l.out->writable(now);
            if (w.empty()) return;
            bool filler = l.out->writing_filler();
            ssize_t n = &l == &tcp_ ? send(l.fd, w.data(), w.size(), MSG_NOSIGNAL) : write(l.fd, w.data(), w.size());
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    l.blocked = true;
                    if (&l == &pty_) l.out->drop_oldest(64 * 1024);   // nobody reads the pty
                } else if (&l == &tcp_) {
                    close_tcp();
                }
                return;
            }
            l.blocked = false;
            if (!filler) log(l, "tx", w.substr(0, static_cast<std::size_t>(n)));
            if (auto done = l.out->consumed(static_cast<std::size_t>(n), now)) log_reply(l, *done);
            if (l.out->close_due()) {
                close_tcp();
                return;
            }
        }
    }

    void loop() {
        while (!stop_requested) {
            std::vector<pollfd> fds;
            std::vector<link*> owner;
            // No new client while one is served: it is accepted once the last one has gone.
            fds.push_back({tcp_.fd < 0 ? listen_fd_ : -1, POLLIN, 0});
            owner.push_back(nullptr);
            fds.push_back({pty_watch_, POLLIN, 0});
            owner.push_back(nullptr);
            link* links[2] = {&tcp_, &pty_};
            if (udp_.fd() >= 0) {
                fds.push_back({udp_.fd(), POLLIN, 0});
                owner.push_back(nullptr);
            }
            double wake = 0.2;
            for (link* l : links) {
                if (l->fd < 0) continue;
                short ev = backlogged(*l) ? 0 : POLLIN;
                if (l->blocked) ev |= POLLOUT;
                fds.push_back({l->fd, ev, 0});
                owner.push_back(l);
                if (!l->blocked && l->out) {
                    double w = l->out->next_wake(real_now());
                    if (w >= 0) wake = std::min(wake, w);
                }
            }
            int timeout = static_cast<int>(std::ceil(wake * 1000.0));
            int rc = poll(fds.data(), fds.size(), timeout);
            if (rc < 0 && errno != EINTR) break;
            if (rc > 0) {
                if (fds[1].revents & POLLIN) watch_pty();
                if (fds[0].revents & POLLIN) accept_client();
                for (std::size_t i = 2; i < fds.size(); ++i) {
                    link* l = owner[i];
                    if (!l) {  // the discovery responder
                        if (fds[i].revents & POLLIN) udp_.on_readable(o_.verbose);
                        continue;
                    }
                    if (l->fd != fds[i].fd) continue;   // closed or replaced meanwhile
                    if (fds[i].revents & POLLOUT) l->blocked = false;
                    if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
                        if (l == &pty_ && !(fds[i].revents & POLLIN)) continue;
                        read_from(*l);
                    }
                }
            }
            for (link* l : links)
                if (l->fd >= 0 && !l->blocked) write_to(*l);
        }
    }

    void shutdown_all() {
        close_tcp();
        if (listen_fd_ >= 0) close(listen_fd_);
        if (pty_master_ >= 0) close(pty_master_);
        if (pty_slave_ >= 0) close(pty_slave_);
        if (!o_.pty_link.empty()) unlink(o_.pty_link.c_str());
        if (pty_watch_ >= 0) close(pty_watch_);
        if (log_file_) std::fclose(log_file_);
    }

    options o_;
    unit_state unit_;
    std::mt19937 rng_;
    int listen_fd_ = -1;
    int pty_master_ = -1, pty_slave_ = -1;
    int pty_watch_ = -1;     // inotify descriptor watching the terminal's device
    int pty_users_ = 0;      // clients that have the terminal open
    bool pty_wrote_ = false; // the current client has written since it opened
    std::FILE* log_file_ = nullptr;
    std::string pty_name_;
    link tcp_, pty_;
    discovery_responder udp_;
    long commands_ = 0;
};

}  // namespace
}  // namespace vexlan::sim

int main(int argc, char** argv) {
    using namespace vexlan::sim;
    real_now();   // the log's time base starts here
    options o;
    int rc = parse_options(argc, argv, o);
    if (rc == 1) return 0;
    if (rc == 2) return 2;
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    simulator sim(o);
    return sim.run();
}
