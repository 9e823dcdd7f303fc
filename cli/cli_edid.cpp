// vexlan-cli edid analyze|facts|convert (offline, on files) and edid read (from the unit).
#include <cmath>
#include <memory>
#include <ostream>

#include "cli_app.h"
#include "cli_edid_tree.h"
#include "edid/edid_files.h"
#include "edid/edid_transfer.h"
#include "edid_analysis/mod_edid.h"
#include "link/file_io.h"

namespace vexlan {

namespace {

using json = nlohmann::ordered_json;

void reset_records(mod_edid& st)
{
    st.work = edid_info{};
    st.edid_info_read = edid_info{};
    st.edid_info_write = edid_info{};
}

// The one-line reason of a failed load, naming the file.
std::string load_failure(const std::string& path, const edid_load_result& loaded)
{
    if (loaded.reason == edid_reason_file_format)
        return path + ": unknown file format (File format); expected .hex, .bin or .ddc";
    if (loaded.reason == edid_reason_data) return path + ": not a usable EDID file (Data)";
    return loaded.reason;  // the operating system's reason or the size/kind refusal, naming the path
}

// Loads `path` into the WRITE side the way OPEN does. Returns "" or a one-line reason.
std::string open_into_write_side(mod_edid& st, const std::string& path)
{
    const edid_load_result loaded = edid_file_load(path);
    if (!loaded.ok) return load_failure(path, loaded);
    if (loaded.text.empty()) return path + ": the file holds no EDID bytes (WRITE window is empty)";
    reset_records(st);
    edid_load_apply(st.edid_info_write, loaded);
    edid_write_side_check(st);
    return "";
}

std::string to_lf(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out.push_back(text[i]);
    }
    return out;
}

// Loads each file into the WRITE side of one engine state and hands it to `each`; a file that
// cannot be loaded is reported and skipped. Returns the exit status of the whole run.
template <typename Each>
int for_each_loaded(cli_env& env, const std::vector<std::string>& files, Each each)
{
    mod_edid st;
    vic_table_init(st);
    int status = exit_ok;
    for (const std::string& path : files) {
        if (const std::string failure = open_into_write_side(st, path); !failure.empty()) {
            status = env.fail(exit_refused, failure);
            continue;
        }
        each(st, path);
    }
    return status;
}

int analyze(cli_env& env, const std::vector<std::string>& files, bool lf)
{
    return for_each_loaded(env, files, [&](mod_edid& st, const std::string& path) {
        edid_info_update(st, edid_context_write);  // ANALYZE of the WRITE side
        edid_summary_build(st);
        if (files.size() > 1) env.out << "==> " << path << " <==" << (lf ? "\n" : "\r\n");
        env.out << (lf ? to_lf(st.edid_report_text) : st.edid_report_text);
    });
}

std::string type_name(std::int16_t type)
{
    switch (type) {
    case edid_type_invalid: return "invalid";
    case edid_type_analog: return "ANALOG";
    case edid_type_dvi: return "DVI";
    case edid_type_hdmi: return "HDMI";
    default: return "unknown";
    }
}

std::string status_name(std::int16_t type, std::int16_t status)
{
    static const char* const invalid[] = {"Header", "Checksum", "Block No."};
    static const char* const plain[] = {"no extension", "no CEA extension", "no HDMI VSDB"};
    static const char* const speed[] = {"HD", "3G", "6G"};
    if (status < 0 || status > 2) return "unknown";
    if (type == edid_type_invalid) return invalid[status];
    if (type == edid_type_analog || type == edid_type_dvi) return plain[status];
    if (type == edid_type_hdmi) return speed[status];
    return "unknown";
}

json facts_json(mod_edid& st, const std::string& path)
{
    // The record as the WRITE side holds it; the CEA facts below re-scan and may raise the
    // working status, so type and status are taken first.
    const edid_info rec = st.edid_info_write;
    const bool size_ok = !(rec.edid_type == edid_type_invalid && rec.edid_status == edid_status_bad_size);
    const auto& img = rec.edid_image;

    json j;
    j["file"] = path;  // file names are shown as the system holds them (UTF-8)
    j["type"] = rec.edid_type;
    j["type_name"] = type_name(rec.edid_type);
    j["status"] = rec.edid_status;
    j["status_name"] = status_name(rec.edid_type, rec.edid_status);
    j["size"] = rec.edid_size;
    j["block_count"] = rec.block_count;
    j["checksums"] = json::array();
    if (size_ok) {
        for (int b = 0; b < rec.block_count; ++b) {
            const int computed = rec.block_checksum[static_cast<std::size_t>(b)];
            const int stored = img[static_cast<std::size_t>(b) * 128 + 127];
            j["checksums"].push_back({{"block", b}, {"computed", computed}, {"stored", stored}, {"ok", computed == stored}});
        }
    }
    const char* const cea_facts[] = {"cea_block", "first_vic", "audio", "vsdb", "hf_vsdb"};
    auto no_cea_facts = [&](bool from_cea_block) {
        for (const char* key : cea_facts)
            if (!(from_cea_block && std::string_view(key) == "cea_block")) j[key] = nullptr;
        j["hdr"] = false;
        j["y420"] = false;
        return j;
    };
    if (!size_ok) {
        // A bad size stops the analysis before anything is extracted.
        for (const char* key : {"manufacturer", "product_code", "monitor_name", "first_timing"}) j[key] = nullptr;
        return no_cea_facts(false);
    }
    j["manufacturer"] = latin1_utf8(rec.manufacturer_id);
    j["product_code"] = img[10] + img[11] * 256;
    j["monitor_name"] = latin1_utf8(rec.monitor_name);
    if (rec.dtd_valid) {
        j["first_timing"] = {{"text", latin1_utf8(st.first_dtd_text)},
                             {"h_active", rec.dtd_h_active},
                             {"v_active", rec.dtd_v_active},
                             {"interlaced", rec.dtd_interlaced},
                             {"refresh", std::round(static_cast<double>(rec.dtd_refresh) * 1000.0) / 1000.0}};
    } else {
        j["first_timing"] = nullptr;
    }

    st.work = rec;
    const std::int16_t cea = edid_cea_block_find(rec);
    const int d = cea != 0 ? img[static_cast<std::size_t>(cea) * 128 + 2] : 0;
    if (cea == 0) return no_cea_facts(false);
    j["cea_block"] = cea;
    if (d == 0 || d == 4) return no_cea_facts(true);
    edid_data_block_scan(st, cea);
    if (data_block_present(st.data_block_pos.video)) {
        const int vic = edid_image_byte(rec, st.data_block_pos.video + 1) & 0x7F;
        j["first_vic"] = {{"vic", vic}, {"name", latin1_utf8(st.vic_name[static_cast<std::size_t>(vic)])}};
    } else {
        j["first_vic"] = nullptr;
    }
    auto flags = [](std::uint8_t value, std::initializer_list<std::pair<const char*, std::uint8_t>> names) -> json {
        if (value == edid_flags_absent) return nullptr;
        json o;
        for (const auto& [name, bit] : names) o[name] = (value & bit) != 0;
        return o;
    };
    j["audio"] = flags(edid_audio_flags(st),
                       {{"lpcm", audio_flag_lpcm}, {"bitstream", audio_flag_bitstream}, {"high_bit_rate", audio_flag_hbr}});
    j["vsdb"] = flags(edid_vsdb_flags(st, cea),
                      {{"deepcolor", vsdb_flag_deepcolor}, {"3d", vsdb_flag_3d}, {"4k3g", vsdb_flag_4k3g}});
    j["hf_vsdb"] = flags(edid_hf_vsdb_flags(st), {{"340mhz_above", hf_flag_340mhz_above},
                                                  {"scdc", hf_flag_scdc},
                                                  {"y420_deepcolor", hf_flag_y420_deepcolor}});
    const data_block_table& pos = st.data_block_pos;
    j["hdr"] = data_block_present(pos.hdr);
    j["y420"] = data_block_present(pos.y420_video) || data_block_present(pos.y420_map);
    return j;
}

int facts(cli_env& env, const std::vector<std::string>& files)
{
    return for_each_loaded(env, files,
                           [&](mod_edid& st, const std::string& path) { env.json_print(facts_json(st, path)); });
}

// Writes `text` (a window text) to `dest` as its extension says; returns "" or the reason.
std::string text_save(const std::string& text, const std::string& dest, bool c_hex)
{
    const auto format = edid_file_kind_of(dest) == edid_file_kind::bin ? edid_save_format::bin
                        : c_hex                                        ? edid_save_format::c_hex
                                                                       : edid_save_format::simple_hex;
    const edid_write_result contents = edid_file_contents_build(text, format);
    if (!contents.ok) return dest + ": the EDID text cannot be saved: " + contents.error;
    return write_file_atomic(dest, contents.bytes);
}

// The output name must end in .hex or .bin, and --c-hex needs .hex. "" or the usage problem.
std::string output_check(const std::string& dest, bool c_hex)
{
    const auto kind = edid_file_kind_of(dest);
    if (kind != edid_file_kind::hex && kind != edid_file_kind::bin) return dest + ": can only write .hex or .bin files";
    if (c_hex && kind != edid_file_kind::hex) return "--c-hex needs a .hex output, not " + dest;
    return "";
}

int convert(cli_env& env, const std::string& in, const std::string& dest, bool c_hex)
{
    if (const auto why = output_check(dest, c_hex); !why.empty()) return env.usage_error(why);
    const edid_load_result loaded = edid_file_load(in);
    if (!loaded.ok) return env.fail(exit_refused, load_failure(in, loaded));
    if (loaded.text.empty()) return env.fail(exit_refused, in + ": the file holds no EDID bytes");
    if (const auto failure = text_save(loaded.text, dest, c_hex); !failure.empty())
        return env.fail(exit_refused, failure);
    // The text of an image whose size is not a multiple of eight ends in an incomplete line,
    // which a save leaves out; say so rather than drop bytes silently.
    const std::size_t whole_lines = loaded.bytes.size() / 8 * 8;
    if (whole_lines < loaded.bytes.size())
        env.err << "vexlan-cli: edid convert: note: " << dest << ": the last " << (loaded.bytes.size() - whole_lines)
                << " bytes of " << in << " form an incomplete text line and are not written\n";
    return exit_ok;
}

int read_from_unit(cli_env& env, const std::string& slot, const std::string& dest)
{
    if (!dest.empty())
        if (const auto why = output_check(dest, false); !why.empty()) return env.usage_error("--out: " + why);
    if (const int code = env.link_unit(); code != exit_ok) return code;
    const edid_read_result r = edid_read_from_unit(env.ctx(), slot);
    if (!r.ok) {
        const bool lost = !env.link_up();
        return env.fail(lost ? exit_no_link : exit_refused, "EDID read of " + slot + " stopped after " +
                                                                std::to_string(r.blocks_read) + " block(s): " + r.failure);
    }
    if (dest.empty()) {
        env.out << r.text << "\n";
    } else if (edid_file_kind_of(dest) == edid_file_kind::bin) {
        const std::string bytes(reinterpret_cast<const char*>(r.image.data()), static_cast<std::size_t>(r.edid_size));
        if (const auto failure = write_file_atomic(dest, bytes); !failure.empty()) return env.fail(exit_refused, failure);
    } else if (const auto failure = text_save(r.text, dest, false); !failure.empty()) {
        return env.fail(exit_refused, failure);
    }
    env.err << "read " << r.blocks_read << " block(s) of " << slot << ", " << r.edid_size << " bytes\n";
    return exit_ok;
}

}  // namespace

void add_edid_commands(CLI::App& app, cli_env& env)
{
    auto* edid = app.add_subcommand("edid", "EDID files (analyze, facts, convert, tree) and the unit's EDID stores (read, write, slots, rx, rename, copy-sink)");
    edid->require_subcommand(1);

    struct options {
        std::vector<std::string> files;
        std::string in, out, slot;
        bool lf = false, c_hex = false;
    };
    auto o = std::make_shared<options>();

    auto* analyze_cmd = edid->add_subcommand(
        "analyze", "print the EDID analysis report of each FILE (.hex, .bin or .ddc) as the WRITE side shows it "
                   "after OPEN; lines end in CR LF as in the report; several files are each preceded by "
                   "\"==> FILE <==\"");
    analyze_cmd->add_option("FILE", o->files, "EDID files")->required();
    analyze_cmd->add_flag("--lf", o->lf, "end lines in LF instead of CR LF");
    analyze_cmd->callback([&env, o] {
        env.command = "edid analyze";
        env.status = analyze(env, o->files, o->lf);
    });

    auto* facts_cmd = edid->add_subcommand(
        "facts", "print one JSON object per FILE and line: type and status, size, blocks, checksums, manufacturer, "
                 "product code, monitor name, first detailed timing, first VIC, audio / VSDB / HF-VSDB flags, HDR "
                 "and Y420");
    facts_cmd->add_option("FILE", o->files, "EDID files")->required();
    facts_cmd->callback([&env, o] {
        env.command = "edid facts";
        env.status = facts(env, o->files);
    });

    auto* convert_cmd = edid->add_subcommand(
        "convert", "convert IN (.hex, .bin or .ddc) to OUT (.hex or .bin) through the EDID text as SAVE writes it");
    convert_cmd->add_option("IN", o->in, "the EDID file to read")->required();
    convert_cmd->add_option("OUT", o->out, "the file to write (.hex or .bin)")->required();
    convert_cmd->add_flag("--c-hex", o->c_hex, "write C-language HEX instead of simple HEX");
    convert_cmd->callback([&env, o] {
        env.command = "edid convert";
        env.status = convert(env, o->in, o->out, o->c_hex);
    });

    auto* read_cmd = edid->add_subcommand(
        "read", "read an EDID store of the unit (sink_h, sink_v, d1..d10, c1..c10); prints the text, or writes "
                "--out FILE (.bin the bytes, .hex the text)");
    read_cmd->add_option("SLOT", o->slot, "the store")->required();
    read_cmd->add_option("--out", o->out, "the file to write");
    read_cmd->callback([&env, o] {
        env.command = "edid read";
        env.status = read_from_unit(env, o->slot, o->out);
    });

    add_edid_tree_command(edid, env);
    add_edid_store_commands(edid, env);
}

}  // namespace vexlan
