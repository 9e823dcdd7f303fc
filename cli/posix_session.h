// The command-line tool's own platform: plain POSIX sockets, termios and poll(), so that
// vexlan-cli starts in a moment and runs where no Qt libraries are installed. The application
// window and the integration tests use the Qt adapters of src/platform instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/app_context.h"

namespace vexlan {

class posix_link : public byte_link {
public:
    ~posix_link() override { close(); }
    // TCP: connects to host:port within timeout_ms. Returns "" or the reason.
    std::string connect_tcp(const std::string& host, std::uint16_t port, int timeout_ms);
    // Serial: opens the device at 115200,N,8,1, raw. Returns "" or the reason.
    std::string open_serial(const std::string& device);
    void close();
    int fd() const { return fd_; }
    bool is_tcp() const { return tcp_; }

    bool is_open() const override { return fd_ >= 0; }
    bool write(const std::string& bytes) override;
    std::size_t bytes_to_write() const override;
    void wait_written(int timeout_ms) override;
    void discard_input() override;
    std::size_t bytes_available() const override;
    std::string read_all() override;
    bool probe() override;

private:
    int fd_ = -1;
    bool tcp_ = false;
    std::string device_;
};

class posix_clock : public clock_port {
public:
    std::uint32_t now_ms() override;
};

// Waits in poll() on the link until data arrives or the deadline passes; data goes straight to
// the receivers. When the far end closes a TCP connection the link counts as down.
class posix_pump : public event_pump {
public:
    posix_pump(app_context& ctx, posix_link& link, clock_port& clock) : ctx_(ctx), link_(link), clock_(clock) {}
    void process_events() override { poll_once(0); }
    void wait_until(std::uint32_t deadline_ms, const std::function<bool()>& done) override;

private:
    void poll_once(int timeout_ms);
    app_context& ctx_;
    posix_link& link_;
    clock_port& clock_;
};


// Messages go to stderr; questions get the cautious answer.
class stderr_dialogs : public dialog_port {
public:
    msg_answer message_box(const std::string& text, msg_icon icon, msg_buttons buttons,
                           const std::string& title) override;
};

class posix_session {
public:
    posix_session();
    // "HOST" or "HOST:PORT" (port 23 by default). Returns "" or the reason.
    std::string open_tcp(const std::string& target, int timeout_ms);
    std::string open_serial(const std::string& device);

    posix_link link;
    posix_clock clock;
    recorded_timers timers;  // nothing ticks: received bytes are taken as they arrive
    stderr_dialogs dialogs;
    app_context ctx;
    posix_pump pump{ctx, link, clock};
};

}  // namespace vexlan
