// libFuzzer target: the DDC loader on arbitrary file contents, the opened image analysed and saved.
#include "fuzz_common.h"

VEXLAN_FUZZ_LOADER(vexlan::edid_ddc_load)
