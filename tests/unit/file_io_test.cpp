#include "link/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include "temp_dir.h"

namespace fs = std::filesystem;
using namespace vexlan;

namespace {

using file_io_dir = vexlan::testing::temp_dir;

std::set<std::string> names_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

}  // namespace

TEST(file_io, write_then_read_keeps_every_byte_and_the_permission_bits) {
    file_io_dir dir;
    std::string bytes("line 1\r\nline 2\n\0\xff\x80 end", 22);
    bytes += std::string(100000, 'x');  // larger than one read buffer
    const std::string path = dir.file(std::string(255 - 4, 'n') + ".ini");  // longest name
    ASSERT_EQ(write_file_atomic(path, bytes), "");
    EXPECT_EQ(read_file(path).bytes, bytes);

    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(write_file_atomic(path, "short"), "");
    EXPECT_EQ(read_file(path).bytes, "short");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(names_in(dir.path).size(), 1u);  // no temporary left over
}

// Reading refuses what is not a regular file, or too large, before reading a byte: one line that
// names the path. /dev/zero would never end, a FIFO without a writer would block for ever.
TEST(file_io, read_refuses_what_it_must_not_read) {
    file_io_dir dir;
    const std::string fifo = dir.file("pipe.bin");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string big = dir.file("big.bin");
    ASSERT_EQ(write_file_atomic(big, std::string(2001, 'b')), "");
    struct read_case { std::string path; std::size_t limit; const char* reason; };
    const read_case cases[] = {
        {dir.file("absent.ini"), app_file_limit, "No such file or directory"},
        {dir.str(), app_file_limit, "Is a directory"}, {fifo, app_file_limit, "not a regular file"},
        {"/dev/zero", edid_file_limit, "not a regular file"}, {big, 2000, "larger than"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto r = read_file(c.path, c.limit);
        EXPECT_FALSE(r);
        // one line that starts with the path and names the reason
        EXPECT_EQ(std::tuple(r.error.rfind(c.path, 0), r.error.find(c.reason) != std::string::npos, r.error.find('\n')),
                  std::tuple(0u, true, std::string::npos)) << r.error;
    }
    EXPECT_TRUE(read_file(big, 2001));
}

// Every way a write can fail leaves the old file as it was and no temporary file behind.
TEST(file_io, failed_write_leaves_old_file_untouched) {
    enum class how { plain, folder_target, folder_read_only, file_read_only, size_limited, no_descriptors };
    // name: target file name inside the folder
    struct failure_case { const char* what; std::string name; how kind; };
    const std::vector<failure_case> cases = {
        {"temporary cannot be created", "m41_timing_pattern_fav.ini", how::no_descriptors},
        {"target is a folder", "bmp", how::folder_target},
        {"folder read-only", "settings.txt", how::folder_read_only},
        {"target read-only in a writable folder", "edid.hex", how::file_read_only},
        {"write stops half-way", "big.ini", how::size_limited},
        {"no such folder", "no_such_folder/x.ini", how::plain},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.kind == how::folder_read_only && geteuid() == 0) continue;  // root writes anyway
        file_io_dir dir;
        const std::string path = dir.file(c.name);
        if (c.kind == how::folder_target) {
            fs::create_directory(path);
            ASSERT_EQ(write_file_atomic(path + "/keep", "kept"), "");
        } else if (c.kind != how::plain) {
            ASSERT_EQ(write_file_atomic(path, "old contents"), "");
        }
        const auto before = names_in(dir.path);
        if (c.kind == how::folder_read_only) fs::permissions(dir.path, fs::perms::owner_write, fs::perm_options::remove);
        if (c.kind == how::file_read_only) fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);

        rlimit old_limit{};
        const int resource = c.kind == how::size_limited ? RLIMIT_FSIZE : RLIMIT_NOFILE;
        const bool limited = c.kind == how::size_limited || c.kind == how::no_descriptors;
        auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
        if (limited) {
            ASSERT_EQ(getrlimit(resource, &old_limit), 0);
            rlimit small = old_limit;
            small.rlim_cur = c.kind == how::size_limited ? 4096 : 0;
            ASSERT_EQ(setrlimit(resource, &small), 0);
        }
        const std::string error = write_file_atomic(path, std::string(100000, 'z'));
        if (limited) setrlimit(resource, &old_limit);
        std::signal(SIGXFSZ, old_handler);
        fs::permissions(dir.path, fs::perms::owner_all, fs::perm_options::add);

        EXPECT_EQ(error.rfind(path, 0), 0u) << error;   // a failure, naming the path
        EXPECT_EQ(names_in(dir.path), before);
        if (c.kind == how::folder_target) {
            EXPECT_EQ(read_file(path + "/keep").bytes, "kept");
        } else if (c.kind != how::plain) {
            EXPECT_EQ(read_file(path).bytes, "old contents");
        }
    }
}

// A symbolic link is written through to the file it points to (also a relative, chained or
// dangling one); the link itself stays a link.
TEST(file_io, write_follows_symbolic_links) {
    file_io_dir dir;
    fs::create_directory(dir.path / "real");
    ASSERT_EQ(write_file_atomic(dir.file("real/a.hex"), "old"), "");
    fs::create_symlink("real/a.hex", dir.path / "one");
    fs::create_symlink(dir.path / "one", dir.path / "two");
    fs::create_symlink("real/new.hex", dir.path / "dangling");
    for (const auto& [link, target] : {std::pair{"one", "a.hex"}, {"two", "a.hex"}, {"dangling", "new.hex"}}) {
        ASSERT_EQ(write_file_atomic(dir.file(link), link), "");
        EXPECT_TRUE(fs::is_symlink(dir.path / link));
        EXPECT_EQ(read_file(dir.file(std::string("real/") + target)).bytes, link);
    }
    EXPECT_EQ(names_in(dir.path / "real"), (std::set<std::string>{"a.hex", "new.hex"}));

    fs::create_symlink("loop", dir.path / "loop");
    EXPECT_NE(write_file_atomic(dir.file("loop"), "x").find("cannot follow the link"), std::string::npos);
}

// Temporary files of interrupted writes (this program's naming, a writer that is gone or a file
// older than ten minutes) are removed; the operator's files and a running writer's are not.
TEST(file_io, stale_temporary_files_are_removed) {
    file_io_dir dir;
    const std::string mine = "." + std::to_string(getpid()) + ".tmp";
    const pid_t gone = [] {  // a process id that no longer runs
        const pid_t child = fork();
        if (child == 0) _exit(0);
        int status = 0;
        waitpid(child, &status, 0);
        return child;
    }();
    const std::string dead = "." + std::to_string(gone) + ".tmp";
    struct temp_case { std::string name; bool old; bool removed; };
    const temp_case cases[] = {
        {".Vexlan_ini.txt.a1b2c3d4" + dead, false, true},
        {".m41_timing_pattern_fav.ini.zzzzzzzz.1.tmp", true, true},       // old: whoever wrote it
        {".Vexlan_ini.txt.a1b2c3d4" + mine, false, false},                // a write of this process
        {".Vexlan_ini.txt.a1b2c3d4.1.tmp", false, false},                 // pid 1 runs: may be writing
        {".notes.tmp", true, false},                                      // not our naming
        {"Vexlan_ini.txt.a1b2c3d4" + dead, true, false},                  // not hidden
        {".x.A1B2C3D4" + dead, true, false},                              // upper case: not ours
        {"m41_timing_pattern.ini", true, false},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(write_file_atomic(dir.file(c.name), "x"), "");
        if (c.old) {
            const timeval past[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
            ASSERT_EQ(::utimes(dir.file(c.name).c_str(), past), 0);
        }
    }
    EXPECT_TRUE(stale_temp_files_remove(dir.str()).empty());
    for (const auto& c : cases) EXPECT_EQ(fs::exists(dir.path / c.name), !c.removed) << c.name;
}

TEST(file_io, message_helpers_bound_what_they_show) {
    struct shown_case { std::string value, shown; };
    const shown_case cases[] = {
        {"COM3", "COM3"}, {"a\r\n\t\x01\xE9z", "a\\r\\n\\t\\x01\\xE9z"},
        {std::string(80, 'v'), std::string(80, 'v')},
        {std::string(5 << 20, 'v'), std::string(80, 'v') + "..."},
        {std::string(78, 'v') + "\x01", std::string(78, 'v') + "..."},  // an escape is not cut in half
    };
    for (const auto& c : cases) EXPECT_EQ(value_shown(c.value), c.shown);

    std::vector<std::string> problems;
    for (int i = 1; i <= 12; ++i) problems.push_back("p" + std::to_string(i));
    std::vector<std::string> limited(problems.begin(), problems.begin() + 10);
    EXPECT_EQ(problems_limited(limited), limited);
    limited.push_back("and 2 more");
    EXPECT_EQ(problems_limited(problems), limited);

    std::vector<std::string> found;
    const std::string long_line(text_line_limit + 1, 'L');
    EXPECT_EQ(long_lines_blank("12\r\n" + long_line + "\r\n" + std::string(text_line_limit, 'k') + "\n" + long_line,
                               "f.ini", found),
              "12\r\n\r\n" + std::string(text_line_limit, 'k') + "\n");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], "f.ini: line 2 is longer than 64 KiB (a damaged line); it is ignored");
    EXPECT_EQ(found[1].substr(0, 14), "f.ini: line 4 ");
}
