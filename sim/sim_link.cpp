#include "sim_link.h"

#include <algorithm>
#include <cmath>

namespace vexlan::sim {

namespace {
out_chunk chunk(std::string bytes, double due, bool starts_reply = true) {
    out_chunk c;
    c.bytes = std::move(bytes);
    c.due = due;
    c.starts_reply = starts_reply;
    return c;
}
}  // namespace

link_output::link_output(const link_faults& f, double bytes_per_second, bool may_close)
    : f_(f), rate_(bytes_per_second), may_close_(may_close) {}

void link_output::clear() {
    q_.clear();
    late_.clear();
    offset_ = 0;
    last_due_ = 0;
    close_now_ = false;
    flood_ = false;
    replies = 0;
}

std::vector<out_chunk> link_output::pieces(std::string bytes, reply_kind kind, double t, std::mt19937& rng) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    if (f_.lfcr) {
        for (std::size_t p = 0; (p = bytes.find("\r\n", p)) != std::string::npos; p += 2) std::swap(bytes[p], bytes[p + 1]);
    } else if (f_.fragment && kind == reply_kind::line && bytes.size() >= 2 && pick(0, 2) == 0) {
        std::swap(bytes[bytes.size() - 2], bytes[bytes.size() - 1]);   // LF before CR
    }
    std::vector<out_chunk> out;
    if (!f_.fragment) {
        out.push_back(chunk(bytes, t));
        return out;
    }
    // Short lines go out in pieces of 1..7 bytes; long replies (EDID data, the command list) in
    // pieces of up to 64 bytes, so that they still arrive within a second.
    int most = bytes.size() > 64 ? 64 : 7;
    std::size_t p = 0;
    while (p < bytes.size()) {
        std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(pick(1, most)), bytes.size() - p);
        out.push_back(chunk(bytes.substr(p, n), t, p == 0));
        p += n;
        if (p < bytes.size()) t += pick(1, 8) / 1000.0;
    }
    return out;
}

void link_output::queue_reply(const reply& r, const std::string& command, double now, std::mt19937& rng,
                              double extra, bool late) {
    if (r.kind == reply_kind::none || flood_) return;
    double t = late ? now + f_.delay + extra : std::max(now + f_.delay + extra, last_due_);
    std::vector<out_chunk> c = pieces(r.bytes, r.kind, t, rng);
    std::string sent = r.bytes;
    if (f_.lfcr)
        for (std::size_t p = 0; (p = sent.find("\r\n", p)) != std::string::npos; p += 2) std::swap(sent[p], sent[p + 1]);
    c.back().done = sent_reply{command, sent};
    if (late) {
        late_.push_back(std::move(c));
        return;
    }
    for (auto& piece : c) q_.push_back(std::move(piece));
    last_due_ = q_.back().due;
    ++replies;
    if (may_close_ && f_.close_after > 0 && replies >= f_.close_after) {
        q_.back().close_after = true;
        return;   // nothing follows the last reply of a connection
    }
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    if (f_.garbage && pick(0, 3) == 0) {
        static const char* const stray[] = {"\r\n", "#heartbeat\r\n", "$notice fan ok\r\n", "~~\r\n"};
        std::string s = stray[pick(0, 3)];
        if (f_.lfcr) std::swap(s[s.size() - 2], s[s.size() - 1]);
        last_due_ += 0.003;
        q_.push_back(chunk(s, last_due_));
    }
}

void link_output::start_flood() {
    flood_ = true;
    filler_.clear();
    static const char pattern[] = "#FLOOD 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ $~";
    while (filler_.size() < 4096) filler_ += pattern;
}

// A late reply goes out once due, but never inside another reply.
void link_output::promote_late(double now) {
    if (late_.empty() || offset_ != 0 || (!q_.empty() && !q_.front().starts_reply)) return;
    std::vector<std::vector<out_chunk>> due;
    for (auto it = late_.begin(); it != late_.end();) {
        if (it->front().due <= now) {
            due.push_back(std::move(*it));
            it = late_.erase(it);
        } else {
            ++it;
        }
    }
    std::sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return a.front().due < b.front().due; });
    for (auto g = due.rbegin(); g != due.rend(); ++g)
        for (auto p = g->rbegin(); p != g->rend(); ++p) q_.push_front(std::move(*p));
}

std::string_view link_output::writable(double now) {
    promote_late(now);
    std::string_view avail;
    if (!q_.empty()) {
        if (q_.front().due > now) return {};
        avail = std::string_view(q_.front().bytes).substr(offset_);
    } else if (flood_) {
        avail = filler_;
    } else {
        return {};
    }
    if (rate_ > 0) {
        // After a pause at most a few milliseconds' worth (at least one byte) goes at once.
        double window = std::max(0.005, 2.0 / rate_);
        if (pace_t_ < now - window) pace_t_ = now - window;
        double budget = (now - pace_t_) * rate_ + 1e-9;
        avail = avail.substr(0, static_cast<std::size_t>(std::max(0.0, std::floor(budget))));
    }
    return avail;
}

std::optional<sent_reply> link_output::consumed(std::size_t n, double now) {
    (void)now;
    if (rate_ > 0) pace_t_ += static_cast<double>(n) / rate_;
    if (q_.empty()) return std::nullopt;   // filler of a flood
    offset_ += n;
    if (offset_ < q_.front().bytes.size()) return std::nullopt;
    std::optional<sent_reply> done = std::move(q_.front().done);
    if (q_.front().close_after) close_now_ = true;
    q_.pop_front();
    offset_ = 0;
    return done;
}

double link_output::next_wake(double now) const {
    bool any = false;
    double t = 0;
    auto consider = [&](double due) {
        t = any ? std::min(t, due - now) : due - now;
        any = true;
    };
    if (!q_.empty()) consider(q_.front().due);
    if (q_.empty() && flood_) consider(now);
    if (q_.empty() || (offset_ == 0 && q_.front().starts_reply))
        for (const auto& g : late_) consider(g.front().due);
    if (!any) return -1;
    if (rate_ > 0) t = std::max(t, pace_t_ + std::max(1.0 / rate_, 0.001) - now);   // at least one byte
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
