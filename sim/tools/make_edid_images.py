#!/usr/bin/env python3
"""Builds the EDID images that vexlan-unit-sim seeds its stores from (data/edid/*.bin).

Run from anywhere: python3 sim/tools/make_edid_images.py [OUTPUT_DIR]
Every image gets correct block checksums, except the one deliberately broken image
(vexlan_bad_checksum_2b.bin) that exercises checksum display and repair.
"""
import os
import sys


def mfg_id(letters):
    v = 0
    for ch in letters:
        v = (v << 5) | (ord(ch) - 64)
    return [(v >> 8) & 0x7F, v & 0xFF]


def checksum(block):
    block[127] = (256 - sum(block[:127]) % 256) % 256
    return block


def dtd(clock_khz, h, hblank, hfp, hsync, v, vblank, vfp, vsync, hmm, vmm, flags=0x1E):
    c = clock_khz // 10
    return [
        c & 0xFF, c >> 8,
        h & 0xFF, hblank & 0xFF, ((h >> 8) << 4) | (hblank >> 8),
        v & 0xFF, vblank & 0xFF, ((v >> 8) << 4) | (vblank >> 8),
        hfp & 0xFF, hsync & 0xFF,
        ((vfp & 0x0F) << 4) | (vsync & 0x0F),
        ((hfp >> 8) << 6) | ((hsync >> 8) << 4) | ((vfp >> 4) << 2) | (vsync >> 4),
        hmm & 0xFF, vmm & 0xFF, ((hmm >> 8) << 4) | (vmm >> 8),
        0, 0, flags,
    ]


T_1080P60 = dict(clock_khz=148500, h=1920, hblank=280, hfp=88, hsync=44, v=1080, vblank=45, vfp=4, vsync=5)
T_720P60 = dict(clock_khz=74250, h=1280, hblank=370, hfp=110, hsync=40, v=720, vblank=30, vfp=5, vsync=5)
T_2160P60 = dict(clock_khz=594000, h=3840, hblank=560, hfp=176, hsync=88, v=2160, vblank=90, vfp=8, vsync=10)
T_2160P30 = dict(clock_khz=297000, h=3840, hblank=560, hfp=176, hsync=88, v=2160, vblank=90, vfp=8, vsync=10)
T_1680x1050 = dict(clock_khz=119000, h=1680, hblank=160, hfp=48, hsync=32, v=1050, vblank=30, vfp=3, vsync=6)
T_1280x1024 = dict(clock_khz=108000, h=1280, hblank=408, hfp=48, hsync=112, v=1024, vblank=42, vfp=1, vsync=3)


def text_desc(tag, text):
    data = [ord(c) for c in text[:13]]
    if len(data) < 13:
        data.append(0x0A)
        data += [0x20] * (13 - len(data))
    return [0, 0, 0, tag, 0] + data


def range_desc(vmin, vmax, hmin, hmax, max_mhz):
    return [0, 0, 0, 0xFD, 0, vmin, vmax, hmin, hmax, max_mhz // 10, 0x00, 0x0A] + [0x20] * 6


def base_block(mfg, product, serial, week, year, digital, hcm, vcm, descs, ext_count,
               established=(0x21, 0x08, 0x00), std=None, features=0x0A):
    b = [0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00]
    b += mfg_id(mfg)
    b += [product & 0xFF, product >> 8]
    b += [serial & 0xFF, (serial >> 8) & 0xFF, (serial >> 16) & 0xFF, serial >> 24]
    b += [week, year - 1990, 1, 3]
    b += [0x80 if digital else 0x0E, hcm, vcm, 120, features]
    # chromaticity close to sRGB / BT.709
    b += [0xEE, 0x91, 0xA3, 0x54, 0x4C, 0x99, 0x26, 0x0F, 0x50, 0x54]
    b += list(established)
    std = std or []
    for i in range(8):
        b += list(std[i]) if i < len(std) else [0x01, 0x01]
    assert len(b) == 54
    for d in descs:
        assert len(d) == 18, d
        b += d
    b += [ext_count, 0]
    assert len(b) == 128
    return checksum(b)


def cea_block(data_blocks, dtds, flags=0xF0):
    payload = []
    for db in data_blocks:
        payload += db
    offset = 4 + len(payload)
    b = [0x02, 0x03, offset, flags | (len(dtds) & 0x0F)]
    b += payload
    for d in dtds:
        b += d
    assert len(b) <= 127
    b += [0] * (128 - len(b))
    return checksum(b)


def data_block(tag, body):
    return [(tag << 5) | len(body)] + list(body)


def ext_block(ext_tag, body):
    return [(7 << 5) | (len(body) + 1), ext_tag] + list(body)


def vdb(vics, native=None):
    return data_block(2, [v | 0x80 if v == native else v for v in vics])


LPCM_2CH = [0x09, 0x07, 0x07]          # LPCM, 2 ch, 32/44.1/48 kHz, 16/20/24 bit
LPCM_8CH = [0x0F, 0x7F, 0x07]          # LPCM, 8 ch, 32..192 kHz
AC3_6CH = [0x15, 0x07, 0x50]           # AC-3, 6 ch, max 640 kbit/s
DTS_6CH = [0x3D, 0x07, 0xC0]           # DTS, 6 ch
HDMI_OUI = [0x03, 0x0C, 0x00]
HF_OUI = [0xD8, 0x5D, 0xC4]


def uhd_tv():
    base = base_block("VXL", 0x4B60, 0x00010203, 12, 2021, True, 121, 68, [
        dtd(**T_2160P60, hmm=1209, vmm=680),
        range_desc(24, 75, 15, 136, 600),
        text_desc(0xFC, "VEXLAN UHD TV"),
        dtd(**T_1080P60, hmm=1209, vmm=680),
    ], 1, std=[(0xD1, 0xC0), (0x81, 0xC0), (0x81, 0x80)])
    cea = cea_block([
        vdb([97, 96, 16, 4, 31, 19, 5, 20, 3, 2, 1, 93, 94, 95], native=16),
        data_block(1, LPCM_2CH + AC3_6CH),
        data_block(4, [0x0B, 0x00, 0x00]),
        data_block(3, HDMI_OUI + [0x10, 0x00, 0xB8, 0x3C]),
        data_block(3, HF_OUI + [0x01, 0x78, 0x80, 0x00]),
        ext_block(0x05, [0xC0, 0x00]),
        ext_block(0x06, [0x0D, 0x01]),
    ], [dtd(**T_1080P60, hmm=1209, vmm=680), dtd(**T_720P60, hmm=1209, vmm=680)])
    return base + cea


def hd_tv():
    base = base_block("VXL", 0x2B10, 0x00000481, 30, 2016, True, 89, 50, [
        dtd(**T_1080P60, hmm=885, vmm=498),
        range_desc(50, 75, 26, 81, 170),
        text_desc(0xFC, "VEXLAN HD TV"),
        dtd(**T_720P60, hmm=885, vmm=498),
    ], 1, std=[(0x81, 0xC0), (0x71, 0x40)])
    cea = cea_block([
        vdb([16, 4, 31, 19, 5, 20, 3, 2, 1], native=16),
        data_block(1, LPCM_2CH),
        data_block(4, [0x01, 0x00, 0x00]),
        data_block(3, HDMI_OUI + [0x10, 0x00, 0x80, 0x21]),
    ], [dtd(**T_720P60, hmm=885, vmm=498)])
    return base + cea


def uhd30_monitor():
    base = base_block("VXL", 0x2830, 0x00002222, 5, 2019, True, 62, 34, [
        dtd(**T_2160P30, hmm=621, vmm=341),
        range_desc(24, 60, 30, 70, 300),
        text_desc(0xFC, "VEXLAN 4K30"),
        dtd(**T_1080P60, hmm=621, vmm=341),
    ], 1, std=[(0xD1, 0xC0), (0x81, 0xC0)])
    cea = cea_block([
        vdb([16, 31, 4, 19, 3, 2, 1], native=16),
        data_block(1, LPCM_2CH),
        # HDMI 1.4 VSDB with HDMI_Video_present and four HDMI VICs (4K24/25/30, 4096x2160p24)
        data_block(3, HDMI_OUI + [0x20, 0x00, 0x00, 0x3C, 0x20, 0x00, 0x80, 0x01, 0x02, 0x03, 0x04]),
    ], [dtd(**T_1080P60, hmm=621, vmm=341)])
    return base + cea


def dvi_monitor():
    return base_block("VXL", 0x1622, 0x00005A5A, 40, 2009, True, 47, 30, [
        dtd(**T_1680x1050, hmm=474, vmm=296, flags=0x1A),
        range_desc(56, 75, 31, 81, 150),
        text_desc(0xFC, "VEXLAN DVI 22"),
        text_desc(0xFF, "DV22A0042"),
    ], 0, established=(0x21, 0x08, 0x00), std=[(0xB3, 0x00), (0x81, 0x80), (0x71, 0x40)])


def vga_monitor():
    return base_block("VXL", 0x1319, 0x00000777, 22, 2006, False, 38, 30, [
        dtd(**T_1280x1024, hmm=376, vmm=301),
        range_desc(56, 76, 30, 81, 140),
        text_desc(0xFC, "VEXLAN VGA 19"),
        text_desc(0xFF, "VG19B1177"),
    ], 0, established=(0xAD, 0xEE, 0x00), std=[(0x81, 0x80), (0x71, 0x40), (0x61, 0x40)], features=0xEA)


def av_receiver():
    base = base_block("VXL", 0xA7A0, 0x00003131, 48, 2018, True, 0, 0, [
        dtd(**T_1080P60, hmm=1600, vmm=900),
        range_desc(24, 75, 15, 91, 300),
        text_desc(0xFC, "VEXLAN AVR"),
        dtd(**T_720P60, hmm=1600, vmm=900),
    ], 1)
    cea = cea_block([
        vdb([16, 4, 31, 19, 5, 20, 3, 2, 1, 32, 33, 34], native=16),
        data_block(1, LPCM_8CH + AC3_6CH + DTS_6CH + [0x57, 0x06, 0x00] + [0x5F, 0x7E, 0x01]),
        data_block(4, [0x4F, 0x00, 0x00]),
        data_block(3, HDMI_OUI + [0x21, 0x00, 0xB8, 0x3C, 0xC0, 0x1E, 0x1E]),
    ], [dtd(**T_720P60, hmm=1600, vmm=900)])
    return base + cea


def dvi_with_cea():
    base = base_block("VXL", 0x2401, 0x00009999, 8, 2014, True, 53, 30, [
        dtd(**T_1080P60, hmm=531, vmm=299),
        range_desc(50, 76, 30, 83, 170),
        text_desc(0xFC, "VEXLAN DVI 24"),
        text_desc(0xFF, "DV24C0108"),
    ], 1, std=[(0x81, 0xC0)])
    cea = cea_block([vdb([16, 4, 3, 2], native=16)], [dtd(**T_720P60, hmm=531, vmm=299)], flags=0x00)
    return base + cea


def bad_checksum():
    img = hd_tv()
    img[255] = (img[255] + 0x11) & 0xFF   # block 1 checksum off on purpose
    return img


def four_block_map():
    base = base_block("VXL", 0x4B64, 0x00010299, 14, 2022, True, 121, 68, [
        dtd(**T_2160P60, hmm=1209, vmm=680),
        range_desc(24, 120, 15, 255, 600),
        text_desc(0xFC, "VEXLAN MAP TV"),
        dtd(**T_1080P60, hmm=1209, vmm=680),
    ], 3, std=[(0xD1, 0xC0), (0x81, 0xC0)])
    bmap = [0xF0, 0x02, 0x02] + [0] * 125
    checksum(bmap)
    cea1 = cea_block([
        vdb([97, 96, 16, 4, 31, 19, 5, 20, 3, 2, 1], native=16),
        data_block(1, LPCM_2CH + AC3_6CH),
        data_block(4, [0x0B, 0x00, 0x00]),
        data_block(3, HDMI_OUI + [0x30, 0x00, 0xB8, 0x3C]),
        data_block(3, HF_OUI + [0x01, 0x78, 0x80, 0x00]),
    ], [dtd(**T_1080P60, hmm=1209, vmm=680)])
    cea2 = cea_block([
        vdb([118, 117, 63, 64]),
        ext_block(0x05, [0xC0, 0x00]),
        ext_block(0x06, [0x0F, 0x01]),
    ], [dtd(**T_720P60, hmm=1209, vmm=680)])
    return base + bmap + cea1 + cea2


IMAGES = {
    "vexlan_uhd_tv_2b.bin": uhd_tv,
    "vexlan_hd_tv_2b.bin": hd_tv,
    "vexlan_4k30_2b.bin": uhd30_monitor,
    "vexlan_dvi_monitor_1b.bin": dvi_monitor,
    "vexlan_vga_monitor_1b.bin": vga_monitor,
    "vexlan_avr_2b.bin": av_receiver,
    "vexlan_dvi_cea_2b.bin": dvi_with_cea,
    "vexlan_bad_checksum_2b.bin": bad_checksum,
    "vexlan_block_map_4b.bin": four_block_map,
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "data", "edid")
    os.makedirs(out, exist_ok=True)
    for name, fn in IMAGES.items():
        img = bytes(fn())
        assert len(img) % 128 == 0 and img[126] + 1 == len(img) // 128, name
        with open(os.path.join(out, name), "wb") as f:
            f.write(img)
        print(f"{name}: {len(img)} bytes")


if __name__ == "__main__":
    main()
