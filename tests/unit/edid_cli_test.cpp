// vexlan-cli without a unit, called through cli_run: the EDID file commands (analyze, facts,
// convert, tree) and the usage rules.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_app.h"
#include "edid/edid_files.h"
#include "edid_test_images.h"
#include "link/file_io.h"
#include "temp_dir.h"

namespace vexlan {
namespace {

using namespace edid_test;

struct outcome {
    int status;
    std::string out;
    std::string err;
};

outcome run_cli(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = cli_run(args, out, err);
    return {status, out.str(), err.str()};
}

// `vexlan-cli edid ARGS...`
outcome run(std::vector<std::string> args)
{
    args.insert(args.begin(), "edid");
    return run_cli(args);
}

class EdidCli : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& contents)
    {
        const std::string path = tmp.file(name);
        EXPECT_EQ(write_file_atomic(path, contents), "");
        return path;
    }
    static std::string read(const std::string& path) { return read_file(path).bytes.value_or("<unreadable>"); }

    testing::temp_dir tmp{"vexlan_edid_cli"};
    const std::filesystem::path& dir = tmp.path;
};

TEST_F(EdidCli, AnalyzePrintsTheWriteSideReport)
{
    const bytes img = finish({base_block(), cea_block({video_block({16}), h14b_vsdb()})});
    const std::string bin = write("a.bin", std::string(img.begin(), img.end()));
    const std::string hex = write("b.hex", edid_text_format(img.data(), 256));

    const outcome one = run({"analyze", bin});
    EXPECT_EQ(std::tie(one.status, one.out, one.err), std::make_tuple(0, summary_of(img), std::string()));

    const outcome lf = run({"analyze", "--lf", hex});
    EXPECT_EQ(std::tuple(lf.status, lf.out.find('\r'), lf.out.substr(0, 37)),
              std::tuple(0, std::string::npos, "EDID Type = HDMI HD , Total 2 blocks\n"));

    const outcome two = run({"analyze", bin, hex});
    EXPECT_EQ(two.out, "==> " + bin + " <==\r\n" + summary_of(img) + "==> " + hex + " <==\r\n" + summary_of(img));
}

TEST_F(EdidCli, FailuresNameTheFile)
{
    const bytes img = finish({base_block()});
    const std::string good = write("good.bin", std::string(img.begin(), img.end()));
    const std::string fifo = (dir / "pipe.bin").string();  // devices and folders: file_io tests
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::tuple<const char*, std::string, const char*> cases[] = {  // what, path, reason
        {"missing file", (dir / "missing.bin").string(), "missing.bin"},
        {"unknown extension", write("x.txt", "00"), "(File format)"},
        {"HEX data error", write("bad.hex", "1x 00"), "(Data)"},
        {"HEX without bytes", write("none.hex", "// nothing\n"), "no EDID bytes"},
        {"FIFO", fifo, "not a regular file"},
        {"over 1 MiB", write("huge.bin", std::string((1 << 20) + 1, '\0')), "larger than 1024 KiB"},
    };
    for (const auto& [what, path, reason] : cases) {
        SCOPED_TRACE(what);
        for (const char* sub : {"analyze", "facts", "tree"}) {
            const outcome r = run({sub, path, good});
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(has_all(r.err, {path, reason}));
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
            EXPECT_FALSE(r.out.empty());  // the good file is still reported
        }
    }
}

TEST_F(EdidCli, FactsAsJsonLines)
{
    bytes base = base_block();
    set_display_descriptor(base, 3, 0xFC, std::string("A\"B\\C\x01\xE9"));
    base[72 + 9] = 30;
    const bytes img = finish({base, cea_block({video_block({0x90}), audio_block({1, 11}),
                                               h14b_vsdb({0x70, 0x3C}), hf_vsdb(0x44), data_block(7, {6, 1, 1})})});
    bytes broken = img;
    broken[200] ^= 1;
    const std::string a = write("a.bin", std::string(img.begin(), img.end()));
    const std::string b = write("b.bin", std::string(broken.begin(), broken.end()));
    const bytes one = finish({base_block()});
    // File names: UTF-8 shown as it is, bytes that are not UTF-8 replaced; the output stays valid.
    const std::string c = write("c_\xC3\xA9\xFF.bin", std::string(one.begin(), one.end()) + std::string(one.begin(), one.end()));
    const outcome r = run({"facts", a, b, c});
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream in(r.out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u);
    const std::string &first = lines[0], &second = lines[1], &third = lines[2];

    const char* expected_first[] = {
        "\"type\":3,\"type_name\":\"HDMI\",\"status\":1,\"status_name\":\"3G\"",
        "\"size\":256,\"block_count\":2",
        "\"manufacturer\":\"ABC\",\"product_code\":4660",
        "\"monitor_name\":\"A\\\"B\\\\C\\u0001\xC3\xA9\"",
        "\"first_timing\":{\"text\":\"1920x1080p\",\"h_active\":1920,\"v_active\":1080,\"interlaced\":false,\"refresh\":60.0}",
        "\"cea_block\":1,\"first_vic\":{\"vic\":16,\"name\":\"1920x1080p 59/60 16:9\"}",
        "\"audio\":{\"lpcm\":true,\"bitstream\":false,\"high_bit_rate\":true}",
        "\"vsdb\":{\"deepcolor\":true,\"3d\":false,\"4k3g\":false}",
        "\"hf_vsdb\":{\"340mhz_above\":true,\"scdc\":true,\"y420_deepcolor\":false}",
        "\"hdr\":true,\"y420\":false}",
    };
    for (const char* part : expected_first) EXPECT_TRUE(has_all(first, {part}));
    EXPECT_EQ(first.rfind("{\"file\":\"" + a + "\"", 0), 0u);

    const std::string sum0 = std::to_string(img[127]);
    EXPECT_TRUE(has_all(second, {"\"type\":0,\"type_name\":\"invalid\",\"status\":1,\"status_name\":\"Checksum\"",
                                 "{\"block\":0,\"computed\":" + sum0 + ",\"stored\":" + sum0 + ",\"ok\":true}",
                                 ",\"stored\":" + std::to_string(img[255]) + ",\"ok\":false}]",
                                 "\"manufacturer\":\"ABC\""}));  // still extracted

    for (const std::string& line : lines) EXPECT_TRUE(nlohmann::json::accept(line)) << line;
    EXPECT_TRUE(has_all(third, {"c_\xC3\xA9\xEF\xBF\xBD.bin\"", "\"status\":2,\"status_name\":\"Block No.\"",
                                "\"checksums\":[],\"manufacturer\":null"}));
}

TEST_F(EdidCli, ConvertBetweenFormats)
{
    const bytes img = finish({base_block(), cea_block({video_block({16})})});
    const std::string bin = write("in.bin", std::string(img.begin(), img.end()));
    const std::string ddc = write("in.ddc", std::string(64, '\x33') + std::string(img.begin(), img.end()));

    const std::string hex = (dir / "out.hex").string();
    ASSERT_EQ(run({"convert", bin, hex}).status, 0);
    EXPECT_EQ(read(hex), edid_save_source_text(edid_text_format(img.data(), 256)) + "\r\n");

    const std::string chex = (dir / "out_c.hex").string();
    ASSERT_EQ(run({"convert", "--c-hex", ddc, chex}).status, 0);
    EXPECT_EQ(read(chex).substr(0, 46), "0x00,0xFF,0xFF,0xFF,0xFF,0xFF,0xFF,0x00, //7  ");

    const std::string back = (dir / "back.bin").string();
    ASSERT_EQ(run({"convert", chex, back}).status, 0);
    EXPECT_EQ(read(back), std::string(img.begin(), img.end()));

    // A 100-byte HEX file: the incomplete last text line is not written, and the user is told.
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred += "5A ";
    const outcome partial = run({"convert", write("h.hex", hundred), (dir / "h.bin").string()});
    EXPECT_EQ(std::tuple(partial.status, read((dir / "h.bin").string()).size()), std::tuple(0, 96u));
    EXPECT_TRUE(has_all(partial.err, {"last 4 bytes"}));

    // A read-only target is not replaced (links and other failures: file_io tests).
    const std::string locked = write("locked.bin", "keep me");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    const outcome refused = run({"convert", bin, locked});
    EXPECT_EQ(std::tuple(refused.status, read(locked)), std::tuple(1, "keep me"));
    EXPECT_TRUE(has_all(refused.err, {"read-only"}));

    EXPECT_EQ(run({"convert", bin, (dir / "x.ddc").string()}).status, 2);
    EXPECT_EQ(run({"convert", "--c-hex", bin, (dir / "x.bin").string()}).status, 2);
    const outcome missing = run({"convert", (dir / "nope.bin").string(), (dir / "y.bin").string()});
    EXPECT_EQ(std::tuple(missing.status, std::filesystem::exists(dir / "y.bin")), std::tuple(1, false));
    EXPECT_TRUE(has_all(missing.err, {"nope.bin"}));
}

// The fields' values are compared with edid-decode over the real corpus (ctest
// edid_tree_vs_edid_decode); here: no other keys, their order, nulls, text as UTF-8.
TEST_F(EdidCli, TreeHasExactlyTheKeysWithNullsWhereAbsent)
{
    using json = nlohmann::ordered_json;  // keeps the printed key order
    using keys = std::vector<std::string>;
    const auto keys_of = [](const json& o) {
        keys k;
        for (const auto& [key, value] : o.items()) k.push_back(key);
        return k;
    };
    bytes img = base_block();
    img[12] = img[13] = img[14] = img[15] = 0;  // no serial number
    img[16] = 0;                                // no week
    img[23] = 0xFF;                             // gamma elsewhere
    set_display_descriptor(img, 4, 0xFE, "NOTE\xE9");
    const bytes done = finish({img});
    const std::string path = write("one.bin", std::string(done.begin(), done.end()));

    const outcome r = run({"tree", "--json", path});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    const json j = json::parse(r.out);
    EXPECT_EQ(keys_of(j), (keys{"file", "vendor", "version", "basic", "color", "established", "standard", "descriptors"}));
    EXPECT_EQ(j["file"], path);
    EXPECT_EQ(keys_of(j["vendor"]), (keys{"manufacturer", "product_code", "serial_number", "week", "year", "model_year"}));
    EXPECT_EQ(keys_of(j["basic"]),
              (keys{"digital", "bits_per_color", "interface", "width_cm", "height_cm", "gamma", "dpms_standby",
                    "dpms_suspend", "dpms_off", "srgb", "preferred_native", "continuous_frequency"}));
    for (const json* absent : {&j["vendor"]["serial_number"], &j["vendor"]["week"], &j["basic"]["bits_per_color"],
                               &j["basic"]["interface"], &j["basic"]["width_cm"], &j["basic"]["gamma"]})
        EXPECT_TRUE(absent->is_null()) << *absent;
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

    // Without --json: the section texts under their node names, LF line ends.
    const outcome text = run({"tree", path});
    EXPECT_EQ(text.status, 0);
    EXPECT_TRUE(
        has_all(text.out, {"---- Binary List", "---- Vendor/Product Id", "---- Detail Timings/Monitor Descriptors"}));
    EXPECT_EQ(text.out.find('\r'), std::string::npos);
}

// Wrong usage: status 2 and one line on stderr that says what is wrong; nothing on stdout.
// A refused file: status 1, the same one line.
TEST(Cli, UsageErrorsAndStatus)
{
    const std::string data = VEXLAN_DATA_DIR "/edid/", hd_tv = data + "vexlan_hd_tv_2b.bin";
    // args, status, a text on stderr (on stdout for status 0)
    const std::tuple<std::vector<std::string>, int, const char*> cases[] = {
        {{"--connect-timeout-ms", "abc", "link"}, 2, "--connect-timeout-ms"},
        {{"--tcp", "127.0.0.1:1", "frobnicate"}, 2, "frobnicate"},
        {{"edid"}, 2, "subcommand is required"},
        {{"edid", "analyze"}, 2, "FILE is required"},
        {{"send", "--tcp", "127.0.0.1:1"}, 2, "LINE is required"},
        {{"--tcp", "127.0.0.1:1", "--serial", "/dev/ttyS0", "link"}, 2, "excludes"},
        {{"link"}, 2, "link: give exactly one of --tcp and --serial"},
        {{"send", "--tcp", "127.0.0.1:1", "$timing 1\r$factory"}, 2, "must not contain CR or LF"},
        {{"edid", "read", "d1", "--out", "d1.txt", "--tcp", "127.0.0.1:1"}, 2, "can only write .hex or .bin"},
        {{"--tcp", "127.0.0.1:x", "link"}, 2, "link: --tcp: "},
        {{"--tcp", "127.0.0.1:1", "link"}, 3, "link: cannot connect to 127.0.0.1:1"},
        {{"link", "--serial", "/dev/no-such-port"}, 3, "cannot open serial port /dev/no-such-port"},
        // Store commands refused before any link: status 3 would mean a connection was tried.
        {{"edid", "write", "d1", hd_tv, "--tcp", "127.0.0.1:1"}, 2, "d1..d10 are read-only"},
        {{"edid", "write", "sink_v", hd_tv, "--tcp", "127.0.0.1:1"}, 2, "SLOT must be sink_h or c1..c10"},
        {{"edid", "write", "c3", data + "vexlan_bad_checksum_2b.bin", "--tcp", "127.0.0.1:1"}, 1,
         "bad checksum (Checksum); --force writes it anyway"},
        {{"edid", "write", "c3", data + "vexlan_no_such.bin", "--tcp", "127.0.0.1:1"}, 1, "vexlan_no_such.bin"},
        {{"edid", "rename", "c3", "a,b", "--tcp", "127.0.0.1:1"}, 2, "Wrong name"},
        {{"edid", "rename", "d3", "Mine", "--tcp", "127.0.0.1:1"}, 2, "only c1..c10 can be named"},
        {{"edid", "rx", "sink_h", "--tcp", "127.0.0.1:1"}, 2, "SLOT must be sink, d1..d10 or c1..c10"},
        {{"edid", "copy-sink", "d2", "--tcp", "127.0.0.1:1"}, 2, "c1..c10 only"},
        {{"--version"}, 0, "vexlan-cli 2.18\n"},
        {{"send", "--help"}, 0, "--json"},
    };
    for (const auto& [args, status, text] : cases) {
        const outcome r = run_cli(args);
        std::string all;
        for (const auto& a : args) all += a + " ";
        SCOPED_TRACE(all);
        EXPECT_EQ(r.status, status) << r.err;
        const std::string& said = status == 0 ? r.out : r.err;
        EXPECT_NE(said.find(text), std::string::npos) << said;
        if (status != 0) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
            EXPECT_EQ(r.out, "");
        }
    }
}

}  // namespace
}  // namespace vexlan
