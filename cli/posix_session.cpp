#include "posix_session.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "link/transaction.h"

namespace vexlan {

namespace {

std::string os_error() { return std::strerror(errno); }

}  // namespace

std::string posix_link::connect_tcp(const std::string& host, std::uint16_t port, int timeout_ms) {
    close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0)
        return "cannot resolve " + host + ": " + gai_strerror(rc);
    std::string why = "no address";
    for (addrinfo* a = found; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            why = os_error();
            continue;
        }
        int rc = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            rc = ::poll(&p, 1, timeout_ms);
            if (rc == 0) {
                why = "timed out";
                ::close(fd);
                continue;
            }
            int err = 0;
            socklen_t len = sizeof err;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
            rc = err == 0 ? 0 : -1;
            errno = err;
        }
        if (rc != 0) {
            why = os_error();
            ::close(fd);
            continue;
        }
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        fd_ = fd;
        tcp_ = true;
        break;
    }
    ::freeaddrinfo(found);
    return fd_ >= 0 ? std::string() : why;
}

std::string posix_link::open_serial(const std::string& device) {
    close();
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return os_error();
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        const auto why = os_error();
        ::close(fd);
        return "not a serial port (" + why + ")";
    }
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B115200);
    ::cfsetospeed(&t, B115200);
    t.c_cflag &= static_cast<tcflag_t>(~(PARENB | CSTOPB | CSIZE | CRTSCTS));
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        const auto why = os_error();
        ::close(fd);
        return why;
    }
    ::tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    tcp_ = false;
    device_ = device;
    return {};
}

void posix_link::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool posix_link::write(const std::string& bytes) {
    std::size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, 2000) <= 0) return false;
        } else {
            return false;
        }
    }
    return done == bytes.size();
}

std::size_t posix_link::bytes_to_write() const {
    int n = 0;
    if (fd_ < 0) return 0;
    if (::ioctl(fd_, tcp_ ? SIOCOUTQ : TIOCOUTQ, &n) != 0) return 0;
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void posix_link::wait_written(int timeout_ms) {
    if (fd_ < 0 || tcp_) return;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (bytes_to_write() > 0 && std::chrono::steady_clock::now() < until) ::usleep(500);
}

void posix_link::discard_input() {
    if (fd_ < 0) return;
    if (!tcp_) ::tcflush(fd_, TCIFLUSH);
    // What is waiting now, bounded: a peer that sends without pause never keeps this loop going.
    char buf[4096];
    for (std::size_t n = 0; n < 16 * rx_read_chunk;) {
        const ssize_t got = ::read(fd_, buf, sizeof buf);
        if (got <= 0) break;
        n += static_cast<std::size_t>(got);
    }
}

std::size_t posix_link::bytes_available() const {
    int n = 0;
    if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &n) != 0) return 0;
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::string posix_link::read_all() {
    // At most one chunk per call, so that each wake-up of a wait is short whatever the input rate.
    std::string out(rx_read_chunk, '\0');
    std::size_t have = 0;
    while (fd_ >= 0 && have < out.size()) {
        const ssize_t n = ::read(fd_, out.data() + have, out.size() - have);
        if (n <= 0) break;
        have += static_cast<std::size_t>(n);
    }
    out.resize(have);
    return out;
}

bool posix_link::probe() {
    int n = 0;
    if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &n) != 0) return false;
    struct stat st {};
    return tcp_ || ::stat(device_.c_str(), &st) == 0;
}

std::uint32_t posix_clock::now_ms() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void posix_pump::poll_once(int timeout_ms) {
    if (link_.fd() < 0) {
        if (timeout_ms > 0) ::usleep(static_cast<useconds_t>(timeout_ms) * 1000);
        return;
    }
    pollfd p{link_.fd(), POLLIN, 0};
    const int rc = ::poll(&p, 1, timeout_ms);
    if (rc <= 0) return;
    const std::string bytes = link_.read_all();
    if (!bytes.empty()) {
        link_receive(ctx_, bytes);
    } else if (link_.is_tcp() && (p.revents & (POLLIN | POLLHUP | POLLERR))) {
        // the unit closed the connection
        link_.close();
        ctx_.link.eth_connected = false;
    } else if (!link_.is_tcp() && (p.revents & (POLLHUP | POLLERR))) {
        ::usleep(static_cast<useconds_t>(std::max(timeout_ms, 1)) * 1000);  // a line with nobody at the far end
    }
}

void posix_pump::wait_until(std::uint32_t deadline_ms, const std::function<bool()>& done) {
    for (;;) {
        if (done()) return;
        const auto remaining = static_cast<std::int32_t>(deadline_ms - clock_.now_ms());
        if (remaining <= 0) return;
        poll_once(remaining);
    }
}

msg_answer stderr_dialogs::message_box(const std::string& text, msg_icon icon, msg_buttons buttons,
                                       const std::string&) {
    const char* kind = icon == msg_icon::critical ? "error" : icon == msg_icon::exclamation ? "warning" : "note";
    std::fprintf(stderr, "%s: %s\n", kind, text.c_str());
    return buttons == msg_buttons::ok ? msg_answer::ok : msg_answer::cancel;
}

posix_session::posix_session() { ctx.ports = {&link, &link, &clock, &pump, &timers, &dialogs}; }

std::string posix_session::open_tcp(const std::string& target, int timeout_ms) {
    ctx.link.link_iface = 1;
    std::string host;
    std::uint16_t port = 23;
    if (auto err = tcp_target_parse(target, 23, host, port); !err.empty()) return err;
    const auto err = link.connect_tcp(host, port, timeout_ms);
    if (!err.empty()) return "cannot connect to " + host + ":" + std::to_string(port) + " (" + err + ")";
    ctx.link.eth_connected = true;
    return {};
}

std::string posix_session::open_serial(const std::string& device) {
    ctx.link.link_iface = 0;
    const auto err = link.open_serial(device);
    if (!err.empty()) return "cannot open serial port " + device + ": " + err;
    ctx.link.com_open = true;
    return {};
}

}  // namespace vexlan
