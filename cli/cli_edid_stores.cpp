// vexlan-cli edid write|slots|rx|rename|copy-sink: the unit's EDID stores.
#include <algorithm>
#include <memory>

#include "cli_app.h"
#include "cli_edid_tree.h"
#include "edid/edid_files.h"
#include "edid/edid_unit_ops.h"
#include "edid_analysis/mod_edid.h"

namespace vexlan {

namespace {

using json = nlohmann::ordered_json;

// Says why a store operation failed; a link that went away is exit 3, anything else 1.
int op_failed(cli_env& env, const edid_unit_outcome& o)
{
    return env.fail(env.link_up() ? exit_refused : exit_no_link, o.failure);
}

const char* verdict_text(std::int16_t status)
{
    switch (status) {
    case edid_status_bad_header: return "bad header (Header)";
    case edid_status_bad_checksum: return "bad checksum (Checksum)";
    default: return "extension count does not match the size (Block No.)";
    }
}

// WRITE of a file: the image as OPEN puts it on the WRITE side (from an image of FF bytes, so
// a one-block file sends FF filler as block 1), its verdict, then blocks 0 and 1.
int write_file(cli_env& env, const std::string& slot, const std::string& path, bool force)
{
    if (!edid_write_target_token(slot))
        return env.usage_error("SLOT must be sink_h or c1..c10 (d1..d10 are read-only), not \"" + slot + "\"");
    const edid_load_result loaded = edid_file_load(path);
    if (!loaded.ok) {
        if (loaded.reason == edid_reason_file_format)
            return env.fail(exit_refused, path + ": unknown file format (File format); expected .hex, .bin or .ddc");
        if (loaded.reason == edid_reason_data) return env.fail(exit_refused, path + ": not a usable EDID file (Data)");
        return env.fail(exit_refused, loaded.reason);
    }
    // Nothing to send: even --force does not make up bytes.
    if (loaded.bytes.empty() || loaded.text.empty())
        return env.fail(exit_refused, path + ": the file holds no EDID bytes (WRITE window is empty)");

    auto st = std::make_unique<mod_edid>();
    st->edid_info_write.edid_image.fill(0xFF);
    edid_load_apply(st->edid_info_write, loaded);
    edid_write_side_check(*st);
    const edid_info& rec = st->edid_info_write;
    if (rec.edid_type == edid_type_invalid && !force)
        return env.fail(exit_refused, path + ": the image is not a valid EDID: " + verdict_text(rec.edid_status) +
                                          "; --force writes it anyway");
    if (rec.edid_size > 256)
        env.err << "vexlan-cli: edid write: note: " << path << " has " << (rec.edid_size + 127) / 128
                << " blocks; only blocks 0 and 1 are written\n";

    std::array<std::uint8_t, edid_image_bytes> snapshot;
    snapshot.fill(0xFF);
    std::copy_n(rec.edid_image.begin(), 256, snapshot.begin());

    if (const int code = env.link_unit(); code != exit_ok) return code;
    const edid_unit_outcome o = edid_blocks_write(env.ctx(), slot, snapshot);
    if (!o.ok) return op_failed(env, o);
    env.out << "wrote blocks 0 and 1 of " << path << " to " << slot << "\n";
    // The unit names a custom store after what was written into it.
    if (edid_custom_token(slot)) {
        if (const auto name = edid_slot_name_read(env.ctx(), slot)) env.out << slot << ": " << latin1_utf8(*name) << "\n";
    }
    return exit_ok;
}

int slots(cli_env& env)
{
    if (const int code = env.link_unit(); code != exit_ok) return code;
    int status = exit_ok;
    json j;
    for (const char kind : {'d', 'c'}) {
        for (int n = 1; n <= 10; ++n) {
            const std::string token = kind + std::to_string(n);
            const auto name = edid_slot_name_read(env.ctx(), token);
            if (!env.link_up()) return env.fail(exit_no_link, "the link was lost during \"$edid_name? " + token + "\"");
            if (!name) status = env.fail(exit_refused, "\"$edid_name? " + token + "\" not accepted");
            j[token] = name ? json(latin1_utf8(*name)) : json(nullptr);
        }
    }
    const auto rx = edid_rx_read(env.ctx());
    if (!rx) status = env.fail(env.link_up() ? exit_refused : exit_no_link, "\"$edid_rx?\" not accepted");
    j["rx"] = rx ? json(*rx) : json(nullptr);
    if (env.json) {
        env.json_print(j);
    } else {
        for (const auto& [key, value] : j.items())
            env.out << key << ": " << (value.is_null() ? std::string("(no answer)") : value.get<std::string>()) << "\n";
    }
    return status;
}

int rx_choose(cli_env& env, const std::string& slot)
{
    if (!edid_rx_token(slot)) return env.usage_error("SLOT must be sink, d1..d10 or c1..c10, not \"" + slot + "\"");
    if (const int code = env.link_unit(); code != exit_ok) return code;
    const edid_unit_outcome o = edid_rx_choose(env.ctx(), slot);
    if (!o.ok) return op_failed(env, o);
    env.out << "rx: " << slot << "\n";
    return exit_ok;
}

int rename(cli_env& env, const std::string& slot, const std::string& typed)
{
    if (!edid_custom_token(slot))
        return env.usage_error("only c1..c10 can be named (the sinks and d1..d10 keep their names), not \"" + slot +
                               "\"");
    const std::string name = edid_trim_blanks(typed);
    if (const std::string problem = edid_slot_name_problem(name); !problem.empty())
        return env.usage_error(problem + ": a name is 1 or more characters 32..126 without \",\"");
    if (const int code = env.link_unit(); code != exit_ok) return code;
    const edid_unit_outcome o = edid_slot_rename(env.ctx(), slot, name);
    if (!o.ok) return op_failed(env, o);
    env.out << slot << ": " << name << "\n";
    return exit_ok;
}

int copy_sink(cli_env& env, const std::string& slot)
{
    if (!edid_custom_token(slot)) return env.usage_error("the sink can be copied into c1..c10 only, not \"" + slot + "\"");
    if (const int code = env.link_unit(); code != exit_ok) return code;
    const edid_unit_outcome o = edid_sink_copy(env.ctx(), slot);
    if (!o.ok) return op_failed(env, o);
    env.out << slot << ": " << latin1_utf8(o.name) << "\n";
    return exit_ok;
}

}  // namespace

void add_edid_store_commands(CLI::App* edid, cli_env& env)
{
    struct options {
        std::string slot, file, name;
        bool force = false;
    };
    auto o = std::make_shared<options>();

    auto* write_cmd = edid->add_subcommand(
        "write", "write blocks 0 and 1 of FILE (.hex, .bin or .ddc) to the HDMI sink (sink_h) or a custom store "
                 "(c1..c10), as WRITE sends them; an invalid image is refused unless --force");
    write_cmd->add_option("SLOT", o->slot, "sink_h or c1..c10")->required();
    write_cmd->add_option("FILE", o->file, "the EDID file")->required();
    write_cmd->add_flag("--force", o->force, "write an image that fails the header, checksum or size check");
    write_cmd->callback([&env, o] {
        env.command = "edid write";
        env.status = write_file(env, o->slot, o->file, o->force);
    });

    auto* slots_cmd = edid->add_subcommand("slots", "print the names of d1..d10 and c1..c10 and the Rx EDID");
    env.add_json_flag(slots_cmd);
    slots_cmd->callback([&env] {
        env.command = "edid slots";
        env.status = slots(env);
    });

    auto* rx_cmd = edid->add_subcommand("rx", "choose the EDID the unit presents at its input (the Rx EDID)");
    rx_cmd->add_option("SLOT", o->slot, "sink, d1..d10 or c1..c10")->required();
    rx_cmd->callback([&env, o] {
        env.command = "edid rx";
        env.status = rx_choose(env, o->slot);
    });

    auto* rename_cmd = edid->add_subcommand("rename", "rename a custom store");
    rename_cmd->add_option("SLOT", o->slot, "c1..c10")->required();
    rename_cmd->add_option("NAME", o->name, "the new name (characters 32..126, no \",\")")->required();
    rename_cmd->callback([&env, o] {
        env.command = "edid rename";
        env.status = rename(env, o->slot, o->name);
    });

    auto* copy_cmd = edid->add_subcommand("copy-sink", "copy the HDMI sink's EDID into a custom store");
    copy_cmd->add_option("SLOT", o->slot, "c1..c10")->required();
    copy_cmd->callback([&env, o] {
        env.command = "edid copy-sink";
        env.status = copy_sink(env, o->slot);
    });
}

}  // namespace vexlan
