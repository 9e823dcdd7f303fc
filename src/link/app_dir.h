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
//
// Catalogues and pictures change between releases: shipped_defaults_refresh brings a newer shipped
// copy into the application directory when the copy there is still the one an earlier release put
// there, and keeps a copy the operator edited (saying so once per shipped version). What was
// installed is recorded in "Vexlan_installed.txt" in the application directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
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

// The record of installed shipped files, in the application directory.
inline constexpr std::string_view installed_record_file_name = "Vexlan_installed.txt";

// Brings the shipped catalogues ("*.ini" but the favourites "*_fav.ini") and pictures ("bmp/*")
// of `installed_defaults_dir` into `dir`, which app_dir_prepare has made ready:
// - a copy equal to the shipped file is recorded as installed;
// - a copy that is still what the record says was installed is replaced by the shipped file;
// - any other copy is the operator's: it is kept, and the first time a given shipped version
//   differs from it a notice says so.
// Favourites and the settings file are never looked at. Returns the texts for the operator: the
// notices and one text per problem, each naming the path.
std::vector<std::string> shipped_defaults_refresh(const std::string& dir,
                                                  const std::string& installed_defaults_dir);

// The installed defaults of a program: "<prefix>/share/vexlan" when the running executable is
// "<prefix>/bin/...", and that folder holds the catalogues; else `build_data_dir` (the data folder
// of the source tree a program run from its build folder was built from).
std::string installed_defaults_dir(const std::string& build_data_dir);

}  // namespace vexlan
