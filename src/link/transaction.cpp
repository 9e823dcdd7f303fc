#include "link/transaction.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "link/reply_echo.h"

namespace vexlan {

namespace {

constexpr int step_ms = 20;

std::string hex_upper(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%X", v);
    return buf;
}

void term_render_data_byte(std::string& out, unsigned char b) {
    if (b >= 32) out += static_cast<char>(b);
    else out += "<" + hex_upper(b) + ">";
}

void notify(const std::function<void()>& f) {
    if (f) f();
}

void caption_set(link_state& L, const char* caption, rgb color) {
    L.lab_link.caption = caption;
    L.lab_link.color = color;
    notify(L.on_link_caption);
}

byte_link* link_in_use(app_context& ctx) {
    return ctx.link.link_iface == 0 ? ctx.ports.serial : ctx.ports.tcp;
}

bool link_up(app_context& ctx) {
    auto& L = ctx.link;
    if (L.link_iface == 0) return ctx.ports.serial && ctx.ports.serial->is_open() && L.com_open;
    return ctx.ports.tcp && L.eth_connected;
}

// The hex payload of "$edid_write": bytes [from, from + count) of the WRITE image, each as two
// upper-case hex digits and a blank.
std::string edid_payload(const link_state& L, int from, int count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(static_cast<std::size_t>(count) * 3);
    for (int i = from; i < from + count; ++i) {
        const std::uint8_t v = L.edid_write_image ? (*L.edid_write_image)[static_cast<std::size_t>(i)] : 0;
        out += digits[v >> 4];
        out += digits[v & 15];
        out += ' ';
    }
    return out;
}

int wait_limit_steps(int link_iface, const std::string& word) {
    if (link_iface == 1) return word == "$pattern" ? 500 : 160;
    if (word == "$pattern") return 1500;
    if (word == "$boot?") return 2;
    return 160;
}

// Keeps one command on the wire: a transaction that starts while another one awaits its reply
// lets that reply arrive, or its wait run out, before it sends.
void wire_acquire(app_context& ctx) {
    auto& L = ctx.link;
    auto* pump = ctx.ports.pump;
    auto* clock = ctx.ports.clock;
    while (L.wire && !L.wire->rx_done) {
        const auto now = clock->now_ms();
        const auto deadline = L.wire->deadline_ms;
        if (static_cast<std::int32_t>(deadline - now) <= 0) break;
        pump->wait_until(deadline, [&] { return !L.wire || L.wire->rx_done; });
    }
    if (L.wire && !L.wire->rx_done) L.stale_word = L.wire->word;  // its reply may still come
    L.wire = nullptr;
}

void wire_attach(link_state& L, rx_record& rec) {
    rec.clear_receive();
    L.wire = &rec;
}

void wire_detach(link_state& L, rx_record& rec) {
    if (L.wire == &rec) L.wire = nullptr;
}

// An EDID read header that carries no data phase: "err_ddc" at character 12 (parameter 1), or
// any other parameter 1 beginning with "err" (the unit refused the request).
bool edid_read_error(const std::string& header) {
    return cmdrx_param_get(header).rx_param1.compare(0, 3, "err") == 0;
}

// A complete line that answers an earlier request rather than the one awaited: the late reply
// of a command that got no reply in time (its word is the late-reply marker), or a reply of the
// awaited command word whose echoed arguments differ. It is dropped, with the data phase of an
// EDID read that follows it, and the wait goes on.
bool late_reply_drop(link_state& L, rx_record& r) {
    const auto w = cmdstr_cmd_get(r.rx_line);
    bool late = false;
    if (w == r.word) {
        late = !r.echo.empty() && !echo_matches(r.echo, cmdrx_param_get(r.rx_line));
    } else if (!L.stale_word.empty() && w == L.stale_word) {
        late = true;
        L.stale_word.clear();
    }
    if (!late) return false;
    if (w == "$edid_read" && !edid_read_error(r.rx_line)) L.rx_skip = rx_edid_data_length;
    r.clear_receive();
    return true;
}

}  // namespace

void term_render_byte(std::string& out, unsigned char b) {
    if (b == 13) out += "<CR>";
    else if (b == 10) out += "<LF>\r\n";
    else if (b == 4) out += static_cast<char>(b);
    else if (b < 32) out += "<" + hex_upper(b) + ">";
    else out += static_cast<char>(b);
}

void delay_seconds(app_context& ctx, double s) {
    auto* clock = ctx.ports.clock;
    const std::uint32_t start = clock->now_ms();
    const std::uint32_t wait_ms = static_cast<std::uint32_t>(s * 1000.0) + 1;
    while ((clock->now_ms() - start) / 1000.0 <= s)
        ctx.ports.pump->wait_until(start + wait_ms, [] { return false; });
}

void link_receive(app_context& ctx, const std::string& bytes) {
    auto& L = ctx.link;
    bool term_changed = false;
    if (L.term_text.size() > term_text_limit) {
        L.term_text.clear();
        term_changed = true;
    }

    std::size_t from = 0;
    if (L.rx_skip > 0) {  // the data phase of a late EDID read reply that was dropped
        from = std::min(bytes.size(), static_cast<std::size_t>(L.rx_skip));
        L.rx_skip -= static_cast<int>(from);
    }

    rx_record* r = L.wire;
    if (!r) {
        // Nothing is awaited. Over TCP the bytes are kept (and shown in an open terminal) until
        // the next command clears them; over RS-232 they would wait in the port and be
        // discarded before the next send.
        if (L.link_iface == 1) {
            const std::string_view in(bytes.data() + from, bytes.size() - from);
            if (in.size() >= rx_idle_limit) L.rx_idle.assign(in.substr(in.size() - rx_idle_limit));
            else {
                const auto keep = std::min(L.rx_idle.size(), rx_idle_limit - in.size());
                L.rx_idle.erase(0, L.rx_idle.size() - keep);
                L.rx_idle.append(in);
            }
            if (L.term_visible) {
                for (std::size_t i = from; i < bytes.size(); ++i)
                    term_render_byte(L.term_text, static_cast<unsigned char>(bytes[i]));
                term_changed = true;
            }
        }
        if (term_changed) notify(L.on_term_text);
        return;
    }

    bool complete = false;
    bool data_phase = r->rx_cr_seen && r->rx_lf_seen && r->edid_mode;
    for (std::size_t i = from; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (L.rx_skip > 0) {
            --L.rx_skip;
            continue;
        }
        if (data_phase) {
            r->rx_data += static_cast<char>(b);
            if (L.term_visible) {
                term_render_data_byte(L.term_text, b);
                term_changed = true;
            }
            if (++r->rx_count >= rx_edid_data_length) {
                complete = true;
                break;  // the rest of this read is dropped
            }
            continue;
        }
        if (r->rx_line.size() >= rx_line_limit) r->clear_receive();  // no reply is this long: a flood
        if (b == 13) r->rx_cr_seen = true;
        if (b == 10) r->rx_lf_seen = true;
        ++r->rx_count;
        r->rx_line += static_cast<char>(b);
        if (b == 4 && r->term_raw) {
            if (L.term_visible) {
                L.term_text += "<EOT>";
                term_changed = true;
            }
            L.term_raw = false;
            complete = true;
            break;
        }
        if (L.term_visible) {
            term_render_byte(L.term_text, b);
            term_changed = true;
        }
        if (r->rx_cr_seen && r->rx_lf_seen) {
            if (!r->term_raw && late_reply_drop(L, *r)) continue;
            if (!r->edid_mode) {
                if (!r->term_raw) {
                    complete = true;
                    break;
                }
            } else {
                if (r->rx_line.compare(0, 4, "$err") == 0 || edid_read_error(r->rx_line)) {
                    complete = true;
                    break;
                }
                data_phase = true;
                r->rx_data.clear();
                r->rx_count = 0;
            }
        }
    }
    if (complete) {
        r->rx_done = true;
        L.wire = nullptr;  // later bytes are no part of this reply
    }
    if (term_changed) notify(L.on_term_text);
}

void tim_rx_tick(app_context& ctx) {
    auto* serial = ctx.ports.serial;
    auto* timers = ctx.ports.timers;
    if (!serial || serial->bytes_available() == 0) return;
    if (timers) timers->set_enabled(timer_id::tim_rx, false);
    const std::string bytes = serial->read_all();
    if (!bytes.empty()) link_receive(ctx, bytes);
    if (timers && !ctx.link.app_closing) timers->set_enabled(timer_id::tim_rx, true);
}

int cmdtx_str(app_context& ctx, const std::string& line) {
    auto& L = ctx.link;
    auto& P = ctx.ports;
    const bool outer_busy = L.cmd_busy;
    L.cmd_busy = true;
    struct depth_guard {
        app_context& ctx;
        bool outer;
        explicit depth_guard(app_context& c, bool o) : ctx(c), outer(o) { ++ctx.link.depth; }
        ~depth_guard() {
            --ctx.link.depth;
            ctx.link.cmd_busy = outer;
            ctx.link.term_raw = false;  // the EOT rule ends with its transaction
            // an action deferred while this ran is replayed once nothing else runs
            if (ctx.link.depth == 0) deferred_replay_request(ctx);
        }
    } guard{ctx, outer_busy};

    // Link check.
    if (!link_up(ctx)) {
        L.cmd_result = 0;
        if (P.dialogs)
            P.dialogs->message_box(L.link_iface == 0 ? "RS-232 is disconnected !" : "Ethernet is disconnected !.",
                                   msg_icon::critical);
        caption_set(L, "Not Linked", rgb_red);
        return L.cmd_result;
    }

    // Linked check: until a unit is linked only the link queries may pass.
    if (ctx.profile.model_index == 254 && line != "$boot?\r" && line != "$model?\r" && line != "$board_id?\r") {
        if (P.dialogs) P.dialogs->message_box("Do [Refresh] or [Link] first !", msg_icon::exclamation);
        L.cmd_result = 2;
        return L.cmd_result;
    }

    byte_link* link = link_in_use(ctx);
    const int iface = L.link_iface;
    rx_record rec;
    rec.word = cmdstr_cmd_get(line);
    rec.echo = echo_expected(line);
    // The two reply variants belong to their own commands only, so that a transaction started
    // from inside another one's wait never inherits them.
    rec.edid_mode = L.rx_edid_mode && rec.word == "$edid_read";
    rec.term_raw = L.term_raw && (rec.word == "$help" || rec.word == "$?");
    const bool term_raw_snapshot = rec.term_raw;
    const bool is_edid_write = rec.word == "$edid_write" && !L.tx_verbatim;
    int block_offset = 0;
    if (is_edid_write) {
        const auto p = cmdrx_param_get(line);
        block_offset = p.rx_param2 == "block1" ? 128 : 0;
    }
    const int limit = wait_limit_steps(iface, rec.word);

    wire_acquire(ctx);

    int attempts = 0;
    for (;;) {
        // Send.
        if (iface == 1) {
            std::string out = line;
            if (is_edid_write) out += edid_payload(L, block_offset, 128) + "\r";
            L.rx_idle.clear();
            wire_attach(L, rec);
            link->write(out);
        } else {
            link->wait_written(1000);
            link->discard_input();
            if (is_edid_write) {
                link->write(line + edid_payload(L, block_offset, 64));
                link->wait_written(1000);
                link->discard_input();
                wire_attach(L, rec);
                link->write(edid_payload(L, block_offset + 64, 64) + "\r");
            } else {
                wire_attach(L, rec);
                link->write(line);
            }
        }
        if (L.app_closing) {
            wire_detach(L, rec);
            return L.cmd_result;  // closing: written, not awaited
        }
        if (iface == 0 && P.timers) P.timers->set_enabled(timer_id::tim_rx, true);

        const std::uint32_t start = P.clock->now_ms();
        rec.deadline_ms = start + static_cast<std::uint32_t>((limit + 1) * step_ms);
        if (!L.poll_quiet) {
            L.busy_bar.visible = true;
            notify(L.on_busy_bar);
            P.pump->process_events();
        }
        for (int steps = 0; steps <= limit && !rec.rx_done; ++steps) {
            const std::uint32_t step_end = start + static_cast<std::uint32_t>((steps + 1) * step_ms);
            P.pump->wait_until(step_end, [&] { return rec.rx_done; });
            if (rec.rx_done) break;
            L.busy_bar.advance();
            if (!L.poll_quiet) notify(L.on_busy_bar);
        }
        if (rec.rx_done) break;
        wire_detach(L, rec);
        if (++attempts >= 2) break;
    }
    if (L.busy_bar.visible) {
        L.busy_bar.visible = false;
        notify(L.on_busy_bar);
    }
    if (iface == 0) {
        if (P.timers) P.timers->set_enabled(timer_id::tim_rx, false);
        P.pump->process_events();
    }

    // The reply of this transaction becomes the last reply.
    L.rx_line = rec.rx_line;
    L.rx_data = rec.rx_data;
    L.rx_cr_seen = rec.rx_cr_seen;
    L.rx_lf_seen = rec.rx_lf_seen;
    L.rx_done = rec.rx_done;
    L.rx_count = rec.rx_count;

    if (!rec.rx_done) {
        L.cmd_result = 2;
        L.stale_word = rec.word;
    } else if (term_raw_snapshot) {
        L.cmd_result = 1;
    } else if (cmdstr_cmd_get(line) == cmdstr_cmd_get(rec.rx_line)) {
        const auto p = cmdrx_param_get(rec.rx_line);
        L.rx_param1 = p.rx_param1;
        L.rx_param2 = p.rx_param2;
        L.rx_param3 = p.rx_param3;
        L.cmd_result = L.rx_param1.compare(0, 3, "err") == 0 ? 3 : 1;
        L.stale_word.clear();  // its own reply came: nothing of an earlier command is awaited
    } else {
        L.cmd_result = 3;
    }

    if (L.cmd_result == 2) caption_set(L, "No response", rgb_red);
    else caption_set(L, "Accepted", rgb_green);
    return L.cmd_result;
}

}  // namespace vexlan
