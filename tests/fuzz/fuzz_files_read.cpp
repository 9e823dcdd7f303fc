// libFuzzer target: arbitrary contents of the files the application reads from its folder: the
// settings file, a catalogue and its favourites file.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "link/file_io.h"
#include "link/model_profile.h"
#include "link/settings.h"
#include "pattern/catalogue.h"

namespace {

// Kept for the whole run (never destroyed, so the exit hook can still name it).
const std::string& scratch_dir() {
    static const std::string* dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("vexlan_fuzz_files_" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(scratch_dir(), ec);
        });
        return new std::string(d.string());
    }();
    return *dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vexlan;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string& dir = scratch_dir();

    // The same bytes as settings file, as catalogue and as favourites file.
    if (!write_file_atomic(dir + "/Vexlan_ini.txt", text).empty()) std::abort();
    const auto s = settings_read(dir + "/Vexlan_ini.txt");
    if (s.values.com_port < 1 || s.values.com_port > 16) std::abort();
    if (s.values.link_iface != 0 && s.values.link_iface != 1) std::abort();
    // What was read is written back and read again unchanged.
    if (!settings_write(dir + "/again.txt", s.values).empty()) std::abort();
    const auto again = settings_read(dir + "/again.txt");
    if (again.values.eth_ip != s.values.eth_ip || again.values.pre_files != s.values.pre_files) std::abort();

    const std::string catalogue = "fz_timing_pattern.ini";
    if (!write_file_atomic(dir + "/" + catalogue, text).empty()) std::abort();
    if (!write_file_atomic(dir + "/" + favourites_file_name(catalogue), text).empty()) std::abort();
    catalogue_state c;
    catalogue_load(c, dir, catalogue);
    if (c.timing_count != static_cast<int>(c.timings.size())) std::abort();
    if (c.pattern_count != static_cast<int>(c.patterns.size())) std::abort();
    for (int v : c.timing_fav)
        if (v != fav_empty && (v < 1 || v > c.timing_count)) std::abort();
    for (int v : c.pattern_fav)
        if (v != fav_empty && (v < 1 || v > c.pattern_count)) std::abort();
    return 0;
}
