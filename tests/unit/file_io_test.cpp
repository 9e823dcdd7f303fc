#include "link/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include "temp_dir.h"

namespace fs = std::filesystem;
using namespace vexlan;

namespace {

using file_io_dir = vexlan::testing::temp_dir;

std::set<std::string> names_in(const fs::path& dir)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

std::string contents(const std::string& path)
{
    const auto r = read_file(path);
    return r ? *r.bytes : "<unreadable>";
}

}  // namespace

TEST(file_io, write_then_read_keeps_every_byte)
{
    file_io_dir dir;
    std::string bytes = "line 1\r\nline 2\n\0\xff\x80 end";
    bytes += std::string(100000, 'x');  // larger than one read buffer
    const std::string path = dir.file("data.bin");
    ASSERT_EQ(write_file_atomic(path, bytes), "");
    const auto r = read_file(path);
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(*r.bytes, bytes);

    ASSERT_EQ(write_file_atomic(path, "short"), "");
    EXPECT_EQ(contents(path), "short");
    EXPECT_EQ(names_in(dir.path), std::set<std::string>{"data.bin"});  // no temporary left over
}

TEST(file_io, failures_name_the_path_and_reason)
{
    file_io_dir dir;
    const std::string missing = dir.file("absent.ini");
    const auto r = read_file(missing);
    EXPECT_FALSE(r);
    EXPECT_NE(r.error.find(missing), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("No such file or directory"), std::string::npos) << r.error;
    EXPECT_NE(read_file(dir.str()).error.find("Is a directory"), std::string::npos);

    const std::string path = dir.file("no_such_folder/Vexlan_ini.txt");
    const std::string error = write_file_atomic(path, "x");
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST(file_io, replacing_keeps_the_permission_bits_of_the_old_file)
{
    file_io_dir dir;
    const std::string path = dir.file("fav.ini");
    ASSERT_EQ(write_file_atomic(path, "old"), "");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(write_file_atomic(path, "new"), "");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(contents(path), "new");
}

// Every way a write can fail leaves the old file as it was and no temporary file behind.
TEST(file_io, failed_write_leaves_old_file_untouched)
{
    struct failure_case {
        const char* what;
        std::string name;              // target file name inside the folder
        bool target_is_folder = false;
        bool folder_read_only = false;
        bool size_limited = false;     // the file-size limit stops the write half-way
        bool no_descriptors = false;   // no file can be opened: the temporary cannot be created
    };
    const std::vector<failure_case> cases = {
        {"temporary cannot be created", "m41_timing_pattern_fav.ini", false, false, false, true},
        {"target is a folder", "bmp", true},
        {"folder read-only", "settings.txt", false, true},
        {"write stops half-way", "big.ini", false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.folder_read_only && geteuid() == 0) continue;  // root writes anyway
        file_io_dir dir;
        const std::string path = dir.file(c.name);
        if (c.target_is_folder) {
            fs::create_directory(path);
            ASSERT_EQ(write_file_atomic(path + "/keep", "kept"), "");
        } else {
            ASSERT_EQ(write_file_atomic(path, "old contents"), "");
        }
        const auto before = names_in(dir.path);
        if (c.folder_read_only)
            fs::permissions(dir.path, fs::perms::owner_write, fs::perm_options::remove);

        std::string error;
        if (c.size_limited) {
            rlimit old_limit{};
            ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
            auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = old_limit;
            small.rlim_cur = 4096;
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
            error = write_file_atomic(path, std::string(100000, 'z'));
            setrlimit(RLIMIT_FSIZE, &old_limit);
            std::signal(SIGXFSZ, old_handler);
        } else if (c.no_descriptors) {
            rlimit old_limit{};
            ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old_limit), 0);
            rlimit none = old_limit;
            none.rlim_cur = 0;
            ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
            error = write_file_atomic(path, "new contents");
            setrlimit(RLIMIT_NOFILE, &old_limit);
        } else {
            error = write_file_atomic(path, "new contents");
        }
        fs::permissions(dir.path, fs::perms::owner_all, fs::perm_options::add);

        EXPECT_NE(error, "");
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_EQ(names_in(dir.path), before);
        if (c.target_is_folder)
            EXPECT_EQ(contents(path + "/keep"), "kept");
        else
            EXPECT_EQ(contents(path), "old contents");
    }
}

TEST(file_io, longest_file_name_can_be_replaced)
{
    file_io_dir dir;
    const std::string path = dir.file(std::string(255 - 4, 'n') + ".ini");
    ASSERT_EQ(write_file_atomic(path, "first"), "");
    ASSERT_EQ(write_file_atomic(path, "second"), "");
    EXPECT_EQ(contents(path), "second");
    EXPECT_EQ(names_in(dir.path).size(), 1u);
}
