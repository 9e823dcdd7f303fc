#include "platform/qt_runtime.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <cstdio>

namespace vexlan {

void qt_event_pump::process_events() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void qt_event_pump::wait_until(std::uint32_t deadline_ms, const std::function<bool()>& done) {
    // A single-shot timer guarantees a wake-up at the deadline; every other wake-up is an
    // event that may have completed what we wait for. No event, no CPU.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    bool started = false;
    for (;;) {
        if (done()) return;
        const auto remaining = static_cast<std::int32_t>(deadline_ms - clock_.now_ms());
        if (remaining <= 0) return;
        if (!started) {
            wake.start(remaining);
            started = true;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void qt_event_pump::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(&posted_, std::move(fn), Qt::QueuedConnection);
}

qt_timers::qt_timers(QObject* parent) : QObject(parent) {
    for (std::size_t i = 0; i < timers_.size(); ++i) {
        timers_[i].setTimerType(Qt::PreciseTimer);
        connect(&timers_[i], &QTimer::timeout, this, [this, i] {
            if (ticks_[i]) ticks_[i]();
        });
    }
    set_interval(timer_id::tim_rx, 20);
    set_interval(timer_id::tim_monitor, 20);
    set_interval(timer_id::tim_clock, 100);
    set_interval(timer_id::tim_eth, 7000);
}

void qt_timers::set_enabled(timer_id t, bool on) {
    auto& timer = timers_[static_cast<std::size_t>(t)];
    if (on && !timer.isActive()) timer.start();
    if (!on) timer.stop();
}

bool qt_timers::enabled(timer_id t) const { return timers_[static_cast<std::size_t>(t)].isActive(); }

void qt_timers::set_interval(timer_id t, int ms) { timers_[static_cast<std::size_t>(t)].setInterval(ms); }

int qt_timers::interval(timer_id t) const { return timers_[static_cast<std::size_t>(t)].interval(); }

void qt_timers::on_tick(timer_id t, std::function<void()> fn) { ticks_[static_cast<std::size_t>(t)] = std::move(fn); }

msg_answer console_dialogs::message_box(const std::string& text, msg_icon icon, msg_buttons buttons,
                                        const std::string&) {
    messages.push_back(text);
    const char* kind = icon == msg_icon::critical ? "error" : icon == msg_icon::exclamation ? "warning" : "note";
    std::fprintf(stderr, "%s: %s\n", kind, text.c_str());
    return buttons == msg_buttons::ok ? msg_answer::ok : msg_answer::cancel;
}

}  // namespace vexlan
