// libFuzzer target: arbitrary contents of the files the application reads from its folder: the
// settings file, a catalogue and its favourites file.
#include <string>

#include "../unit/temp_dir.h"
#include "link/model_profile.h"
#include "link/settings.h"
#include "pattern/catalogue.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vexlan;
    using fuzz::require;
    const std::string text(reinterpret_cast<const char*>(data), size);
    static const testing::temp_dir dir("vexlan_fuzz_files");  // removed at exit

    // The same bytes as settings file, as catalogue and as favourites file.
    require(dir.put("Vexlan_ini.txt", text).empty(), "the settings file is written");
    const auto s = settings_read(dir.file("Vexlan_ini.txt"));
    require(s.values.com_port >= 1 && s.values.com_port <= 16, "the serial port is COM1..COM16");
    require(s.values.link_iface == 0 || s.values.link_iface == 1, "the link choice is 0 or 1");
    // What was read is written back and read again unchanged.
    require(settings_write(dir.file("again.txt"), s.values).empty(), "the settings are written back");
    const auto again = settings_read(dir.file("again.txt"));
    require(again.values.eth_ip == s.values.eth_ip && again.values.pre_files == s.values.pre_files,
            "the settings read back unchanged");

    const std::string catalogue = "fz_timing_pattern.ini";
    require(dir.put(catalogue, text).empty() && dir.put(favourites_file_name(catalogue), text).empty(),
            "the catalogue and its favourites are written");
    catalogue_state c;
    catalogue_load(c, dir.str(), catalogue);
    require(c.timing_count == static_cast<int>(c.timings.size()), "the timing count is the list's size");
    require(c.pattern_count == static_cast<int>(c.patterns.size()), "the pattern count is the list's size");
    for (int v : c.timing_fav)
        require(v == fav_empty || (v >= 1 && v <= c.timing_count), "timing favourites fit the catalogue");
    for (int v : c.pattern_fav)
        require(v == fav_empty || (v >= 1 && v <= c.pattern_count), "pattern favourites fit the catalogue");
    return 0;
}
