// A fresh folder under the system's temporary directory for one test, removed afterwards, with
// the application's file reader and writer for the files a test puts there.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "link/file_io.h"

namespace vexlan::testing {

struct temp_dir {
    std::filesystem::path path;
    explicit temp_dir(const std::string& prefix = "vexlan_test") {
        std::random_device rd;
        path = std::filesystem::temp_directory_path() /
               (prefix + "_" + std::to_string(getpid()) + "_" + std::to_string(rd()));
        std::filesystem::create_directories(path);
    }
    ~temp_dir() {
        std::error_code ec;
        // A test may have taken the write permission away.
        std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path, ec);
    }
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    std::string str() const { return path.string(); }
    std::string file(const std::string& name) const { return (path / name).string(); }
    // Writes `text` to the folder's file `name`: "" or the error.
    std::string put(const std::string& name, const std::string& text) const {
        return write_file_atomic(file(name), text);
    }
    // The bytes of the folder's file `name`, or "(unreadable)".
    std::string read(const std::string& name) const {
        return read_file(file(name)).bytes.value_or("(unreadable)");
    }
};

}  // namespace vexlan::testing
