// libFuzzer target: the BIN loader on arbitrary file contents, then the opened image analysed
// and saved by each writer.
#include "fuzz_common.h"

VEXLAN_FUZZ_LOADER(vexlan::edid_bin_load)
