#!/usr/bin/env python3
"""Checks `vexlan-cli edid tree --json` against edid-decode, an independent EDID decoder.

Usage: edid_decode_compare.py VEXLAN_CLI CORPUS_DIR [EDID_DECODE]

For every *.bin in CORPUS_DIR, the base block as edid-decode prints it (`edid-decode -s`) is
parsed into the same shape as the tree JSON, and every field is compared. Where edid-decode prints
a value in another form, the comparison says so here:

- colour coordinates: edid-decode truncates raw/1024 to 4 decimals, the tree rounds; a value
  agrees when one 10-bit raw value gives both numbers.
- established and standard timings: edid-decode prints the timing's real refresh rate (59.94 for
  640x480@60, 72.81 for 640x480@72); it agrees when it is within 1 Hz of the nominal rate of the
  code, or is the rate the VESA DMT gives that code (DMT_CODE_RATES). An interlaced timing is
  named by its field rate.
- detailed timings: edid-decode prints front porch, sync and back porch (and borders); blanking is
  their sum plus both borders. For an interlaced timing it prints frame lines (twice the field's).
- descriptor texts: edid-decode stops at the first byte outside 0x20..0x7E; the tree keeps every
  byte up to 0x0A. The tree's text cut at the same byte must equal edid-decode's, both without
  trailing blanks. Laptop panels whose text descriptors edid-decode reads as SPWG data are
  compared by kind only.

Exit status: 0 all agree, 1 a difference (each printed), 77 edid-decode is not installed.
"""
import concurrent.futures
import json
import math
import os
import re
import shutil
import subprocess
import sys


class Mismatch(Exception):
    pass


def parse_block0(text):
    """The base-block section of edid-decode's output as a dict shaped like the tree JSON."""
    lines = text.splitlines()
    try:
        start = lines.index("Block 0, Base EDID:")
    except ValueError:
        raise Mismatch("edid-decode printed no base block")
    body = []
    for line in lines[start + 1:]:
        if line.startswith("Checksum:") or line.startswith("Block "):
            break
        body.append(line)

    d = {"vendor": {"serial_number": None, "week": None, "model_year": False},
         "basic": {"digital": None, "bits_per_color": None, "interface": None, "width_cm": None,
                   "height_cm": None, "gamma": None, "dpms_standby": False, "dpms_suspend": False,
                   "dpms_off": False, "srgb": False, "preferred_native": False,
                   "continuous_frequency": False},
         "color": {}, "established": [], "standard": [], "descriptors": []}
    section = None
    for line in body:
        if line.startswith("  ") and not line.startswith("   "):
            head = line.strip()
            m = re.match(r"EDID Structure Version & Revision: (\d+)\.(\d+)", head)
            if m:
                d["version"] = [int(m.group(1)), int(m.group(2))]
            section = head.split(":")[0]
            if head.endswith(": none"):
                section = None
            continue
        s = line.strip()
        if section == "Vendor & Product Identification":
            if s.startswith("Manufacturer: "):
                d["vendor"]["manufacturer"] = s.split(": ", 1)[1]
            elif s.startswith("Model: "):
                d["vendor"]["product_code"] = int(s.split(": ", 1)[1])
            elif s.startswith("Serial Number: "):
                d["vendor"]["serial_number"] = int(s.split(": ", 1)[1])
            elif s.startswith("Made in: "):
                m = re.match(r"Made in: (?:week (\d+) of )?(\d+)", s)
                d["vendor"]["week"] = int(m.group(1)) if m.group(1) else None
                d["vendor"]["year"] = int(m.group(2))
            elif s.startswith("Model year: "):
                d["vendor"]["model_year"] = True
                d["vendor"]["year"] = int(s.split(": ", 1)[1])
        elif section == "Basic Display Parameters & Features":
            b = d["basic"]
            if s == "Digital display":
                b["digital"] = True
            elif s == "Analog display":
                b["digital"] = False
            elif s.startswith("Bits per primary color channel: "):
                b["bits_per_color"] = int(s.split(": ")[1])
            elif s.endswith(" interface"):
                b["interface"] = s[: -len(" interface")]
            elif s == "Digital interface is not defined":
                b["interface"] = "undefined"
            elif s.startswith("Maximum image size: "):
                m = re.match(r"Maximum image size: (\d+) cm x (\d+) cm", s)
                b["width_cm"], b["height_cm"] = int(m.group(1)), int(m.group(2))
            elif s.startswith("Gamma: "):
                b["gamma"] = s.split(": ")[1]
            elif s.startswith("DPMS levels:"):
                words = s.split(":")[1].split()
                b["dpms_standby"] = "Standby" in words
                b["dpms_suspend"] = "Suspend" in words
                b["dpms_off"] = "Off" in words
            elif s == "Default (sRGB) color space is primary color space":
                b["srgb"] = True
            elif s in ("First detailed timing includes the native pixel format and preferred refresh rate",
                       "First detailed timing is the preferred timing"):
                b["preferred_native"] = True
            elif s in ("Display is continuous frequency", "Supports GTF timings within operating range"):
                b["continuous_frequency"] = True
        elif section == "Color Characteristics":
            m = re.match(r"(Red|Green|Blue|White)\s*: ([\d.]+), ([\d.]+)", s)
            if m:
                d["color"][m.group(1).lower()] = [m.group(2), m.group(3)]
        elif section in ("Established Timings I & II", "Standard Timings"):
            m = re.match(r".*?:\s+(\d+)x(\d+)(i?)\s+([\d.]+) Hz", s)
            if not m:
                raise Mismatch("unreadable timing line: " + s)
            entry = (int(m.group(1)), int(m.group(2)), m.group(3) == "i", float(m.group(4)))
            d["established" if section.startswith("Established") else "standard"].append(entry)
        elif section == "Detailed Timing Descriptors":
            parse_descriptor_line(d["descriptors"], line, s)
    return d


DESCRIPTOR_HEADS = [
    (r"DTD\s+\d+:", "dtd", None),
    (r"Display Product Name:", "name", None),
    (r"Display Product Serial Number:", "serial", None),
    (r"Alphanumeric Data String:", "text", None),
    (r"SPWG Descriptor #\d+:", "spwg", None),
    (r"Display Range Limits:", "range_limits", None),
    (r"Dummy Descriptor", "dummy", None),
    (r"Empty Descriptor", "other", 0x00),
    (r"Established timings III:", "other", 0xF7),
    (r"CVT 3 Byte Timing Codes:", "other", 0xF8),
    (r"Display Color Management Data:", "other", 0xF9),
    (r"Standard Timings:", "other", 0xFA),
    (r"Color Point Data:", "other", 0xFB),
    (r"(Manufacturer-Specified|Unknown) Display Descriptor \(0x([0-9a-f]{2})\)", "other", "group2"),
]


def parse_descriptor_line(descs, line, s):
    indent = len(line) - len(line.lstrip())
    if indent == 4 and not s.startswith("SPWG Module Revision"):
        for pattern, kind, tag in DESCRIPTOR_HEADS:
            m = re.match(pattern, s)
            if m:
                entry = {"kind": kind, "lines": [s]}
                if tag == "group2":
                    entry["tag"] = int(m.group(2), 16)
                elif tag is not None:
                    entry["tag"] = tag
                descs.append(entry)
                return
        raise Mismatch("unknown descriptor line: " + s)
    if descs and indent > 4:
        descs[-1]["lines"].append(s)


def quoted(s):
    m = re.search(r"'(.*)'", s)
    return m.group(1) if m else None


def colour_agrees(mine, theirs):
    # One raw value r in 0..1023 must give round(r/1024, 4) == mine and trunc == theirs.
    for r in range(max(0, round(mine * 1024) - 2), min(1023, round(mine * 1024) + 2) + 1):
        rounded = math.floor(r * 10000 / 1024 + 0.5) / 10000  # half away from zero
        if abs(rounded - mine) < 1e-9 and abs(math.floor(r * 10000 / 1024) / 10000 - float(theirs)) < 1e-9:
            return True
    return False


def printable_prefix(text):
    out = ""
    for ch in text:
        if not (0x20 <= ord(ch) <= 0x7E):
            break
        out += ch
    return out


# The VESA DMT gives 1024x768 at 70 Hz the standard-timing code of 72 Hz (61 4C), and
# edid-decode names that code by its DMT mode.
DMT_CODE_RATES = {(1024, 768, 72): 70}


def rate_agrees(w, h, nominal, hz):
    return abs(nominal - hz) < 1 or DMT_CODE_RATES.get((w, h, nominal)) == round(hz)


def timings_agree(mine, theirs):
    return len(mine) == len(theirs) and all(
        m[:3] == t[:3] and rate_agrees(m[0], m[1], m[3], t[3]) for m, t in zip(mine, theirs))


def established_tuple(name):
    m = re.match(r"(\d+)x(\d+)@(\d+)(i?)$", name)
    return (int(m.group(1)), int(m.group(2)), m.group(4) == "i", int(m.group(3)))


def compare(mine, ref):
    problems = []

    def check(name, a, b):
        if a != b:
            problems.append(f"{name}: tree {a!r}, edid-decode {b!r}")

    check("version", mine["version"], ref.get("version"))
    for k in ("manufacturer", "product_code", "serial_number", "week", "year", "model_year"):
        check("vendor." + k, mine["vendor"][k], ref["vendor"].get(k))
    b, rb = mine["basic"], ref["basic"]
    for k in ("digital", "bits_per_color", "interface", "width_cm", "height_cm", "dpms_standby",
              "dpms_suspend", "dpms_off", "srgb", "preferred_native", "continuous_frequency"):
        check("basic." + k, b[k], rb[k])
    check("basic.gamma", None if b["gamma"] is None else f"{b['gamma']:.2f}", rb["gamma"])
    for c in ("red", "green", "blue", "white"):
        theirs = ref["color"].get(c)
        if theirs is None or not all(colour_agrees(m, t) for m, t in zip(mine["color"][c], theirs)):
            problems.append(f"color.{c}: tree {mine['color'][c]}, edid-decode {theirs}")
    if not timings_agree([established_tuple(n) for n in mine["established"]], ref["established"]):
        problems.append(f"established: tree {mine['established']}, edid-decode {ref['established']}")
    std = [(s["width"], s["height"], False, s["refresh"]) for s in mine["standard"]]
    if not timings_agree(std, ref["standard"]):
        problems.append(f"standard: tree {std}, edid-decode {ref['standard']}")

    if len(ref["descriptors"]) != 4:
        problems.append(f"edid-decode printed {len(ref['descriptors'])} descriptors")
    for md, rd in zip(mine["descriptors"], ref["descriptors"]):
        where = f"descriptor {md['slot']}"
        kind = "text" if rd["kind"] == "spwg" else rd["kind"]
        check(where + " kind", md["kind"], kind)
        if md["kind"] != kind:
            continue
        if kind == "other":
            check(where + " tag", md["tag"], rd.get("tag", md["tag"]) if rd.get("tag") is not None else None)
        elif kind in ("name", "serial", "text") and rd["kind"] != "spwg":
            check(where + " text", printable_prefix(md["text"]).rstrip(" "), (quoted(rd["lines"][0]) or "").rstrip(" "))
        elif kind == "range_limits":
            m = re.search(r"(\d+)-(\d+) Hz V, (\d+)-(\d+) kHz H, max dotclock (\d+) MHz", " ".join(rd["lines"]))
            theirs = [int(g) for g in m.groups()] if m else None
            check(where + " range", [md["v_min"], md["v_max"], md["h_min_khz"], md["h_max_khz"],
                                     md["max_pixel_clock_mhz"]], theirs)
        elif kind == "dtd":
            compare_dtd(md, rd, where, check)
    return problems


def compare_dtd(md, rd, where, check):
    head = rd["lines"][0]
    m = re.match(r"DTD\s+\d+:\s+(\d+)x(\d+)(i?)\s+[\d.]+ Hz.*?([\d.]+) MHz(?: \((.*)\))?$", head)
    if not m:
        check(where + " line", head, "a DTD line")
        return
    w, h, inter, mhz, extra = int(m.group(1)), int(m.group(2)), m.group(3) == "i", m.group(4), m.group(5) or ""
    size = re.search(r"(\d+) mm x (\d+) mm", extra)
    hl = " ".join(x for x in rd["lines"][1:] if x.startswith("Hfront"))
    vl = " ".join(x for x in rd["lines"][1:] if x.startswith("Vfront"))

    def field(text, name):
        f = re.search(name + r"\s+(-?\d+)", text)
        return int(f.group(1)) if f else 0

    h_front, h_sync, h_back, h_border = (field(hl, n) for n in ("Hfront", "Hsync", "Hback", "Hborder"))
    v_front, v_sync, v_back, v_border = (field(vl, n) for n in ("Vfront", "Vsync", "Vback", "Vborder"))
    theirs = {
        "pixel_clock_khz": round(float(mhz) * 1000),
        "h_active": w, "h_front": h_front, "h_sync": h_sync, "h_blank": h_front + h_sync + h_back + 2 * h_border,
        "v_active": h // 2 if inter else h, "v_front": v_front, "v_sync": v_sync,
        "v_blank": v_front + v_sync + v_back + 2 * v_border,
        "width_mm": int(size.group(1)) if size else 0, "height_mm": int(size.group(2)) if size else 0,
        "interlaced": inter,
    }
    for k, v in theirs.items():
        check(f"{where} {k}", md[k], v)


def mutations(tree):
    """(name, mutated copy) for every compared field of one tree object that has a value."""
    import copy

    def changed(v):
        if isinstance(v, bool):
            return not v
        if isinstance(v, int):
            return v + 1
        if isinstance(v, float):
            return round(v + 0.01, 4)
        if isinstance(v, str):
            return v + "x"
        if isinstance(v, list):
            return v[:-1] if v else None
        return v

    out = []
    for group in ("vendor", "basic", "color"):
        for key, value in tree[group].items():
            if value is None or value == []:
                continue
            if group == "color":
                for i in range(2):
                    t = copy.deepcopy(tree)
                    t[group][key][i] = changed(value[i])
                    out.append((f"{group}.{key}[{i}]", t))
                continue
            t = copy.deepcopy(tree)
            t[group][key] = changed(value)
            out.append((f"{group}.{key}", t))
    t = copy.deepcopy(tree)
    t["version"][1] += 1
    out.append(("version", t))
    for key in ("established", "standard"):
        if tree[key]:
            t = copy.deepcopy(tree)
            t[key] = tree[key][:-1]
            out.append((key + " (one left out)", t))
    if tree["standard"]:
        t = copy.deepcopy(tree)
        t["standard"][0]["refresh"] += 2
        out.append(("standard refresh", t))
    for n, d in enumerate(tree["descriptors"]):
        for key, value in d.items():
            if key == "slot":
                continue
            t = copy.deepcopy(tree)
            t["descriptors"][n][key] = "dummy" if key == "kind" and value != "dummy" else changed(value)
            out.append((f"descriptor {d['kind']} {key}", t))
    return out


def sensitivity(trees, refs):
    """Every compared field of the corpus, changed in the tree, must make the comparison fail.
    Returns the names of the changes that went unnoticed."""
    seen, missed = set(), []
    for tree, ref in zip(trees, refs):
        if ref is None:
            continue
        for name, mutated in mutations(tree):
            if name in seen:
                continue
            seen.add(name)
            try:
                if not compare(mutated, ref):
                    missed.append(name)
            except Exception as e:  # a change the parser cannot even read counts as noticed
                del e
    return seen, missed


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    cli, corpus = sys.argv[1], sys.argv[2]
    decoder = sys.argv[3] if len(sys.argv) > 3 else shutil.which("edid-decode")
    if not decoder or not os.path.exists(decoder):
        print("edid-decode is not installed: comparison skipped")
        return 77
    files = sorted(os.path.join(corpus, f) for f in os.listdir(corpus) if f.endswith(".bin"))
    if not files:
        print("no EDID files in " + corpus)
        return 1
    run = subprocess.run([cli, "edid", "tree", "--json", *files], capture_output=True, text=True)
    if run.returncode != 0:
        print(f"vexlan-cli edid tree failed ({run.returncode}): {run.stderr}")
        return 1
    trees = [json.loads(line) for line in run.stdout.splitlines() if line.strip()]
    if [t["file"] for t in trees] != files:
        print("vexlan-cli edid tree did not print one object per file, in order")
        return 1

    def decode(path):
        return subprocess.run([decoder, "-s", path], capture_output=True, text=True, errors="replace").stdout

    with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
        outputs = list(pool.map(decode, files))

    failed = 0
    refs = []
    for path, mine, out in zip(files, trees, outputs):
        try:
            ref = parse_block0(out)
            problems = compare(mine, ref)
        except Mismatch as e:
            ref, problems = None, [str(e)]
        refs.append(None if problems else ref)
        if problems:
            failed += 1
            print(os.path.basename(path) + ":")
            for p in problems:
                print("  " + p)
    print(f"{len(files) - failed} of {len(files)} EDIDs agree with edid-decode on every field")

    # The comparison itself must be able to fail on every field it claims to check.
    seen, missed = sensitivity(trees, refs)
    print(f"{len(seen) - len(missed)} of {len(seen)} kinds of single-field change are caught")
    for name in missed:
        print("  not caught: " + name)
    return 1 if failed or missed else 0


if __name__ == "__main__":
    sys.exit(main())
