#!/usr/bin/python3
"""Copies the machine's apt sources into a folder without some suites, for one apt command to use instead.

Usage: apt_sources.py SOURCE_LIST SOURCE_PARTS OUT_DIR [URL...]
Each URL is one that apt failed to fetch (http://host/path/dists/SUITE/...): the suite it belongs to is left out
of OUT_DIR/sources.list and of the copies in OUT_DIR/sources.list.d, in both the one-line format and the deb822
format (*.sources). The machine's own files are only read. Prints each suite left out as "URI SUITE".
"""
import os
import re
import sys


def failed_suite(url):
    """(repository URI, suite) of an index URL apt failed to fetch, or None when it names no suite."""
    m = re.match(r"^(\S+?)/dists/([^/\s]+)/", url)
    return (m.group(1).rstrip("/"), m.group(2)) if m else None


def one_line_kept(line, excluded):
    """Whether a sources.list line stays: "deb [options] URI SUITE COMPONENT..."."""
    fields = re.sub(r"\[[^\]]*\]", " ", line.split("#", 1)[0]).split()
    if len(fields) < 3 or fields[0] not in ("deb", "deb-src"):
        return True
    return (fields[1].rstrip("/"), fields[2]) not in excluded


def filter_one_line(text, excluded):
    return "".join(line for line in text.splitlines(True) if one_line_kept(line, excluded))


def filter_deb822(text, excluded):
    """Drops the excluded suites from each stanza's Suites field, and a stanza that has none left."""
    out = []
    for stanza in re.split(r"\n\s*\n", text):
        fields = {}
        for m in re.finditer(r"^([A-Za-z-]+):(.*(?:\n[ \t].*)*)", stanza, re.M):
            fields[m.group(1).lower()] = m.group(2).split()
        uris = [u.rstrip("/") for u in fields.get("uris", [])]
        suites = fields.get("suites")
        if not uris or suites is None:
            out.append(stanza)
            continue
        kept = [s for s in suites if not any((u, s) in excluded for u in uris)]
        if not kept:
            continue
        if kept != suites:
            stanza = re.sub(r"^Suites:.*(?:\n[ \t].*)*", "Suites: " + " ".join(kept), stanza, flags=re.M | re.I)
        out.append(stanza)
    return "\n\n".join(s.strip("\n") for s in out if s.strip()) + "\n"


def read(path):
    try:
        with open(path, encoding="utf-8") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__.splitlines()[2])
    source_list, source_parts, out_dir = argv[:3]
    excluded = {s for s in map(failed_suite, argv[3:]) if s}
    parts_out = os.path.join(out_dir, "sources.list.d")
    os.makedirs(parts_out, exist_ok=True)
    with open(os.path.join(out_dir, "sources.list"), "w", encoding="utf-8") as f:
        f.write(filter_one_line(read(source_list), excluded))
    names = sorted(os.listdir(source_parts)) if os.path.isdir(source_parts) else []
    # apt reads only these two kinds of file from its parts folder; anything else there is not a source.
    for name in names:
        text = read(os.path.join(source_parts, name))
        if name.endswith(".list"):
            text = filter_one_line(text, excluded)
        elif name.endswith(".sources"):
            text = filter_deb822(text, excluded)
        else:
            continue
        with open(os.path.join(parts_out, name), "w", encoding="utf-8") as f:
            f.write(text)
    for uri, suite in sorted(excluded):
        print("%s %s" % (uri, suite))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
