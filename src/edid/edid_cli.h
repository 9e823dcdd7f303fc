// The offline EDID subcommands of vexlan-cli: analyze, facts and convert.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vexlan {

// Runs `vexlan-cli edid <args...>`; `args` are the words after "edid", for example
// {"analyze", "a.bin", "b.hex"}. Output goes to `out`, diagnostics (one line per failing file)
// to `err`. Returns the process exit status: 0 success, 1 a file could not be read, parsed or
// written, 2 wrong usage.
int edid_cli_main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage text of the subcommands.
std::string edid_cli_usage();

}  // namespace vexlan
