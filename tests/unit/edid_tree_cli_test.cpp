// vexlan-cli edid tree, called through cli_run: the JSON keys and the per-file failures.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_app.h"
#include "edid_test_images.h"
#include "link/file_io.h"
#include "temp_dir.h"

namespace vexlan {
namespace {

using namespace edid_test;
using json = nlohmann::ordered_json;  // keeps the printed key order

struct outcome {
    int status;
    std::string out, err;
};

outcome tree(const std::vector<std::string>& files, bool as_json = true)
{
    std::vector<std::string> args{"edid", "tree"};
    if (as_json) args.push_back("--json");
    args.insert(args.end(), files.begin(), files.end());
    std::ostringstream out, err;
    const int status = cli_run(args, out, err);
    return {status, out.str(), err.str()};
}

std::vector<std::string> keys_of(const json& o)
{
    std::vector<std::string> k;
    for (const auto& [key, value] : o.items()) k.push_back(key);
    return k;
}

using keys = std::vector<std::string>;

}  // namespace

TEST(EdidTreeCli, ExactlyTheKeysWithNullsWhereAbsent)
{
    testing::temp_dir tmp{"vexlan_edid_tree"};
    bytes img = base_block();
    img[12] = img[13] = img[14] = img[15] = 0;  // no serial number
    img[16] = 0;                                // no week
    img[23] = 0xFF;                             // gamma elsewhere
    set_display_descriptor(img, 4, 0xFE, "NOTE\xE9");
    const std::string path = tmp.file("one.bin");
    const bytes done = finish({img});
    ASSERT_EQ(write_file_atomic(path, std::string(done.begin(), done.end())), "");

    const outcome r = tree({path, tmp.file("missing.bin"), path});
    EXPECT_EQ(r.status, 1);  // the missing file, named on stderr; the others still printed
    EXPECT_NE(r.err.find("missing.bin"), std::string::npos) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    int objects = 0;
    while (std::getline(lines, line)) {
        ++objects;
        const json j = json::parse(line);
        EXPECT_EQ(keys_of(j), (keys{"file", "vendor", "version", "basic", "color", "established", "standard", "descriptors"}));
        EXPECT_EQ(j["file"], path);
        EXPECT_EQ(keys_of(j["vendor"]), (keys{"manufacturer", "product_code", "serial_number", "week", "year", "model_year"}));
        EXPECT_TRUE(j["vendor"]["serial_number"].is_null());
        EXPECT_TRUE(j["vendor"]["week"].is_null());
        EXPECT_EQ(j["version"], json::array({1, 3}));
        EXPECT_EQ(keys_of(j["basic"]),
                  (keys{"digital", "bits_per_color", "interface", "width_cm", "height_cm", "gamma", "dpms_standby",
                        "dpms_suspend", "dpms_off", "srgb", "preferred_native", "continuous_frequency"}));
        for (const char* absent : {"bits_per_color", "interface", "width_cm", "height_cm", "gamma"})
            EXPECT_TRUE(j["basic"][absent].is_null()) << absent;
        EXPECT_EQ(keys_of(j["color"]), (keys{"red", "green", "blue", "white"}));
        const json& d = j["descriptors"];
        ASSERT_EQ(d.size(), 4u);
        EXPECT_EQ(keys_of(d[0]), (keys{"slot", "kind", "pixel_clock_khz", "h_active", "h_blank", "h_front", "h_sync",
                                       "v_active", "v_blank", "v_front", "v_sync", "width_mm", "height_mm",
                                       "interlaced"}));
        EXPECT_EQ(keys_of(d[1]),
                  (keys{"slot", "kind", "v_min", "v_max", "h_min_khz", "h_max_khz", "max_pixel_clock_mhz"}));
        EXPECT_EQ(d[2], (json{{"slot", 3}, {"kind", "name"}, {"text", "TESTMON"}}));
        EXPECT_EQ(d[3], (json{{"slot", 4}, {"kind", "text"}, {"text", "NOTE\xC3\xA9"}}));  // Latin-1 as UTF-8
        EXPECT_EQ(d[0]["pixel_clock_khz"], 148500);
    }
    EXPECT_EQ(objects, 2);

    // Without --json: the section texts under their node names.
    const outcome text = tree({path}, false);
    EXPECT_EQ(text.status, 0);
    for (const char* node : {"---- Binary List", "---- Vendor/Product Id", "---- Detail Timings/Monitor Descriptors"})
        EXPECT_NE(text.out.find(node), std::string::npos) << node;
    EXPECT_EQ(text.out.find('\r'), std::string::npos);
}

}  // namespace vexlan
