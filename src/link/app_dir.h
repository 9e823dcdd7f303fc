// The application directory: where the settings file, the catalogues with their favourites and
// the "bmp" pictures live.
//
// Chosen in this order: the folder given by "--app-dir DIR" (or "--app-dir=DIR"); else
// "$XDG_DATA_HOME/vexlan" when XDG_DATA_HOME is an absolute path; else
// "$HOME/.local/share/vexlan"; else (no usable HOME) "vexlan" in the current working folder.
//
// The installed defaults (the data folder of the installation) hold the shipped catalogues
// ("*.ini") and the "bmp" folder; app_dir_prepare copies whatever of them is missing in the
// application directory and never replaces a file that is there, so the operator's favourites and
// settings survive updates. A "Vexlan_ini.txt" is copied too when the defaults hold one (none is
// shipped: a missing settings file means the default settings).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vexlan {

// The value of "--app-dir DIR" or "--app-dir=DIR" among the arguments (argv[0] excluded), if
// given. A trailing "--app-dir" without a value gives nothing.
std::optional<std::string> app_dir_option(const std::vector<std::string>& args);

// The application directory from the option and the two environment values (null or empty when
// unset).
std::string app_dir_resolve(const std::optional<std::string>& option, const char* xdg_data_home,
                            const char* home);

// Creates `dir` (with its parents), removes the temporary files that interrupted writes of an
// earlier run left there, and copies every missing shipped default from
// `installed_defaults_dir` into it. Returns one text per problem, each naming the path.
std::vector<std::string> app_dir_prepare(const std::string& dir,
                                         const std::string& installed_defaults_dir);

}  // namespace vexlan
