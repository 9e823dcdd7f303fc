// Shared steps of the EDID fuzz targets: analysing an image the way the workspace does, and the
// invariants that must hold for any input. A broken invariant aborts, which libFuzzer reports.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>

#include "edid/edid_files.h"
#include "edid_analysis/mod_edid.h"

namespace vexlan::fuzz {

inline void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

inline mod_edid& state()
{
    static mod_edid* st = [] {
        auto* s = new mod_edid;
        vic_table_init(*s);
        return s;
    }();
    return *st;
}

// update + summary of the working record, then every extension block's CEA summary and flags
// directly, whatever its tag, so that offsets past the image are reached too. Returns the
// record as edid_info_update left it (the VSDB checks of the summary may raise the working
// status afterwards).
inline edid_info analyse_work(mod_edid& st)
{
    edid_info_update(st, edid_context_work);
    const edid_info analysed = st.work;
    edid_summary_build(st);
    const std::string& text = st.edid_report_text;
    require(!text.empty() && text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0,
            "the report ends in CR LF");
    for (std::int16_t block = 1; block <= 3; ++block) {
        edid_cea_summary(st, block);
        edid_data_block_scan(st, block);
        (void)edid_audio_flags(st);
        (void)edid_vsdb_flags(st, block);
        (void)edid_hf_vsdb_flags(st);
    }
    return analysed;
}

// A successful load opened into the WRITE side, checked and analysed; then the window text
// saved by each writer must load back as the bytes of its complete lines.
inline void open_loaded(const edid_load_result& loaded)
{
    if (!loaded.ok) {
        require(loaded.reason == edid_reason_data || loaded.reason == edid_reason_file_format,
                "a failed load gives a reason");
        return;
    }
    require(loaded.bytes.size() <= static_cast<std::size_t>(edid_image_slots), "a load fits the image");
    mod_edid& st = state();
    st.edid_info_write = edid_info{};
    edid_load_apply(st.edid_info_write, loaded);
    edid_write_side_check(st);
    edid_info_update(st, edid_context_write);
    edid_summary_build(st);

    for (edid_save_format format : {edid_save_format::simple_hex, edid_save_format::c_hex, edid_save_format::bin}) {
        const edid_write_result written = edid_file_contents_build(loaded.text, format);
        require(written.ok, "the loader's own text can always be saved");
        const char* name = format == edid_save_format::bin ? "x.bin" : "x.hex";
        const edid_load_result back = edid_file_load_bytes(name, written.bytes);
        // Text after the last line end is not saved: a partial last line of 1..7 bytes.
        const std::size_t whole = loaded.bytes.size() - loaded.bytes.size() % 8;
        if (whole == 0) continue;
        require(back.ok, "a saved text loads again");
        require(back.bytes.size() >= whole, "a save keeps every complete line");
        for (std::size_t i = 0; i < whole; ++i) require(back.bytes[i] == loaded.bytes[i], "a save keeps the bytes");
    }
}

}  // namespace vexlan::fuzz

// The whole target of a file loader: the input as the file's contents, the result opened.
#define VEXLAN_FUZZ_LOADER(loader)                                                                     \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {                \
        vexlan::fuzz::open_loaded(loader(std::string_view(reinterpret_cast<const char*>(data), size))); \
        return 0;                                                                                      \
    }
