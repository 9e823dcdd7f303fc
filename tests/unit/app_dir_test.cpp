// The application folder: which folder, the defaults copied into it at the first start, and the
// upgrades of the shipped catalogues and pictures: a copy an earlier release installed follows
// the new release, an edited copy stays, favourites and settings never change.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "link/app_dir.h"
#include "link/file_io.h"
#include "temp_dir.h"

using namespace vexlan;
namespace fs = std::filesystem;

namespace {

struct release_rig {
    vexlan::testing::temp_dir dir{"vexlan_app_dir"};
    std::string app = dir.file("app");
    int number = 0;

    // A release's folder of shipped files.
    std::string ship(const std::map<std::string, std::string>& shipped) {
        const std::string defaults = dir.file("release" + std::to_string(++number));
        fs::create_directories(defaults + "/bmp");
        fs::create_directories(defaults + "/edid");
        for (const auto& [name, bytes] : shipped) EXPECT_EQ(write_file_atomic(defaults + "/" + name, bytes), "");
        return defaults;
    }
    // Installs a release with these shipped files and starts the program once: the texts it
    // shows the operator.
    std::vector<std::string> start(const std::map<std::string, std::string>& shipped) {
        const std::string defaults = ship(shipped);
        auto texts = app_dir_prepare(app, defaults);
        for (auto& t : shipped_defaults_refresh(app, defaults)) texts.push_back(std::move(t));
        return texts;
    }
    std::string read(const std::string& name) const { return read_file(app + "/" + name).bytes.value_or("<none>"); }
    void edit(const std::string& name, const std::string& bytes) {
        ASSERT_EQ(write_file_atomic(app + "/" + name, bytes), "");
    }
};

std::map<std::string, std::string> release(const std::string& v) {
    return {{"m41_timing_pattern.ini", "catalogue " + v}, {"m41_timing_pattern_fav.ini", "favourites " + v},
            {"bmp/refresh_on.bmp", "picture " + v}, {"Vexlan_ini.txt", "settings " + v}};
}

}  // namespace

TEST(app_dir, option_and_environment_choose_the_folder) {
    using args = std::vector<std::string>;
    struct row { args argv; const char* xdg; const char* home; const char* want; };
    const row rows[] = {
        {{"-v", "--app-dir=/srv/v x"}, "/x", "/home/op", "/srv/v x"},
        {{"--app-dir"}, "/xdg", "/home/op", "/xdg/vexlan"},  // no value: ignored
        {{"--app-dir-other", "/no"}, "relative/xdg", "/h", "/h/.local/share/vexlan"},
        {{}, nullptr, nullptr, "vexlan"},
    };
    for (const auto& r : rows) EXPECT_EQ(app_dir_resolve(app_dir_option(r.argv), r.xdg, r.home), r.want);
}

// Preparing copies the catalogues, pictures and settings that are missing, never touches a file
// that is there, and says what it cannot do.
TEST(app_dir, prepare_copies_missing_defaults_only) {
    release_rig rig;
    auto shipped = release("1");
    shipped.insert({{"readme.txt", "readme"}, {"edid/a.bin", "edid"}});
    const std::string defaults = rig.ship(shipped);
    fs::create_directories(rig.app);
    rig.edit("m41_timing_pattern.ini", "operator's own");
    const std::string leftover = ".Vexlan_ini.txt.abcdefgh.999999999.tmp";  // its writer is gone
    rig.edit(leftover, "half");

    EXPECT_TRUE(app_dir_prepare(rig.app, defaults).empty());
    EXPECT_EQ(std::tuple(rig.read("Vexlan_ini.txt"), rig.read("bmp/refresh_on.bmp"),
                         rig.read("m41_timing_pattern.ini")),
              std::tuple("settings 1", "picture 1", "operator's own"));
    EXPECT_EQ(std::tuple(rig.read(leftover), rig.read("readme.txt"), fs::exists(rig.app + "/edid")),
              std::tuple("<none>", "<none>", false));

    const auto no_defaults = app_dir_prepare(rig.dir.file("app2"), rig.dir.file("nowhere"));
    ASSERT_EQ(no_defaults.size(), 1u);
    EXPECT_NE(no_defaults[0].find(rig.dir.file("nowhere")), std::string::npos);
    EXPECT_TRUE(fs::is_directory(rig.dir.file("app2")));
    const auto blocked = app_dir_prepare(defaults + "/readme.txt/sub", defaults);  // a file in the way
    ASSERT_EQ(blocked.size(), 1u);
    EXPECT_NE(blocked[0].find("cannot create the application folder"), std::string::npos) << blocked[0];
}
TEST(shipped_defaults, a_release_refreshes_what_the_operator_left_alone_and_keeps_the_rest) {
    release_rig rig;
    EXPECT_TRUE(rig.start(release("1")).empty());
    EXPECT_EQ(rig.read("m41_timing_pattern.ini"), "catalogue 1");

    // Release 2: the catalogue and the picture follow; favourites and settings are the operator's.
    rig.edit("m41_timing_pattern_fav.ini", "my favourites");
    EXPECT_TRUE(rig.start(release("2")).empty());
    EXPECT_EQ(std::tuple(rig.read("m41_timing_pattern.ini"), rig.read("bmp/refresh_on.bmp"),
                         rig.read("m41_timing_pattern_fav.ini"), rig.read("Vexlan_ini.txt")),
              std::tuple("catalogue 2", "picture 2", "my favourites", "settings 1"));

    // An edited catalogue stays; the operator hears of it once per release that differs.
    rig.edit("m41_timing_pattern.ini", "my catalogue");
    auto texts = rig.start(release("3"));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find(rig.app + "/m41_timing_pattern.ini: kept"), std::string::npos) << texts[0];
    EXPECT_EQ(rig.read("m41_timing_pattern.ini"), "my catalogue");
    EXPECT_EQ(rig.read("bmp/refresh_on.bmp"), "picture 3");
    EXPECT_TRUE(rig.start(release("3")).empty());
    EXPECT_EQ(rig.start(release("4")).size(), 1u);
    EXPECT_EQ(rig.read("m41_timing_pattern.ini"), "my catalogue");

    // Once the copy is the shipped one again, it follows the releases again; a deleted copy comes
    // back.
    rig.edit("m41_timing_pattern.ini", "catalogue 4");
    fs::remove(rig.app + "/bmp/refresh_on.bmp");
    EXPECT_TRUE(rig.start(release("4")).empty());
    EXPECT_TRUE(rig.start(release("5")).empty());
    EXPECT_EQ(rig.read("m41_timing_pattern.ini"), "catalogue 5");
    EXPECT_EQ(rig.read("bmp/refresh_on.bmp"), "picture 5");
}

// Without a usable record nothing tells an installed copy from an edited one: every differing copy
// is kept.
TEST(shipped_defaults, without_a_record_differing_copies_are_kept) {
    for (const char* record : {"", "garbage\nm41_timing_pattern.ini\n\t0123456789abcdef\n"}) {
        SCOPED_TRACE(record);
        release_rig rig;
        EXPECT_TRUE(rig.start(release("1")).empty());
        rig.edit(std::string(installed_record_file_name), record);
        rig.edit("m41_timing_pattern.ini", "older catalogue");
        EXPECT_EQ(rig.start(release("2")).size(), 2u);  // the catalogue and the picture
        EXPECT_EQ(rig.read("m41_timing_pattern.ini"), "older catalogue");
        EXPECT_EQ(rig.read("bmp/refresh_on.bmp"), "picture 1");
        EXPECT_TRUE(rig.start(release("2")).empty());
    }
}
