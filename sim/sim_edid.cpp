// EDID stores: read with its data phase, write with its payload, names, the Rx EDID choice,
// copying the sink and the facts the unit reports about an image.
#include "sim_commands.h"

#include <algorithm>
#include <cstdint>

namespace vexlan::sim {
namespace {

// ---- EDID -----------------------------------------------------------------------------------

bool slot_exists(const unit_state& u, int idx) { return idx >= 0 && (idx != 1 || family_of(u) == 0); }

int block_of(const std::string& token) {
    if (token.size() == 6 && token.compare(0, 5, "block") == 0 && token[5] >= '0' && token[5] <= '3')
        return token[5] - '0';
    return -1;
}

std::string store_name_from_image(const edid_store& s) {
    edid_facts f = edid_facts_of(s);
    std::string n = f.manufacturer + "." + (f.model == "none" ? std::string("EDID") : f.model);
    return clean(n).substr(0, 20);
}

reply edid_read(ctx& x) {
    auto a = split_commas(x.args);
    if (a.size() != 2) return unknown();
    int idx = edid_slot_index(a[0]);
    int blk = block_of(a[1]);
    if (!slot_exists(x.u, idx) || blk < 0) return unknown();
    const edid_store& s = x.u.edid[idx];
    if (!s.present || (idx == 0 && !sink_attached(x.u))) return err(x.word, "err_ddc");
    reply r{reply_kind::edid_data, line_of(x.word, {a[0], a[1]})};
    r.bytes += edid_data_phase(s, blk);
    return r;
}

reply edid_write(ctx& x) {
    auto a = split_commas(x.args);
    if (a.size() != 2 || !x.c.has_payload) return err(x.word);
    int idx = edid_slot_index(a[0]);
    int blk = block_of(a[1]);
    if (!slot_exists(x.u, idx) || blk < 0) return err(x.word);
    if (idx >= 2 && idx <= 11) return err(x.word);   // d1..d10 are read-only
    if (idx == 0 && (x.u.cfg.no_sink || !x.u.sink_plugged)) return err(x.word, "err_ddc");
    const std::string& p = x.c.payload;
    if (p.size() != 128 * 3) return err(x.word);
    std::uint8_t data[128];
    for (int i = 0; i < 128; ++i) {
        int hi = hex_digit(p[3 * i]), lo = hex_digit(p[3 * i + 1]);
        if (hi < 0 || lo < 0 || p[3 * i + 2] != ' ') return err(x.word);
        data[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    edid_store& s = x.u.edid[idx];
    if (!s.present) {
        s.bytes.fill(0xFF);
        s.present = true;
    }
    std::copy(data, data + 128, s.bytes.begin() + blk * 128);
    if (idx >= 12 && blk == 0) s.name = store_name_from_image(s);
    return ok(x.word, {a[0], a[1]});
}

reply edid_name_query(ctx& x) {
    int idx = edid_slot_index(x.args);
    if (!slot_exists(x.u, idx)) return err(x.word);
    return ok(x.word, {x.args, x.u.edid[idx].name});
}

reply edid_name_set(ctx& x) {
    std::size_t comma = x.args.find(',');
    if (comma == std::string::npos) return err(x.word);
    std::string token = trim(x.args.substr(0, comma));
    std::string name = trim(x.args.substr(comma + 1));
    int idx = edid_slot_index(token);
    if (idx < 12 || name.empty() || name.size() > 20 || name.find(',') != std::string::npos)
        return err(x.word);
    // The store keeps printable ASCII only.
    for (char ch : name) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 32 || c > 126) return err(x.word);
    }
    x.u.edid[idx].name = name;
    return ok(x.word, {token, name});
}

std::string rx_token(int idx) { return idx == 0 ? "sink" : edid_slot_token(idx); }

reply edid_rx_query(ctx& x) { return ok(x.word, {rx_token(x.u.rx_edid)}); }

reply edid_rx_set(ctx& x) {
    // "sink", "d1".."d10" or "c1".."c10": the slot tokens of the sinks are not Rx choices.
    int idx = x.args == "sink" ? 0 : edid_slot_index(x.args);
    if (idx < 0 || (idx < 2 && x.args != "sink")) return err(x.word);
    if (idx != 0 && !x.u.edid[idx].present) return err(x.word);
    x.u.rx_edid = idx;
    return ok(x.word, {x.args});
}

reply edid_copy_sink(ctx& x) {
    int idx = edid_slot_index(x.args);
    if (idx < 12 || !sink_attached(x.u)) return err(x.word);
    x.u.edid[idx].bytes = x.u.edid[0].bytes;
    x.u.edid[idx].present = true;
    x.u.edid[idx].name = store_name_from_image(x.u.edid[idx]);
    return ok(x.word, {x.args});
}

// "$edid_manuf? rx" and friends: facts of the Rx EDID, the sink or any store.
reply edid_fact(ctx& x, std::string edid_facts::*field) {
    int idx = x.args == "rx" ? x.u.rx_edid : edid_slot_index(x.args);
    if (!slot_exists(x.u, idx)) return err(x.word);
    const edid_store& s = x.u.edid[idx];
    if (!s.present || (idx == 0 && !sink_attached(x.u))) return ok(x.word, {x.args, "none"});
    edid_facts f = edid_facts_of(s);
    return ok(x.word, {x.args, f.*field});
}

}  // namespace

void add_edid_commands(std::vector<command_entry>& t) {
    std::vector<command_entry> mine = {
        {"$edid_read", "slot,blockN", "read one EDID block (386-character data phase)", all, edid_read},
        {"$edid_write", "slot,blockN", "write one EDID block (CR LF, 128 hex bytes, CR)", all, edid_write},
        {"$edid_name?", "slot", "store name", all, edid_name_query},
        {"$edid_name", "cN,name", "rename a custom store", all, edid_name_set},
        {"$edid_rx?", "", "EDID presented to the input", all, edid_rx_query},
        {"$edid_rx", "sink|dN|cN", "choose the EDID presented to the input", all, edid_rx_set},
        {"$edid_copy_sink", "cN", "copy the sink EDID into a custom store", all, edid_copy_sink},
        {"$edid_manuf?", "rx|slot", "manufacturer of an EDID", all,
         [](ctx& x) { return edid_fact(x, &edid_facts::manufacturer); }},
        {"$edid_model?", "rx|slot", "monitor name of an EDID", all,
         [](ctx& x) { return edid_fact(x, &edid_facts::model); }},
        {"$edid_native?", "rx|slot", "native timing of an EDID", all,
         [](ctx& x) { return edid_fact(x, &edid_facts::native); }},
        {"$edid_type?", "rx|slot", "type of an EDID", all, [](ctx& x) { return edid_fact(x, &edid_facts::type); }},
    };
    t.insert(t.end(), mine.begin(), mine.end());
}

std::string edid_data_phase(const edid_store& s, int block) {
    std::string d;
    d.reserve(386);
    for (int i = 0; i < 128; ++i) {
        d += hex2(s.bytes[block * 128 + i]);
        d += ' ';
    }
    return d + crlf;
}

}  // namespace vexlan::sim
