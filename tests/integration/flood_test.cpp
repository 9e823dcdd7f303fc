// A peer on loopback that sends without pause: both sessions (the Qt one of the window and the
// POSIX one of vexlan-cli) give "no response" within the ordinary wait, with flat memory, and
// the Qt event loop keeps serving its timers meanwhile.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <thread>

#include "link/transaction.h"
#include "platform/qt_session.h"
#include "posix_session.h"

using namespace vexlan;

namespace {

// Accepts one client on 127.0.0.1 and writes `chunk` to it until told to stop.
class flood_peer {
public:
    explicit flood_peer(std::string chunk) : chunk_(std::move(chunk)) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 1) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] {
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) return;
            while (!stop_ && ::send(c, chunk_.data(), chunk_.size(), MSG_NOSIGNAL) > 0) {
            }
            ::close(c);
        });
    }
    ~flood_peer() {
        stop_ = true;
        ::shutdown(fd_, SHUT_RDWR);
        if (thread_.joinable()) thread_.join();
        ::close(fd_);
    }
    std::string target() const { return "127.0.0.1:" + std::to_string(port_); }
    bool ok() const { return port_ != 0; }

private:
    std::string chunk_;
    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

long resident_kib() {
    std::ifstream f("/proc/self/status");
    std::string key;
    long v = 0;
    while (f >> key) {
        if (key == "VmRSS:") {
            f >> v;
            return v;
        }
        f.ignore(1 << 12, '\n');
    }
    return 0;
}

// One command against the flood: result 2 after both sends' waits, memory flat.
template <class Session>
void expect_no_response_with_flat_memory(Session& s) {
    s.ctx.profile.model_index = 0;  // linked: every command may pass
    const long rss_before = resident_kib();
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(cmdtx_str(s.ctx, "$timing? \r"), 2);
    EXPECT_LE(t.elapsed(), 6500);
    EXPECT_LE(s.ctx.link.rx_line.size(), rx_line_limit);
    EXPECT_LT(resident_kib() - rss_before, 50 * 1024) << "KiB grown during the wait";
}

const std::string no_line_end(16 * 1024, 'x');

}  // namespace

TEST(Flood, QtSessionGivesNoResponseInTimeAndKeepsServingEvents) {
    flood_peer peer(no_line_end);
    ASSERT_TRUE(peer.ok());
    qt_session s;
    ASSERT_EQ(s.open_tcp(peer.target()), "");
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(20);
    expect_no_response_with_flat_memory(s);
    EXPECT_GT(ticks, 100) << "timers starved during the 6.4 s wait";
    // Idle: what arrives between transactions is kept only up to its cap.
    const long rss_before = resident_kib();
    s.pump.wait_until(s.clock.now_ms() + 300, [] { return false; });
    EXPECT_LE(s.ctx.link.rx_idle.size(), rx_idle_limit);
    EXPECT_LT(resident_kib() - rss_before, 50 * 1024);
}

TEST(Flood, PosixSessionGivesNoResponseInTime) {
    flood_peer peer(no_line_end);
    ASSERT_TRUE(peer.ok());
    posix_session s;
    ASSERT_EQ(s.open_tcp(peer.target(), 2000), "");
    expect_no_response_with_flat_memory(s);
}
