#!/usr/bin/env python3
"""Checks docs/USER_GUIDE.md against the files beside it.

Every relative link and picture of the guide names a file that exists, every "#anchor" names a
heading of the guide, and every picture in docs/screenshots is shown by the guide (a picture that
scripts/screenshots.sh --guide writes but the guide never shows is a sign that the two drifted
apart). The AppStream metadata's screenshots name pictures of docs/screenshots too. Prints one line per problem; exit status 1 when there is any.

usage: user_guide_check.py REPO_ROOT
"""
import os
import re
import sys


def slug(heading):
    """The anchor a Markdown renderer gives a heading: lower case, punctuation dropped, blanks
    turned into hyphens."""
    text = heading.strip().lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def main(root):
    docs = os.path.join(root, "docs")
    guide_path = os.path.join(docs, "USER_GUIDE.md")
    with open(guide_path, encoding="utf-8") as f:
        guide = f.read()
    # code blocks hold commands, not links
    prose = re.sub(r"```.*?```", "", guide, flags=re.S)
    anchors = {slug(h) for h in re.findall(r"^#{1,6}\s+(.*)$", prose, flags=re.M)}
    problems = []
    shown = set()
    for target in re.findall(r"\]\(([^)\s]+)\)", prose):
        if re.match(r"[a-z]+://", target):
            continue
        if target.startswith("#"):
            if target[1:] not in anchors:
                problems.append(f"USER_GUIDE.md: no heading for link {target}")
            continue
        path = os.path.normpath(os.path.join(docs, target.split("#")[0]))
        if not os.path.isfile(path):
            problems.append(f"USER_GUIDE.md: {target} does not exist")
        shown.add(path)
    shots = os.path.join(docs, "screenshots")
    if os.path.isdir(shots):
        for name in sorted(os.listdir(shots)):
            path = os.path.normpath(os.path.join(shots, name))
            if name.endswith(".png") and path not in shown:
                problems.append(f"docs/screenshots/{name} is not shown in USER_GUIDE.md")
    desktop = os.path.join(root, "data", "desktop")
    if os.path.isdir(desktop):
        for name in sorted(os.listdir(desktop)):
            if ".metainfo.xml" not in name:
                continue
            with open(os.path.join(desktop, name), encoding="utf-8") as f:
                for picture in re.findall(r"@VEXLAN_SCREENSHOTS@/([^<\s]+)", f.read()):
                    if not os.path.isfile(os.path.join(shots, picture)):
                        problems.append(f"data/desktop/{name}: screenshot {picture} is not in docs/screenshots")
    for p in problems:
        print(p)
    print(f"{len(shown)} files and {len(anchors)} headings checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
