#!/usr/bin/python3
"""Counts the requests that Wine's server gets for each operation that the
Windows benchmarks mark (a texture preview, a bitmap preview, a repaint, a
conversion, a gallery of 1000 files), and names the most frequent. Under Wine
every such request is a round trip to another process, the larger part of what
those operations cost on a virtual machine; unlike the times, the counts do
not depend on the machine.

    bench/wine_requests.py [BUILD_DIR]     (default: build/win64)
"""
import collections
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MARK = re.compile(r'OutputDebugStringA "lumivane-bench (begin|end) (.*)\\n"')
REQUEST = re.compile(r"^[0-9a-f]{4}: ([a-z_]+)\( ")


def marked_requests(program):
    command = 'source "%s/scripts/wine_env.sh" && start_virtual_display && use_prefix test-prefix virtual-desktop && ' \
              'WINEDEBUG=+server,+debugstr wine "%s"' % (ROOT, program)
    log = subprocess.run(["bash", "-c", command], capture_output=True, text=True, errors="replace").stderr
    counts, current = {}, None
    for line in log.splitlines():
        mark = MARK.search(line)
        if mark:
            current = mark.group(2) if mark.group(1) == "begin" else None
            if current:
                counts[current] = collections.Counter()
        elif current:
            request = REQUEST.match(line)
            if request:
                counts[current][request.group(1)] += 1
    return counts


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "win64")
    for bench in ("lumivane_pipeline_bench.exe", "lumivane_gallery_bench.exe"):
        for name, requests in marked_requests(os.path.join(build, "bin", bench)).items():
            common = ", ".join("%s %d" % pair for pair in requests.most_common(5))
            print("%-30s %6d requests (%s)" % (name, sum(requests.values()), common))
    return 0


if __name__ == "__main__":
    sys.exit(main())
