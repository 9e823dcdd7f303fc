// Qt adapters of the clock, the event pump, the named timers and the dialogs.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "link/ports.h"

namespace vexlan {

// Milliseconds since the adapter was made, as a wrapping 32-bit tick.
class qt_clock : public clock_port {
public:
    qt_clock() { timer_.start(); }
    std::uint32_t now_ms() override { return static_cast<std::uint32_t>(timer_.elapsed()); }

private:
    QElapsedTimer timer_;
};

// Waits inside the Qt event loop: sleeps until the next event (socket data, a timer, input)
// or the deadline, and returns as soon as an event made the awaited condition true.
class qt_event_pump : public event_pump {
public:
    explicit qt_event_pump(clock_port& clock) : clock_(clock) {}
    void process_events() override;
    void wait_until(std::uint32_t deadline_ms, const std::function<bool()>& done) override;
    void post(std::function<void()> fn) override;

private:
    clock_port& clock_;
    QObject posted_;  // posted calls die with the pump
};

// The four named timers; the application sets what each tick runs.
class qt_timers : public QObject, public timer_port {
    Q_OBJECT
public:
    explicit qt_timers(QObject* parent = nullptr);
    void set_enabled(timer_id t, bool on) override;
    bool enabled(timer_id t) const override;
    void set_interval(timer_id t, int ms) override;
    int interval(timer_id t) const override;
    void on_tick(timer_id t, std::function<void()> fn);

private:
    std::array<QTimer, 4> timers_;
    std::array<std::function<void()>, 4> ticks_;
};

// Messages of a program without windows go to stderr; questions get the default answer.
class console_dialogs : public dialog_port {
public:
    msg_answer message_box(const std::string& text, msg_icon icon, msg_buttons buttons,
                           const std::string& title) override;
    std::vector<std::string> messages;
};

}  // namespace vexlan
