// Output side of one link (TCP client or pseudo-terminal): replies are queued as timed chunks,
// optionally delayed, cut into fragments and paced at a serial line's byte rate. A late reply
// waits on its own and goes out between two others once due; a flooding link sends filler
// bytes without pause.
#pragma once

#include <deque>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "sim_protocol.h"

namespace vexlan::sim {

struct link_faults {
    double delay = 0;            // seconds before a reply starts
    bool fragment = false;       // small pieces with short pauses, sometimes LF before CR
    bool garbage = false;        // now and then a stray line after a reply
    long close_after = 0;        // close the connection after this many replies (0 = never)
    bool lfcr = false;           // every line ends LF CR
};

// A reply whose last byte has been written, for the log.
struct sent_reply {
    std::string command;
    std::string bytes;
};

struct out_chunk {
    std::string bytes;
    double due = 0;              // earliest time (seconds) to start writing it
    bool close_after = false;    // close the link once this chunk is written
    bool starts_reply = true;    // first piece of a reply (or a stray line)
    std::optional<sent_reply> done;   // on the last piece of a reply
};

class link_output {
public:
    link_output(const link_faults& f, double bytes_per_second, bool may_close);

    // Queues the reply to command produced at time now. extra delays it further while the
    // replies after it wait behind it (a slow command); a late reply is delayed by extra on
    // its own and the replies after it do not wait for it.
    void queue_reply(const reply& r, const std::string& command, double now, std::mt19937& rng,
                     double extra = 0, bool late = false);

    // From now on nothing but filler bytes (no CR, no LF), as fast as the link takes them.
    void start_flood();
    bool flooding() const { return flood_; }
    bool writing_filler() const { return flood_ && q_.empty(); }   // after writable()

    // Bytes that may be written at time now (respecting due times and pacing); after a write
    // call consumed(n) with the number actually written. It returns the reply that has just
    // been written in full, if any.
    std::string_view writable(double now);
    std::optional<sent_reply> consumed(std::size_t n, double now);

    bool close_due() const { return close_now_; }
    bool empty() const { return q_.empty() && late_.empty() && !flood_; }
    // Seconds until something may be written (negative: nothing queued).
    double next_wake(double now) const;
    std::size_t queued_bytes() const;
    void drop_oldest(std::size_t keep_bytes);
    void clear();

    long replies = 0;

private:
    std::vector<out_chunk> pieces(std::string bytes, reply_kind kind, double t, std::mt19937& rng);
    void promote_late(double now);

    link_faults f_;
    double rate_;                // bytes per second, 0 = unpaced
    bool may_close_;
    std::deque<out_chunk> q_;
    std::deque<std::vector<out_chunk>> late_;   // late replies, each waiting for its first due time
    double last_due_ = 0;
    double pace_t_ = 0;
    std::size_t offset_ = 0;     // bytes of q_.front() already written
    bool close_now_ = false;
    bool flood_ = false;
    std::string filler_;
};

}  // namespace vexlan::sim
