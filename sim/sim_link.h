// Output side of one link (TCP client or pseudo-terminal): replies are queued as timed chunks,
// optionally delayed, cut into fragments and paced at a serial line's byte rate.
#pragma once

#include <deque>
#include <random>
#include <string>

#include "sim_protocol.h"

namespace vexlan::sim {

struct link_faults {
    double delay = 0;            // seconds before a reply starts
    bool fragment = false;       // small pieces with short pauses, sometimes LF before CR
    bool garbage = false;        // now and then a stray line after a reply
    long close_after = 0;        // close the connection after this many replies (0 = never)
};

struct out_chunk {
    std::string bytes;
    double due = 0;              // earliest time (seconds) to start writing it
    bool close_after = false;    // close the link once this chunk is written
};

class link_output {
public:
    link_output(const link_faults& f, double bytes_per_second, bool may_close);

    // Queues a reply produced at time now.
    void queue_reply(const reply& r, double now, std::mt19937& rng);

    // Bytes that may be written at time now (respecting due times and pacing); after a write
    // call consumed(n) with the number actually written.
    std::string_view writable(double now);
    void consumed(std::size_t n, double now);

    bool close_due() const { return close_now_; }
    bool empty() const { return q_.empty(); }
    // Seconds until something may be written (negative: nothing queued).
    double next_wake(double now) const;
    std::size_t queued_bytes() const;
    void drop_oldest(std::size_t keep_bytes);
    void clear();

    long replies = 0;

private:
    link_faults f_;
    double rate_;                // bytes per second, 0 = unpaced
    bool may_close_;
    std::deque<out_chunk> q_;
    double last_due_ = 0;
    double pace_t_ = 0;
    std::size_t offset_ = 0;     // bytes of q_.front() already written
    std::size_t allowed_ = 0;    // size of the last writable() view
    bool close_now_ = false;
};

}  // namespace vexlan::sim
