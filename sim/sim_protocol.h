// The unit's command protocol, free of I/O: a byte stream is cut into command lines (and the
// hex payload of "$edid_write"), each command is applied to a unit_state and answered with
// the reply bytes the unit would send.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "unit_state.h"

namespace vexlan::sim {

// One command as received: its line without the ending, and for "$edid_write" the payload
// between the header's CR LF and the final CR.
struct command {
    std::string line;
    bool has_payload = false;
    std::string payload;
};

// Cuts received bytes into commands. Ordinary lines end with CR (an LF right after it is
// skipped; a lone LF also ends a line, for typing by hand). A "$edid_write" header ending in
// CR LF is followed by its payload, which ends at the next CR; it may arrive in any number of
// pieces. A "$edid_write" header ended by CR and anything but LF has no payload.
class line_reader {
public:
    std::vector<command> feed(std::string_view bytes);
    void reset();
    bool idle() const;   // no partial command held

    static constexpr std::size_t max_line = 1024;
    static constexpr std::size_t max_payload = 4096;

private:
    enum class phase { line, after_write_cr, payload };
    void finish_line(std::vector<command>& out, bool lf_seen);

    phase phase_ = phase::line;
    bool last_was_cr_ = false;
    bool overlong_ = false;
    std::string buf_;
    command pending_;
};

enum class reply_kind {
    none,        // no reply at all
    line,        // one ordinary reply line ending in CR LF
    edid_data,   // an EDID read header line followed by its 386-character data phase
    multi_line,  // the "$help" listing, ended by EOT
};

struct reply {
    reply_kind kind = reply_kind::none;
    std::string bytes;
};

// The command word of a line: "$" up to the first blank (the whole line when there is none);
// empty when the line does not start with "$".
std::string command_word(const std::string& line);

// Applies one command at unit time now (seconds) and returns the reply.
reply handle_command(unit_state& u, const command& c, double now);

// Convenience for an ordinary line (no payload); returns the reply bytes.
std::string handle_line(unit_state& u, const std::string& line, double now);

// The "$help" listing (lines ending in CR LF, then EOT).
std::string help_text(const unit_state& u);

// The 386-character data phase for one block of a store.
std::string edid_data_phase(const edid_store& s, int block);

}  // namespace vexlan::sim
