// vexlan-cli edid tree: the decoded sections of each file's base block, as text or JSON.
#include "cli_edid_tree.h"

#include <memory>

#include "cli_app.h"
#include "edid/edid_files.h"

namespace vexlan {

namespace {

using json = nlohmann::ordered_json;

// Descriptor texts are 8-bit bytes; each is taken as a Latin-1 character.
std::string text_utf8(const std::string& bytes) { return latin1_utf8(bytes); }

template <typename T>
json optional_value(const std::optional<T>& v)
{
    return v ? json(*v) : json(nullptr);
}

json point(const edid_chromaticity& c) { return json::array({c.x, c.y}); }

json descriptor_json(const edid_descriptor& e)
{
    json d;
    d["slot"] = e.slot;
    d["kind"] = std::string(edid_descriptor_kind_name(e.kind));
    switch (e.kind) {
    case edid_descriptor_kind::dtd: {
        const edid_dtd& t = e.dtd;
        d["pixel_clock_khz"] = t.pixel_clock_khz;
        d["h_active"] = t.h_active;
        d["h_blank"] = t.h_blank;
        d["h_front"] = t.h_front;
        d["h_sync"] = t.h_sync;
        d["v_active"] = t.v_active;
        d["v_blank"] = t.v_blank;
        d["v_front"] = t.v_front;
        d["v_sync"] = t.v_sync;
        d["width_mm"] = t.width_mm;
        d["height_mm"] = t.height_mm;
        d["interlaced"] = t.interlaced;
        break;
    }
    case edid_descriptor_kind::name:
    case edid_descriptor_kind::serial:
    case edid_descriptor_kind::text: d["text"] = text_utf8(e.text); break;
    case edid_descriptor_kind::range_limits:
        d["v_min"] = e.range.v_min;
        d["v_max"] = e.range.v_max;
        d["h_min_khz"] = e.range.h_min_khz;
        d["h_max_khz"] = e.range.h_max_khz;
        d["max_pixel_clock_mhz"] = e.range.max_pixel_clock_mhz;
        break;
    case edid_descriptor_kind::dummy: break;
    case edid_descriptor_kind::other: d["tag"] = e.tag; break;
    }
    return d;
}

}  // namespace

nlohmann::ordered_json edid_tree_json(const edid_base_info& i, const std::string& file)
{
    json j;
    j["file"] = file;  // file names are shown as the system holds them (UTF-8)
    j["vendor"] = {{"manufacturer", i.manufacturer},       {"product_code", i.product_code},
                   {"serial_number", optional_value(i.serial_number)}, {"week", optional_value(i.week)},
                   {"year", i.year},                       {"model_year", i.model_year}};
    j["version"] = json::array({i.version_major, i.version_minor});
    j["basic"] = {{"digital", i.digital},
                  {"bits_per_color", optional_value(i.bits_per_color)},
                  {"interface", optional_value(i.interface_name)},
                  {"width_cm", optional_value(i.width_cm)},
                  {"height_cm", optional_value(i.height_cm)},
                  {"gamma", optional_value(i.gamma)},
                  {"dpms_standby", i.dpms_standby},
                  {"dpms_suspend", i.dpms_suspend},
                  {"dpms_off", i.dpms_off},
                  {"srgb", i.srgb},
                  {"preferred_native", i.preferred_native},
                  {"continuous_frequency", i.continuous_frequency}};
    j["color"] = {{"red", point(i.red)}, {"green", point(i.green)}, {"blue", point(i.blue)}, {"white", point(i.white)}};
    j["established"] = i.established;
    json standard = json::array();
    for (const edid_standard_timing& t : i.standard)
        if (t.used) standard.push_back({{"width", t.width}, {"height", t.height}, {"refresh", t.refresh}});
    j["standard"] = standard;
    json descriptors = json::array();
    for (const edid_descriptor& e : i.descriptors) descriptors.push_back(descriptor_json(e));
    j["descriptors"] = descriptors;
    return j;
}

namespace {

// The node keys in tree order, with the node texts the analysis frame shows.
const std::pair<const char*, const char*> tree_nodes[] = {
    {"block0_binary", "Binary List"},
    {"block0_vendor", "Vendor/Product Id"},
    {"block0_basic", "Basic Display Parameters"},
    {"block0_color", "Color Characteristics"},
    {"block0_established", "Established Timings"},
    {"block0_standard", "Standard Timings"},
    {"block0_dt_mon", "Detail Timings/Monitor Descriptors"},
};

int tree(cli_env& env, const std::vector<std::string>& files)
{
    int status = exit_ok;
    for (const std::string& path : files) {
        const edid_load_result loaded = edid_file_load(path);
        if (!loaded.ok) {
            if (loaded.reason == edid_reason_file_format)
                status = env.fail(exit_refused, path + ": unknown file format (File format); expected .hex, .bin or .ddc");
            else if (loaded.reason == edid_reason_data)
                status = env.fail(exit_refused, path + ": not a usable EDID file (Data)");
            else
                status = env.fail(exit_refused, loaded.reason);
            continue;
        }
        if (loaded.bytes.empty()) {
            status = env.fail(exit_refused, path + ": the file holds no EDID bytes");
            continue;
        }
        const auto* image = loaded.bytes.data();
        const int size = static_cast<int>(loaded.bytes.size());
        if (env.json) {
            env.json_print(edid_tree_json(edid_base_decode(image, size), path));
            continue;
        }
        if (files.size() > 1) env.out << "==> " << path << " <==\n";
        for (const auto& [key, caption] : tree_nodes) {
            std::string text = edid_section_text(image, size, key);
            std::string lf;
            for (std::size_t i = 0; i < text.size(); ++i)
                if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf.push_back(text[i]);
            env.out << "---- " << caption << "\n" << latin1_utf8(lf) << "\n";
        }
    }
    return status;
}

}  // namespace

void add_edid_tree_command(CLI::App* edid, cli_env& env)
{
    auto files = std::make_shared<std::vector<std::string>>();
    auto* sub = edid->add_subcommand(
        "tree", "print the decoded sections of each FILE's base block (vendor and product, version and basic "
                "display parameters, colour, established and standard timings, the four descriptors); with "
                "--json one object per file and line");
    sub->add_option("FILE", *files, "EDID files (.hex, .bin or .ddc)")->required();
    env.add_json_flag(sub);
    sub->callback([&env, files] {
        env.command = "edid tree";
        env.status = tree(env, *files);
    });
}

}  // namespace vexlan
