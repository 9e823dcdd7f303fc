#!/usr/bin/env python3
"""Writes the shipped timing/pattern catalogues and their favourites files into data/.

Each catalogue lists the timings and patterns of one model family in the unit's own numbering
(1-based). Fixed numbers shared by every catalogue: timing 88 is the analyser pass-through output;
patterns 41 and 42 are the motion-text patterns (all catalogues but m41l k_new); pattern 13 of the
m41l k_new catalogue is the colour calibration pattern. Names holding a comma are written in double
quotes. Files use CR LF line ends.

Run from anywhere: python3 scripts/make_catalogues.py
"""
import os

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
PASS_THROUGH = "Pass Through (Analyser)"

CEA_SD_HD = [
    "640x480p60", "720x480p60", "720x480p59.94", "720(1440)x480i60", "720(1440)x480i59.94",
    "720x576p50", "720(1440)x576i50",
    "1280x720p60", "1280x720p59.94", "1280x720p50", "1280x720p30", "1280x720p29.97",
    "1280x720p25", "1280x720p24", "1280x720p23.98",
    "1920x1080i60", "1920x1080i59.94", "1920x1080i50",
    "1920x1080p60", "1920x1080p59.94", "1920x1080p50", "1920x1080p30", "1920x1080p29.97",
    "1920x1080p25", "1920x1080p24", "1920x1080p23.98",
]
CEA_WIDE_SD = ["2880x480p60", "2880x576p50", "1440x480p60", "1440x576p50"]
CEA_HIGH_RATE = [
    "1920x1080p120", "1920x1080p100", "1280x720p120", "1280x720p100", "720x480p120",
    "720x576p100", "720(1440)x480i120", "720(1440)x576i100", "1920x1080i120", "1920x1080i100",
]
CEA_3D = [
    "1280x720p60, 3D Frame Packing", "1280x720p50, 3D Frame Packing",
    "1920x1080p24, 3D Frame Packing", "1920x1080p23.98, 3D Frame Packing",
    "1920x1080i60, 3D Side-by-Side (Half)", "1920x1080i50, 3D Side-by-Side (Half)",
    "1280x720p60, 3D Top-and-Bottom", "1280x720p50, 3D Top-and-Bottom",
    "1920x1080p24, 3D Top-and-Bottom",
]
VESA_DMT = [
    "640x350@85", "640x400@85", "720x400@85", "640x480@72", "640x480@75", "640x480@85",
    "800x600@56", "800x600@60", "800x600@72", "800x600@75", "800x600@85", "848x480@60",
    "1024x768@60", "1024x768@70", "1024x768@75", "1024x768@85", "1152x864@75",
    "1280x768@60 RB", "1280x768@60", "1280x768@75", "1280x800@60 RB", "1280x800@60",
    "1280x800@75", "1280x960@60", "1280x960@85", "1280x1024@60", "1280x1024@75",
    "1280x1024@85", "1360x768@60", "1366x768@60", "1400x1050@60 RB", "1400x1050@60",
    "1400x1050@75", "1440x900@60 RB", "1440x900@60", "1440x900@75", "1600x900@60 RB",
    "1600x1200@60", "1680x1050@60 RB", "1680x1050@60", "1920x1080@60 (DMT)",
    "1920x1200@60 RB", "1920x1200@60",
]
DVI_MODE = ["640x480@60 (DVI)", "1024x768@60 (DVI)", "1280x1024@60 (DVI)", "1920x1080p60 (DVI)"]
UHD_30 = ["3840x2160p24", "3840x2160p25", "3840x2160p30", "4096x2160p24"]
UHD_FULL = [
    "3840x2160p23.98", "3840x2160p24", "3840x2160p25", "3840x2160p29.97", "3840x2160p30",
    "3840x2160p50", "3840x2160p59.94", "3840x2160p60",
    "3840x2160p50, YCbCr 4:2:0", "3840x2160p60, YCbCr 4:2:0",
    "4096x2160p24", "4096x2160p25", "4096x2160p30", "4096x2160p50", "4096x2160p60",
    "4096x2160p50, YCbCr 4:2:0", "4096x2160p60, YCbCr 4:2:0",
]
VESA_HIGH = ["2048x1152@60 RB", "2560x1440@60 RB", "2560x1600@60 RB", "3840x2160@30 (DMT)"]


def timings(*groups):
    """Concatenates the groups and puts the pass-through output at number 88."""
    names = [n for g in groups for n in g]
    assert len(names) >= 89, len(names)
    names.insert(87, PASS_THROUGH)
    return names


PATTERNS_1_40 = [
    "Color Bar, 100%", "Color Bar, 75%", "SMPTE Color Bar", "Gray Scale, 16 Steps",
    "Gray Scale, 32 Steps", "Gray Ramp", "Red Ramp", "Green Ramp", "Blue Ramp", "White",
    "Black", "Red", "Green", "Blue", "Cyan", "Magenta", "Yellow", "Cross Hatch",
    "Cross Hatch with Dots", "Checkerboard", "Multiburst", "PLUGE", "Window, 10% White",
    "Window, 25% White", "Window, 50% White", "H Stripes (1 Pixel)", "V Stripes (1 Pixel)",
    "Pixel Checker", "Circle", "Frame (1 Pixel Border)", "Convergence", "Overscan (Safe Area)",
    "Focus", "Sharpness", "Contrast", "Brightness", "Linearity", "Moving Bar (Horizontal)",
    "Moving Bar (Vertical)", "Moving Box",
]
MOTION_TEXT = ["Motion Text (Scroll Left)", "Motion Text (Scroll Up)"]
PATTERNS_43_ON = [
    "Lip Sync (A/V Delay)", "Zone Plate", "Color Gamut (BT.709)", "Flat Field, 50% Gray",
    "Color Bar with Gray Scale", "Timing Information",
]
PATTERNS_HDR = [
    "BT.2020 Color Bar", "HDR10 Color Bar (PQ)", "HDR10 Gray Ramp (PQ)",
    "HLG Color Bar", "HLG Gray Ramp", "Window, 10% White (HDR, 1000 nits)",
    "Color Gamut (BT.2020)",
]


def patterns_standard(extra=()):
    return PATTERNS_1_40 + MOTION_TEXT + PATTERNS_43_ON + list(extra)


def patterns_k_new():
    names = list(PATTERNS_1_40)
    names.insert(12, "Color Calibration")       # becomes number 13
    names.pop()                                  # keeps the numbering of 14.. in line
    return names + ["Moving Box", "Scrolling Bar (Horizontal)"] + PATTERNS_43_ON + [
        "Color Step (R, G, B, W)", "Skin Tone"]


CATALOGUES = {
    "m41_timing_pattern.ini": (
        timings(CEA_SD_HD, CEA_WIDE_SD, CEA_3D, VESA_DMT, DVI_MODE, CEA_HIGH_RATE),
        patterns_standard(),
        [2, 6, 8, 16, 19, 21, 52, 65],
        [1, 4, 10, 11, 18, 22, 41],
    ),
    "m41l_old_timing_pattern.ini": (
        timings(CEA_SD_HD, CEA_WIDE_SD, CEA_3D[:2], VESA_DMT, DVI_MODE, CEA_HIGH_RATE),
        patterns_standard(),
        [8, 16, 19, 21, 52],
        [1, 2, 10, 18, 41, 42],
    ),
    "m41l_k_old_timing_pattern.ini": (
        timings(CEA_SD_HD, CEA_3D[:4], VESA_DMT, DVI_MODE, CEA_HIGH_RATE, CEA_WIDE_SD[:2]),
        patterns_standard(["Color Step (R, G, B, W)"]),
        [2, 8, 19],
        [1, 41],
    ),
    "m41l_new_timing_pattern.ini": (
        timings(CEA_SD_HD, CEA_WIDE_SD, CEA_3D[:4], VESA_DMT, DVI_MODE, CEA_HIGH_RATE[:6],
                UHD_30),
        patterns_standard(),
        [8, 16, 19, 21, 89, 90],
        [1, 4, 18, 41],
    ),
    "m41l_k_new_timing_pattern.ini": (
        timings(CEA_SD_HD, CEA_WIDE_SD, VESA_DMT, DVI_MODE, CEA_HIGH_RATE, UHD_30),
        patterns_k_new(),
        [19, 21, 88, 91],
        [1, 3, 13, 22],
    ),
    "m51_timing_pattern.ini": (
        timings(CEA_SD_HD, UHD_FULL, CEA_HIGH_RATE[:4], CEA_3D, VESA_DMT, VESA_HIGH, DVI_MODE,
                CEA_WIDE_SD, CEA_HIGH_RATE[4:]),
        patterns_standard(PATTERNS_HDR),
        [19, 21, 30, 33, 34, 36, 88],
        [1, 2, 4, 10, 41, 50, 51],
    ),
}


def item(name):
    assert '"' not in name and name == name.strip()
    return '"' + name + '"' if "," in name else name


def write_crlf(path, lines):
    with open(path, "w", newline="") as f:
        f.write("".join(line + "\r\n" for line in lines))


def main():
    for file_name, (t, p, tfav, pfav) in CATALOGUES.items():
        assert t[87] == PASS_THROUGH and len(t) >= 90 and len(p) >= 45, file_name
        assert len(set(t)) == len(t) and len(set(p)) == len(p), file_name
        if file_name.startswith("m41l_k_new"):
            assert p[12] == "Color Calibration" and not p[40].startswith("Motion Text")
        else:
            assert p[40:42] == MOTION_TEXT
        assert all(1 <= n <= len(t) for n in tfav) and all(1 <= n <= len(p) for n in pfav)
        lines = [str(len(t))] + [item(n) for n in t] + [str(len(p))] + [item(n) for n in p]
        write_crlf(os.path.join(DATA, file_name), lines)
        fav = [str(n) for n in tfav] + ["254"] * (18 - len(tfav))
        fav += [str(n) for n in pfav] + ["254"] * (18 - len(pfav))
        write_crlf(os.path.join(DATA, file_name[:-4] + "_fav.ini"), fav)
        print(f"{file_name}: {len(t)} timings, {len(p)} patterns")


if __name__ == "__main__":
    main()
