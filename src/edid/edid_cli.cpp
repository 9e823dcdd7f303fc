#include "edid/edid_cli.h"

#include <cstdio>
#include <ostream>

#include "edid/edid_files.h"
#include "edid_analysis/mod_edid.h"
#include "link/file_io.h"

namespace vexlan {

namespace {

constexpr const char* prog = "vexlan-cli edid";

std::string edid_cli_usage_text()
{
    return "Usage:\n"
           "  vexlan-cli edid analyze [--lf] FILE...\n"
           "      Prints the EDID analysis report of each file as the WRITE side shows it after\n"
           "      the file is opened (.hex, .bin or .ddc). Lines end in CR LF as in the report;\n"
           "      --lf ends them in LF. With several files each report is preceded by a line\n"
           "      \"==> FILE <==\".\n"
           "  vexlan-cli edid facts FILE...\n"
           "      Prints one JSON object per file and line: type and status, size, blocks,\n"
           "      checksums, manufacturer, product code, monitor name, first detailed timing,\n"
           "      first VIC, audio / VSDB / HF-VSDB flags, HDR and Y420.\n"
           "  vexlan-cli edid convert [--c-hex] IN OUT\n"
           "      Converts IN (.hex, .bin or .ddc) to OUT (.hex or .bin), through the EDID text\n"
           "      as SAVE writes it; --c-hex writes C-language HEX instead of simple HEX.\n"
           "Exit status: 0 success, 1 a file could not be read, parsed or written, 2 usage.\n";
}

void reset_records(mod_edid& st)
{
    st.work = edid_info{};
    st.edid_info_read = edid_info{};
    st.edid_info_write = edid_info{};
}

// Loads `path` into the WRITE side the way OPEN does. Returns "" or a one-line reason that
// names the file.
std::string open_into_write_side(mod_edid& st, const std::string& path, edid_load_result& loaded)
{
    loaded = edid_file_load(path);
    if (!loaded.ok) {
        if (loaded.reason == edid_reason_file_format)
            return path + ": unknown file format (File format); expected .hex, .bin or .ddc";
        if (loaded.reason == edid_reason_data) return path + ": not a usable EDID file (Data)";
        return loaded.reason;  // the operating system's reason, already naming the path
    }
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

int analyze(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    bool lf = false;
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--lf")
            lf = true;
        else
            files.push_back(args[i]);
    }
    if (files.empty()) {
        err << prog << " analyze: no file given\n" << edid_cli_usage_text();
        return 2;
    }
    mod_edid st;
    vic_table_init(st);
    int status = 0;
    for (const std::string& path : files) {
        edid_load_result loaded;
        const std::string failure = open_into_write_side(st, path, loaded);
        if (!failure.empty()) {
            err << prog << ": " << failure << "\n";
            status = 1;
            continue;
        }
        // ANALYZE of the WRITE side.
        edid_info_update(st, edid_context_write);
        edid_summary_build(st);
        if (files.size() > 1) out << "==> " << path << " <==" << (lf ? "\n" : "\r\n");
        out << (lf ? to_lf(st.edid_report_text) : st.edid_report_text);
    }
    return status;
}

// ---- facts -----------------------------------------------------------------------------

std::string json_string(std::string_view s)
{
    std::string out = "\"";
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"') {
            out += "\\\"";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c >= 0x7F) {
            // Control bytes and the upper half of Latin-1 as their code points.
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", c);
            out += buf;
        } else {
            out.push_back(ch);
        }
    }
    out += "\"";
    return out;
}

const char* json_bool(bool b) { return b ? "true" : "false"; }

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

std::string facts_json(mod_edid& st, const std::string& path)
{
    // The record as the WRITE side holds it; the CEA facts below re-scan and may raise the
    // working status, so type and status are taken first.
    const edid_info rec = st.edid_info_write;
    const bool size_ok = !(rec.edid_type == edid_type_invalid && rec.edid_status == edid_status_bad_size);
    const auto& img = rec.edid_image;

    std::string j = "{\"file\":" + json_string(path);
    j += ",\"type\":" + std::to_string(rec.edid_type) + ",\"type_name\":" + json_string(type_name(rec.edid_type));
    j += ",\"status\":" + std::to_string(rec.edid_status) +
         ",\"status_name\":" + json_string(status_name(rec.edid_type, rec.edid_status));
    j += ",\"size\":" + std::to_string(rec.edid_size) + ",\"block_count\":" + std::to_string(rec.block_count);
    j += ",\"checksums\":[";
    if (size_ok) {
        for (int b = 0; b < rec.block_count; ++b) {
            if (b > 0) j += ",";
            const int computed = rec.block_checksum[static_cast<std::size_t>(b)];
            const int stored = img[static_cast<std::size_t>(b) * 128 + 127];
            j += "{\"block\":" + std::to_string(b) + ",\"computed\":" + std::to_string(computed) +
                 ",\"stored\":" + std::to_string(stored) + ",\"ok\":" + json_bool(computed == stored) + "}";
        }
    }
    j += "]";
    if (!size_ok) {
        // A bad size stops the analysis before anything is extracted.
        j += ",\"manufacturer\":null,\"product_code\":null,\"monitor_name\":null,\"first_timing\":null,"
             "\"cea_block\":null,\"first_vic\":null,\"audio\":null,\"vsdb\":null,\"hf_vsdb\":null,"
             "\"hdr\":false,\"y420\":false}";
        return j;
    }
    j += ",\"manufacturer\":" + json_string(rec.manufacturer_id);
    j += ",\"product_code\":" + std::to_string(img[10] + img[11] * 256);
    j += ",\"monitor_name\":" + json_string(rec.monitor_name);
    j += ",\"first_timing\":";
    if (rec.dtd_valid) {
        char refresh[32];
        std::snprintf(refresh, sizeof refresh, "%.3f", static_cast<double>(rec.dtd_refresh));
        j += "{\"text\":" + json_string(st.first_dtd_text) + ",\"h_active\":" + std::to_string(rec.dtd_h_active) +
             ",\"v_active\":" + std::to_string(rec.dtd_v_active) + ",\"interlaced\":" + json_bool(rec.dtd_interlaced) +
             ",\"refresh\":" + refresh + "}";
    } else {
        j += "null";
    }

    st.work = rec;
    const std::int16_t cea = edid_cea_block_find(rec);
    const int d = cea != 0 ? img[static_cast<std::size_t>(cea) * 128 + 2] : 0;
    if (cea == 0 || d == 0 || d == 4) {
        j += ",\"cea_block\":" + (cea == 0 ? std::string("null") : std::to_string(cea));
        j += ",\"first_vic\":null,\"audio\":null,\"vsdb\":null,\"hf_vsdb\":null,\"hdr\":false,\"y420\":false}";
        return j;
    }
    j += ",\"cea_block\":" + std::to_string(cea);
    edid_data_block_scan(st, cea);
    j += ",\"first_vic\":";
    if (data_block_present(st.data_block_pos.video)) {
        const int vic = edid_image_byte(rec, st.data_block_pos.video + 1) & 0x7F;
        j += "{\"vic\":" + std::to_string(vic) + ",\"name\":" + json_string(st.vic_name[static_cast<std::size_t>(vic)]) + "}";
    } else {
        j += "null";
    }
    const std::uint8_t audio = edid_audio_flags(st);
    j += ",\"audio\":";
    if (audio == edid_flags_absent)
        j += "null";
    else
        j += std::string("{\"lpcm\":") + json_bool(audio & audio_flag_lpcm) + ",\"bitstream\":" +
             json_bool(audio & audio_flag_bitstream) + ",\"high_bit_rate\":" + json_bool(audio & audio_flag_hbr) + "}";
    const std::uint8_t vsdb = edid_vsdb_flags(st, cea);
    j += ",\"vsdb\":";
    if (vsdb == edid_flags_absent)
        j += "null";
    else
        j += std::string("{\"deepcolor\":") + json_bool(vsdb & vsdb_flag_deepcolor) + ",\"3d\":" +
             json_bool(vsdb & vsdb_flag_3d) + ",\"4k3g\":" + json_bool(vsdb & vsdb_flag_4k3g) + "}";
    const std::uint8_t hf = edid_hf_vsdb_flags(st);
    j += ",\"hf_vsdb\":";
    if (hf == edid_flags_absent)
        j += "null";
    else
        j += std::string("{\"340mhz_above\":") + json_bool(hf & hf_flag_340mhz_above) + ",\"scdc\":" +
             json_bool(hf & hf_flag_scdc) + ",\"y420_deepcolor\":" + json_bool(hf & hf_flag_y420_deepcolor) + "}";
    const data_block_table& pos = st.data_block_pos;
    j += std::string(",\"hdr\":") + json_bool(data_block_present(pos.hdr));
    j += std::string(",\"y420\":") +
         json_bool(data_block_present(pos.y420_video) || data_block_present(pos.y420_map)) + "}";
    return j;
}

int facts(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() < 2) {
        err << prog << " facts: no file given\n" << edid_cli_usage_text();
        return 2;
    }
    mod_edid st;
    vic_table_init(st);
    int status = 0;
    for (std::size_t i = 1; i < args.size(); ++i) {
        edid_load_result loaded;
        const std::string failure = open_into_write_side(st, args[i], loaded);
        if (!failure.empty()) {
            err << prog << ": " << failure << "\n";
            status = 1;
            continue;
        }
        out << facts_json(st, args[i]) << "\n";
    }
    return status;
}

// ---- convert ---------------------------------------------------------------------------

int convert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    (void)out;
    bool c_hex = false;
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--c-hex")
            c_hex = true;
        else
            files.push_back(args[i]);
    }
    if (files.size() != 2) {
        err << prog << " convert: expected IN and OUT\n" << edid_cli_usage_text();
        return 2;
    }
    const std::string& in = files[0];
    const std::string& dest = files[1];
    edid_save_format format;
    switch (edid_file_kind_of(dest)) {
    case edid_file_kind::hex: format = c_hex ? edid_save_format::c_hex : edid_save_format::simple_hex; break;
    case edid_file_kind::bin:
        if (c_hex) {
            err << prog << " convert: --c-hex needs a .hex output, not " << dest << "\n";
            return 2;
        }
        format = edid_save_format::bin;
        break;
    default:
        err << prog << " convert: " << dest << ": can only write .hex or .bin files\n";
        return 2;
    }

    const edid_load_result loaded = edid_file_load(in);
    if (!loaded.ok) {
        std::string failure;
        if (loaded.reason == edid_reason_file_format)
            failure = in + ": unknown file format (File format); expected .hex, .bin or .ddc";
        else if (loaded.reason == edid_reason_data)
            failure = in + ": not a usable EDID file (Data)";
        else
            failure = loaded.reason;
        err << prog << ": " << failure << "\n";
        return 1;
    }
    if (loaded.text.empty()) {
        err << prog << ": " << in << ": the file holds no EDID bytes\n";
        return 1;
    }
    const edid_write_result contents = edid_file_contents_build(loaded.text, format);
    if (!contents.ok) {
        err << prog << ": " << dest << ": the EDID text cannot be saved: " << contents.error << "\n";
        return 1;
    }
    const std::string failure = write_file_atomic(dest, contents.bytes);
    if (!failure.empty()) {
        err << prog << ": " << failure << "\n";
        return 1;
    }
    // The text of an image whose size is not a multiple of eight ends in an incomplete line,
    // which a save leaves out; say so rather than drop bytes silently.
    const edid_load_result written = edid_file_load_bytes(dest, contents.bytes);
    if (written.ok && written.bytes.size() < loaded.bytes.size())
        err << prog << ": note: " << dest << ": the last " << (loaded.bytes.size() - written.bytes.size())
            << " bytes of " << in << " form an incomplete text line and are not written\n";
    return 0;
}

}  // namespace

std::string edid_cli_usage() { return edid_cli_usage_text(); }

int edid_cli_main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        err << edid_cli_usage_text();
        return 2;
    }
    const std::string& sub = args[0];
    if (sub == "--help" || sub == "-h" || sub == "help") {
        out << edid_cli_usage_text();
        return 0;
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            out << edid_cli_usage_text();
            return 0;
        }
    }
    if (sub == "analyze") return analyze(args, out, err);
    if (sub == "facts") return facts(args, out, err);
    if (sub == "convert") return convert(args, out, err);
    err << prog << ": unknown subcommand \"" << sub << "\"\n" << edid_cli_usage_text();
    return 2;
}

}  // namespace vexlan
