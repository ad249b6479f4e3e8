#!/usr/bin/env python3
"""Memory of a process and everything below it, in kB.

PSS splits a shared page among every process on the machine that maps it, so
the figure of the same program moves when other programs using the same
libraries start or end. "Alone" splits each page only among the processes of
this tree: what the tree would hold if it ran alone. It reads the page frame
numbers from /proc/PID/pagemap, which the kernel shows to root only; for
others it prints PSS in its place.

  tree_memory.py PID           the totals: PSS USS alone
  tree_memory.py PID -v        and a line per process before them
"""
import array
import os
import re
import sys

PAGE_KB = os.sysconf("SC_PAGE_SIZE") // 1024
PRESENT = 1 << 63
PFN_MASK = (1 << 55) - 1


def tree(root):
    parent = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                parent[int(entry)] = int(stat.read().rsplit(")", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):
            pass  # gone meanwhile
    members = []
    for pid in parent:
        up = pid
        while up > 1 and up != root:
            up = parent.get(up, 0)
        if up == root:
            members.append(pid)
    return sorted(members)


def kind(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
            args = cmdline.read().split(b"\0")
    except OSError:
        return "?"
    for arg in args:
        if arg.startswith(b"--type="):
            return arg[7:].decode(errors="replace")
    return "main"


def read(pid):
    """PSS, USS and the frames of the resident pages, one per mapping of a page."""
    pss = uss = 0
    ranges = []
    current = None
    with open(f"/proc/{pid}/smaps") as smaps:
        for line in smaps:
            match = re.match(r"^([0-9a-f]+)-([0-9a-f]+) ", line)
            if match:
                current = (int(match.group(1), 16), int(match.group(2), 16))
            elif line.startswith("Rss:") and int(line.split()[1]) > 0:
                ranges.append(current)
            elif line.startswith("Pss:"):
                pss += int(line.split()[1])
            elif line.startswith(("Private_Clean:", "Private_Dirty:")):
                uss += int(line.split()[1])
    frames = []
    page = PAGE_KB * 1024
    with open(f"/proc/{pid}/pagemap", "rb") as pagemap:
        for start, end in ranges:
            pagemap.seek(start // page * 8)
            entries = array.array("Q")
            entries.frombytes(pagemap.read((end - start) // page * 8))
            frames.extend(e & PFN_MASK for e in entries if e & PRESENT)
    return pss, uss, frames


def main():
    root = int(sys.argv[1])
    verbose = "-v" in sys.argv[2:]
    rows = []
    for pid in tree(root):
        try:
            rows.append((pid, kind(pid)) + read(pid))
        except OSError:
            pass  # gone meanwhile
    # Without root every frame reads 0: no page can be told from another.
    known = any(frame for row in rows for frame in row[4])
    count = {}
    for row in rows:
        for frame in row[4]:
            count[frame] = count.get(frame, 0) + 1
    totals = [0, 0, 0]
    for pid, what, pss, uss, frames in rows:
        alone = round(sum(PAGE_KB / count[f] for f in frames)) if known else pss
        if verbose:
            print(f"{pid:>8} {what:<10} PSS {pss:>7} USS {uss:>7} alone {alone:>7}")
        totals[0] += pss
        totals[1] += uss
        totals[2] += alone
    print(*totals)


if __name__ == "__main__":
    main()
