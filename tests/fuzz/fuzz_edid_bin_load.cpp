// libFuzzer target: the BIN loader on arbitrary file contents, the opened image analysed and saved.
#include "fuzz_common.h"

VEXLAN_FUZZ_LOADER(vexlan::edid_bin_load)
