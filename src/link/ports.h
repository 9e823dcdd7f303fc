// The few things the core asks of the platform. The Qt layer implements them for the real
// application; tests implement them with fakes (a clock that only moves when the fake event
// pump advances it, and a scripted unit on the byte link).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace vexlan {

// One link to a unit: a serial port or a TCP connection.
class byte_link {
public:
    virtual ~byte_link() = default;
    // Serial: the port is open (as the port reports). TCP: the socket is connected.
    virtual bool is_open() const = 0;
    virtual bool write(const std::string& bytes) = 0;
    // Bytes handed to write() that have not yet left the machine (transmit buffer count).
    virtual std::size_t bytes_to_write() const = 0;
    // Blocks, without processing window events, until the transmit buffer is empty or the
    // timeout runs out.
    virtual void wait_written(int timeout_ms) = 0;
    // Drops every byte waiting in the receive buffer.
    virtual void discard_input() = 0;
    // Number of received bytes waiting to be read.
    virtual std::size_t bytes_available() const = 0;
    // What waits in the receive buffer, as raw bytes: at most rx_read_chunk (link_state.h) per
    // call, so that a wake-up stays short whatever the input rate.
    virtual std::string read_all() = 0;
    // Serial: false when the receive-buffer count cannot be queried (the port has gone).
    virtual bool probe() { return is_open(); }
};

// The millisecond tick counter (wraps like a 32-bit counter).
class clock_port {
public:
    virtual ~clock_port() = default;
    virtual std::uint32_t now_ms() = 0;
};

// Window event processing.
class event_pump {
public:
    virtual ~event_pump() = default;
    // Runs the events that are pending now, then returns.
    virtual void process_events() = 0;
    // Processes events as they come, sleeping in between, until done() holds or the clock
    // reaches deadline_ms. Returns as soon as an event made done() true.
    virtual void wait_until(std::uint32_t deadline_ms, const std::function<bool()>& done) = 0;
    // Runs fn once from the event loop, after the handler that is running now has returned.
    // A pump without an event loop of its own (the command-line tool, where no operator action
    // is ever deferred) drops it.
    virtual void post(std::function<void()> fn) { (void)fn; }
};

enum class timer_id { tim_rx, tim_monitor, tim_clock, tim_eth };

class timer_port {
public:
    virtual ~timer_port() = default;
    virtual void set_enabled(timer_id t, bool on) = 0;
    virtual bool enabled(timer_id t) const = 0;
    virtual void set_interval(timer_id t, int ms) = 0;
    virtual int interval(timer_id t) const = 0;
};

// "HOST" or "HOST:PORT" of a TCP link; the port is `default_port` when not given. Returns "" or
// what is wrong with the text.
std::string tcp_target_parse(const std::string& target, std::uint16_t default_port, std::string& host,
                             std::uint16_t& port);

// Timers that only remember what they were told: for programs and tests in which nothing ticks
// by itself.
class recorded_timers : public timer_port {
public:
    void set_enabled(timer_id t, bool on) override { enabled_[index(t)] = on; }
    bool enabled(timer_id t) const override { return enabled_[index(t)]; }
    void set_interval(timer_id t, int ms) override { interval_[index(t)] = ms; }
    int interval(timer_id t) const override { return interval_[index(t)]; }

private:
    static std::size_t index(timer_id t) { return static_cast<std::size_t>(t); }
    std::array<bool, 4> enabled_{};
    std::array<int, 4> interval_{};
};

enum class msg_icon { critical, exclamation, information, question };
enum class msg_buttons { ok, yes_no_cancel, yes_no, yes_no_default_no };
enum class msg_answer { ok, yes, no, cancel };

struct file_dialog_request {
    std::string title;
    std::string filter;       // "text|pattern|text|pattern..." as the windows name them
    int filter_index = 1;     // 1-based, as chosen on return
    std::string folder;
    std::string file_name;
};

class dialog_port {
public:
    virtual ~dialog_port() = default;
    virtual msg_answer message_box(const std::string& text, msg_icon icon,
                                   msg_buttons buttons = msg_buttons::ok,
                                   const std::string& title = {}) = 0;
    // Returns the chosen path, or "" on cancel; req.filter_index receives the chosen filter.
    virtual std::string file_open(file_dialog_request& req) { (void)req; return {}; }
    virtual std::string file_save(file_dialog_request& req) { (void)req; return {}; }
};

}  // namespace vexlan
