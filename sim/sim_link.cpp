#include "sim_link.h"

#include <algorithm>
#include <cmath>

namespace vexlan::sim {

link_output::link_output(const link_faults& f, double bytes_per_second, bool may_close)
    : f_(f), rate_(bytes_per_second), may_close_(may_close) {}

void link_output::clear() {
    q_.clear();
    offset_ = 0;
    allowed_ = 0;
    close_now_ = false;
    replies = 0;
}

void link_output::queue_reply(const reply& r, double now, std::mt19937& rng) {
    if (r.kind == reply_kind::none) return;
    std::string bytes = r.bytes;
    double t = std::max(now + f_.delay, last_due_);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    if (f_.fragment && r.kind == reply_kind::line && bytes.size() >= 2 && pick(0, 2) == 0)
        std::swap(bytes[bytes.size() - 2], bytes[bytes.size() - 1]);   // LF before CR
    if (f_.fragment) {
        // Short lines go out in pieces of 1..7 bytes; long replies (EDID data, the command
        // list) in pieces of up to 64 bytes, so that they still arrive within a second.
        int most = bytes.size() > 64 ? 64 : 7;
        std::size_t p = 0;
        while (p < bytes.size()) {
            std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(pick(1, most)), bytes.size() - p);
            q_.push_back({bytes.substr(p, n), t, false});
            p += n;
            if (p < bytes.size()) t += pick(1, 8) / 1000.0;
        }
    } else {
        q_.push_back({bytes, t, false});
    }
    last_due_ = t;
    ++replies;
    if (may_close_ && f_.close_after > 0 && replies >= f_.close_after) {
        q_.back().close_after = true;
        return;   // nothing follows the last reply of a connection
    }
    if (f_.garbage && pick(0, 3) == 0) {
        static const char* const stray[] = {"\r\n", "#heartbeat\r\n", "$notice fan ok\r\n", "~~\r\n"};
        last_due_ = t + 0.003;
        q_.push_back({stray[pick(0, 3)], last_due_, false});
    }
}

std::string_view link_output::writable(double now) {
    allowed_ = 0;
    if (q_.empty() || q_.front().due > now) return {};
    const std::string& b = q_.front().bytes;
    std::size_t n = b.size() - offset_;
    if (rate_ > 0) {
        // Never more than about two milliseconds' worth at once, so the byte rate holds.
        double window = 0.002;
        if (pace_t_ < now - window) pace_t_ = now - window;
        double budget = (now - pace_t_) * rate_;
        n = std::min(n, static_cast<std::size_t>(std::floor(budget)));
    }
    allowed_ = n;
    return std::string_view(b).substr(offset_, n);
}

void link_output::consumed(std::size_t n, double now) {
    (void)now;
    if (q_.empty()) return;
    if (rate_ > 0) pace_t_ += static_cast<double>(n) / rate_;
    offset_ += n;
    if (offset_ >= q_.front().bytes.size()) {
        if (q_.front().close_after) close_now_ = true;
        q_.pop_front();
        offset_ = 0;
    }
}

double link_output::next_wake(double now) const {
    if (q_.empty()) return -1;
    double t = q_.front().due - now;
    if (rate_ > 0) t = std::max(t, pace_t_ + 8.0 / rate_ - now);   // wake for about 8 bytes
    return std::max(0.0, t);
}

std::size_t link_output::queued_bytes() const {
    std::size_t n = 0;
    for (const auto& c : q_) n += c.bytes.size();
    return n - offset_;
}

void link_output::drop_oldest(std::size_t keep_bytes) {
    while (!q_.empty() && queued_bytes() > keep_bytes) {
        q_.pop_front();
        offset_ = 0;
    }
}

}  // namespace vexlan::sim
