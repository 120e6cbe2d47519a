#!/usr/bin/python3
"""Runs our converter and Pillow side by side on the same pictures.

Pillow's way: resize to 256 x 256 with NEAREST, then quantize to the texture
palette without dithering. For each picture it prints the time per picture of
the conversion alone (pictures already in memory, --runs times; each run times
ours, then Pillow's, picture by picture, both on one processor, so that neither
the processor nor a change in the machine's speed between runs tells in the
ratio), and how many of the 65,536
pixels each maps to a colour that is not the nearest one, and the time of
our first conversion in a new process; and, counted by valgrind, each
side's instructions per texture pixel of one conversion, a figure that
does not depend on the machine's speed or caches. Then the time per file of
batches of 100 files of 1024 x 1024 x 24 bits turned into AF textures
(read, convert, write), for three sets (the photo-like pictures, smooth gradients with
uniform noise of +-12 per channel, and pictures in which nearly every pixel has
its own colour), by lumivane-convert with -j 1 and with its
default number of jobs, and by Pillow, in turn, several runs each, with the
ratios Pillow / lumivane as median [lowest - highest], the minor page faults
per file (a figure that does not depend on the machine), how much of each
side's CPU time is the kernel's (reading, writing, flushing, page faults,
and for ours the process's and its threads' start) and the time Pillow's
side spends flushing its files to the disk, which both sides do the same way
(a temporary flushed, then renamed; the folder flushed once), and two runs
each of the same batches with the files out of the page cache beforehand, as
after a restart: then reading is the disk's work, and ours written into
memory (/dev/shm), where no flush waits for the disk: how default -j scales
with the processors alone, also less the time the converter takes to start
and end with nothing to do, which no number of jobs divides, and for the
files after the first ten alone. And how many processors the whole machine
keeps busy while our batches run back to back, with -j 1 and with the
default number of jobs, and the processor time a file costs it (the
kernel's own threads and the disk's interrupts included): -j 1 already
keeps more than one busy, as its files are written and flushed on threads
of their own, and default -j / -j 1 cannot pass the processors there are
divided by that figure while a file costs the machine as much either way.
Before and after, it names the processor
and times one loop pinned to each processor, then on all of them at once:
on a virtual machine one may run at half the speed of another, and a figure
depends on where it ran; and two processors may do less than twice the
work of one, which bounds what more jobs can gain.
Uses Debian's python3-pil and valgrind; builds the Release tools in
build/core-bench unless --no-build is given.

    bench/compare_pillow.py [--no-build] [--repeats N] [--runs N] [--work DIR]
"""
import argparse
import math
import os
import random
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageChops

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "core-bench")


def build():
    subprocess.run(["cmake", "-S", ROOT, "-B", BUILD, "-DLUMIVANE_SANITIZE=OFF", "-DLUMIVANE_BENCH=ON",
                    "-DCMAKE_BUILD_TYPE=Release"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", BUILD, "-j2", "--target", "lumivane_compare", "lumivane-convert"],
                   check=True, stdout=subprocess.DEVNULL)


def texture_palette():
    with open(os.path.join(ROOT, "companion", "texture_palette.pal")) as pal:
        numbers = pal.read().split()[3:]
    image = Image.new("P", (1, 1))
    image.putpalette([int(n) for n in numbers[:768]])
    return image


def photo(size, seed):
    """Smooth gradients with noise, as a painted or scanned texture has."""
    w, h = size
    red = Image.linear_gradient("L").rotate(seed * 37 % 360).resize(size)
    green = Image.radial_gradient("L").resize(size)
    blue = Image.effect_mandelbrot(size, (-2 + seed * 0.01, -1.5, 1, 1.5), 40)
    noise = Image.effect_noise(size, 12 + seed % 5)
    return Image.merge("RGB", (ImageChops.add(red, noise, 1, -128), ImageChops.add(green, noise, 1, -128), blue))


def noisy_gradient(size, seed):
    """Smooth gradients, a different one in each channel, plus uniform noise of +-12 per channel."""
    w, h = size
    rng = random.Random(seed)
    gradients = [Image.linear_gradient("L").rotate(seed * 53 % 360).resize(size),
                 Image.radial_gradient("L").resize(size),
                 Image.linear_gradient("L").rotate(90 + seed * 29 % 360).resize(size)]
    to_noise = [v * 25 // 256 for v in range(256)]  # 0..24, evenly
    channels = []
    for gradient in gradients:
        noise = Image.frombytes("L", size, rng.randbytes(w * h)).point(to_noise)
        channels.append(ImageChops.add(gradient, noise, 1, -12))
    return Image.merge("RGB", channels)


def xor_bytes(a, b):
    return (int.from_bytes(a, "little") ^ int.from_bytes(b, "little")).to_bytes(len(a), "little")


def distinct_colours(size, seed):
    """Nearly every pixel its own colour: smooth gradients XOR a pattern, plus uniform noise of +-12 per channel."""
    w, h = size
    rng = random.Random(seed + 1000)
    row = bytes((x * 7) & 0xFF for x in range(w))
    pattern = b"".join(bytes(v ^ ((y * 13) & 0xFF) for v in row) for y in range(h))
    gradients = [Image.linear_gradient("L").rotate(seed * 41 % 360).resize(size),
                 Image.radial_gradient("L").resize(size),
                 Image.linear_gradient("L").rotate(45 + seed * 23 % 360).resize(size)]
    to_noise = [v * 25 // 256 for v in range(256)]
    channels = []
    for i, gradient in enumerate(gradients):
        mixed = Image.frombytes("L", size, xor_bytes(gradient.tobytes(), pattern[i * 7:] + pattern[:i * 7]))
        noise = Image.frombytes("L", size, rng.randbytes(w * h)).point(to_noise)
        channels.append(ImageChops.add(mixed, noise, 1, -12))
    return Image.merge("RGB", channels)


def pictures():
    yield "photo 1024x1024", photo((1024, 1024), 1)
    yield "noisy grad 1024x1024", noisy_gradient((1024, 1024), 1)
    yield "mandelbrot 1024x1024", Image.merge("RGB", (
        Image.effect_mandelbrot((1024, 1024), (-2, -1.5, 1, 1.5), 100),
        Image.effect_mandelbrot((1024, 1024), (-1.5, -1.2, 0.8, 1.2), 60),
        Image.linear_gradient("L").resize((1024, 1024))))
    yield "noise 1024x1024", Image.merge("RGB", [Image.effect_noise((1024, 1024), 90) for _ in range(3)])
    yield "photo 256x256", photo((256, 256), 2)
    yield "photo 300x200", photo((300, 200), 3)


def pillow_convert(image, palette):
    return image.resize((256, 256), Image.NEAREST).quantize(palette=palette, dither=Image.Dither.NONE)


def pillow_per_picture(image, palette, repeats):
    image.load()
    cpu, wall = time.process_time(), time.perf_counter()
    for _ in range(repeats):
        pillow_convert(image, palette)
    return (time.process_time() - cpu) / repeats * 1e3, (time.perf_counter() - wall) / repeats * 1e3


def pillow_non_nearest(image, palette, work):
    resized = image.resize((256, 256), Image.NEAREST)
    rgb, indices = os.path.join(work, "pillow.rgb"), os.path.join(work, "pillow.idx")
    with open(rgb, "wb") as out:
        out.write(resized.tobytes())
    with open(indices, "wb") as out:
        out.write(pillow_convert(image, palette).tobytes())
    tool = os.path.join(BUILD, "bench", "lumivane_compare")
    return int(subprocess.run([tool, "check", rgb, indices], check=True, capture_output=True, text=True).stdout)


PILLOW_REPEAT = "import sys\nsys.path.insert(0, sys.argv[1])\nimport compare_pillow\nfrom PIL import Image\n" \
                "palette = compare_pillow.texture_palette()\nimage = Image.open(sys.argv[2])\nimage.load()\n" \
                "for _ in range(int(sys.argv[3])):\n    compare_pillow.pillow_convert(image, palette)\n"


def instructions_per_pixel(path, repeats=6):
    """Instructions per texture pixel of one conversion, ours and Pillow's, counted by valgrind's callgrind: runs
    converting repeats times less runs converting once. A count no machine's speed or caches change; ours searches
    as it does on the processor valgrind shows (the way is returned too). Nothing without valgrind."""
    valgrind = shutil.which("valgrind")
    if not valgrind:
        return None

    def count(command):
        run = subprocess.run([valgrind, "--tool=callgrind", "--callgrind-out-file=/dev/null"] + command,
                             check=True, capture_output=True, text=True)
        return int(re.search(r"Collected : (\d+)", run.stderr).group(1)), run.stdout.strip()

    tool = os.path.join(BUILD, "bench", "lumivane_compare")
    ours = [count([tool, "repeat", str(n), path]) for n in (1, repeats)]
    pillow = [count([sys.executable, "-c", PILLOW_REPEAT, os.path.dirname(os.path.abspath(__file__)), path, str(n)])
              for n in (1, repeats)]
    pixels = 256 * 256 * (repeats - 1)
    return (ours[1][0] - ours[0][0]) / pixels, (pillow[1][0] - pillow[0][0]) / pixels, ours[0][1]


def ours_per_picture(files, repeats):
    """One process per picture, so that each first conversion is the first of its process."""
    tool = os.path.join(BUILD, "bench", "lumivane_compare")
    result = {}
    for path in files:
        output = subprocess.run([tool, "convert", str(repeats), path], check=True, capture_output=True, text=True).stdout
        for line in output.splitlines():
            name, first, cpu, wall, wrong = line.rsplit(" ", 4)
            result[name] = (float(first), float(cpu), float(wall), int(wrong))
    return result


def make_set(work, name, make, count):
    sources = os.path.join(work, name)
    os.makedirs(sources, exist_ok=True)
    files = []
    for i in range(count):
        path = os.path.join(sources, "texture%03d.bmp" % i)
        make((1024, 1024), i).save(path)
        files.append(path)
    return files


def warm(files):
    """Every contender reads from the page cache: read every file once beforehand."""
    for path in files:
        with open(path, "rb") as f:
            f.read()


def evict(files):
    """The files leave the page cache, as after a restart or on a first visit: every read goes to the disk."""
    for path in files:
        fd = os.open(path, os.O_RDONLY)
        os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        os.close(fd)


def children_usage():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime, usage.ru_minflt, usage.ru_stime


def ours_batch(files, out, jobs):
    """Wall and CPU (all threads) ms per file, minor page faults per file (the whole process, start-up included),
    nothing for the flushes, and the part of the CPU time spent in the kernel."""
    convert = os.path.join(BUILD, "bin", "lumivane-convert")
    options = ["-j", str(jobs)] if jobs else []
    (cpu, faults, kernel), wall = children_usage(), time.perf_counter()
    subprocess.run([convert, "to-af", "--force", "--quiet", "--out", out] + options + files, check=True)
    after_cpu, after_faults, after_kernel = children_usage()
    return ((time.perf_counter() - wall) / len(files) * 1e3, (after_cpu - cpu) / len(files) * 1e3,
            (after_faults - faults) / len(files), 0.0, (after_kernel - kernel) / len(files) * 1e3)


def machine_time():
    """Clock ticks of every processor since boot: those spent working (for any process, the kernel's own threads
    and interrupts included), and all of them."""
    with open("/proc/stat") as stat:
        ticks = [int(t) for t in stat.readline().split()[1:]]
    idle = ticks[3] + ticks[4]  # idle, and idle waiting for the disk
    return sum(ticks) - idle, sum(ticks)


def machine_busy(files, out, jobs, repeats=5):
    """How many processors the whole machine keeps busy while batches run back to back, and the processor ms
    a file costs it: the disk's interrupts and the kernel's writeback count here, not in the converter's own
    time. The kernel counts in hundredths of a second, so a batch alone would be too short to tell."""
    (busy, ticks), wall = machine_time(), time.perf_counter()
    for _ in range(repeats):
        ours_batch(files, out, jobs)
    wall = time.perf_counter() - wall
    after_busy, after_ticks = machine_time()
    processors = os.cpu_count() * (after_busy - busy) / max(after_ticks - ticks, 1)
    return processors, processors * wall / (repeats * len(files)) * 1e3


def ours_start_up():
    """Wall ms of the converter started and ended with nothing to convert (--help): the part of a batch that
    no number of jobs divides, which on a virtual machine may be milliseconds."""
    convert = os.path.join(BUILD, "bin", "lumivane-convert")
    wall = time.perf_counter()
    subprocess.run([convert, "--help"], check=True, stdout=subprocess.DEVNULL)
    return (time.perf_counter() - wall) * 1e3


def durable_write(path, data):
    """As lumivane-convert replaces a file: a temporary flushed to the disk, then renamed. Returns the seconds in fsync."""
    temporary = path[:-1] + "~"
    with open(temporary, "wb") as f:
        f.write(data)
        f.flush()
        started = time.perf_counter()
        os.fsync(f.fileno())
        flushing = time.perf_counter() - started
    os.replace(temporary, path)
    return flushing


def pillow_batch(files, out, palette):
    """The same figures for Pillow, which writes each file the same durable way and flushes the folder once."""
    before = resource.getrusage(resource.RUSAGE_SELF)
    cpu, wall = time.process_time(), time.perf_counter()
    flushing = 0.0
    for path in files:
        with Image.open(path) as image:
            texture = pillow_convert(image, palette)
        flushing += durable_write(os.path.join(out, os.path.basename(path) + ".af"),
                                  texture.transpose(Image.FLIP_TOP_BOTTOM).tobytes())
    started = time.perf_counter()
    folder = os.open(out, os.O_RDONLY | os.O_DIRECTORY)
    os.fsync(folder)
    os.close(folder)
    flushing += time.perf_counter() - started
    after = resource.getrusage(resource.RUSAGE_SELF)
    return ((time.perf_counter() - wall) / len(files) * 1e3, (time.process_time() - cpu) / len(files) * 1e3,
            (after.ru_minflt - before.ru_minflt) / len(files), flushing / len(files) * 1e3,
            (after.ru_stime - before.ru_stime) / len(files) * 1e3)


def spread(values):
    return "%6.2f [%5.2f - %5.2f]" % (statistics.median(values), min(values), max(values))


def batches(work, palette, runs, count=100):
    sets = [("photo", make_set(work, "photo", photo, count)),
            ("noisy gradient", make_set(work, "noisy", noisy_gradient, count)),
            ("distinct", make_set(work, "distinct", distinct_colours, count))]
    outs = {}
    for who in ("ours1", "oursN", "pillow"):
        outs[who] = os.path.join(work, "out-" + who)
        os.makedirs(outs[who], exist_ok=True)
    print()
    print("Batches of %d files of 1024x1024x24 to AF (read, convert, write), %d runs: ms per file, and" % (count, runs))
    print("ratio = Pillow / lumivane in the same run; median [lowest - highest]. CPU time counts every thread.")
    print("%-15s %-5s %22s %22s %22s %22s %22s" % ("set", "time", "Pillow", "lumivane -j 1", "lumivane default -j",
                                                "ratio -j 1", "ratio default -j"))
    for name, files in sets:
        times = {"ours1": [], "oursN": [], "pillow": []}
        cold = {"ours1": [], "oursN": [], "pillow": []}
        busy = {"ours1": [], "oursN": []}
        for _ in range(runs):
            warm(files)
            times["ours1"].append(ours_batch(files, outs["ours1"], 1))
            times["oursN"].append(ours_batch(files, outs["oursN"], 0))
            times["pillow"].append(pillow_batch(files, outs["pillow"], palette))
            busy["ours1"].append(machine_busy(files, outs["ours1"], 1))
            busy["oursN"].append(machine_busy(files, outs["oursN"], 0))
        # The same batches written into memory, where no flush waits for a
        # disk: how default -j scales with the processors alone. And batches
        # of the first ten files alone: the whole batch less one of them is
        # the other files without what a batch pays once (the start, each
        # thread's first file, the first touch of its memory).
        in_memory = {"ours1": [], "oursN": [], "start": [], "ours1_first": [], "oursN_first": []}
        memory = tempfile.mkdtemp(prefix="lumivane-compare-", dir="/dev/shm") if os.access("/dev/shm", os.W_OK) else None
        first = files[:10]
        for _ in range(runs if memory else 0):
            warm(files)
            in_memory["ours1"].append(ours_batch(files, memory, 1)[0])
            in_memory["oursN"].append(ours_batch(files, memory, 0)[0])
            in_memory["ours1_first"].append(ours_batch(first, memory, 1)[0])
            in_memory["oursN_first"].append(ours_batch(first, memory, 0)[0])
            in_memory["start"].append(ours_start_up())
        if memory:
            shutil.rmtree(memory)
        for _ in range(2):
            for who, run in (("ours1", lambda: ours_batch(files, outs["ours1"], 1)),
                             ("oursN", lambda: ours_batch(files, outs["oursN"], 0)),
                             ("pillow", lambda: pillow_batch(files, outs["pillow"], palette))):
                evict(files)
                cold[who].append(run()[0])
        for kind, at in (("wall", 0), ("CPU", 1)):
            pillow = [t[at] for t in times["pillow"]]
            ours1 = [t[at] for t in times["ours1"]]
            oursN = [t[at] for t in times["oursN"]]
            print("%-15s %-5s %22s %22s %22s %22s %22s" % (
                name, kind, spread(pillow), spread(ours1), spread(oursN),
                spread([p / o for p, o in zip(pillow, ours1)]), spread([p / o for p, o in zip(pillow, oursN)])))
        print("%-15s %-5s %22s %22s %22s   (CPU ms per file in the kernel: reads, writes, flushes, faults, start)" % (
            name, "sys", spread([t[4] for t in times["pillow"]]), spread([t[4] for t in times["ours1"]]),
            spread([t[4] for t in times["oursN"]])))
        print("%-15s %-5s %22s %22s %22s   (minor page faults per file)" % (
            name, "flt", spread([t[2] for t in times["pillow"]]), spread([t[2] for t in times["ours1"]]),
            spread([t[2] for t in times["oursN"]])))
        print("%-15s %-5s %22s %22s %22s %22s %22s   (wall, files not in memory: 2 runs)" % (
            name, "cold", spread(cold["pillow"]), spread(cold["ours1"]), spread(cold["oursN"]),
            spread([p / o for p, o in zip(cold["pillow"], cold["ours1"])]), spread([p / o for p, o in zip(cold["pillow"], cold["oursN"])])))
        print("%-15s %-5s %22s   (ms per file in fsync on Pillow's side: the disk's share, the same for both)" % (
            name, "fsync", spread([t[3] for t in times["pillow"]])))
        processors = os.cpu_count()
        print("%-15s %-5s %22s %22s %22s   (processors the whole machine kept busy, of %d; default -j / -j 1 can be at most"
              " %d / the -j 1 figure while a file costs the machine as much either way: %s)" % (
                  name, "busy", "", spread([b[0] for b in busy["ours1"]]), spread([b[0] for b in busy["oursN"]]), processors,
                  processors, spread([processors / b[0] if b[0] else math.inf for b in busy["ours1"]])))
        print("%-15s %-5s %22s %22s %22s   (processor ms a file costs the whole machine, its kernel threads and interrupts"
              " included)" % (name, "mach", "", spread([b[1] for b in busy["ours1"]]), spread([b[1] for b in busy["oursN"]])))
        print("%-15s %-5s %22s %22s %22s   (files per second; default -j / -j 1: %s)" % (
            name, "f/s", spread([1e3 / t[0] for t in times["pillow"]]), spread([1e3 / t[0] for t in times["ours1"]]),
            spread([1e3 / t[0] for t in times["oursN"]]), spread([a[0] / b[0] for a, b in zip(times["ours1"], times["oursN"])])))
        if in_memory["ours1"]:
            print("%-15s %-5s %22s %22s %22s   (wall, written into /dev/shm: no disk; default -j / -j 1: %s)" % (
                name, "mem", "", spread(in_memory["ours1"]), spread(in_memory["oursN"]),
                spread([a / b for a, b in zip(in_memory["ours1"], in_memory["oursN"])])))
            count = len(files)
            print("%-15s %-5s %22s   (ms: the converter started with nothing to do; default -j / -j 1 in memory less it: %s)" % (
                name, "start", spread(in_memory["start"]),
                spread([(a * count - s) / (b * count - s) for a, b, s in zip(in_memory["ours1"], in_memory["oursN"], in_memory["start"])])))
            rest = count - len(first)
            later = {who: [(whole * count - alone * len(first)) / rest for whole, alone in zip(in_memory[who], in_memory[who + "_first"])]
                     for who in ("ours1", "oursN")}
            print("%-15s %-5s %22s %22s %22s   (wall ms per file after the first %d: the batch less a batch of those;"
                  " default -j / -j 1: %s)" % (name, "later", "", spread(later["ours1"]), spread(later["oursN"]), len(first),
                                              spread([a / b for a, b in zip(later["ours1"], later["oursN"])])))
        sys.stdout.flush()


SPEED_LOOP = "import os, sys, time\nos.sched_setaffinity(0, {int(sys.argv[1])})\nstarted = time.perf_counter()\n" \
             "total = 0\nfor i in range(2000000):\n    total += i * i\nprint(time.perf_counter() - started)"


def machine():
    """The processor's name and how long the same loop takes pinned to each processor: on a virtual machine
    one may run at half the speed of another, and which one changes, so that a figure depends on where a
    process ran."""
    name = "?"
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                name = line.split(":", 1)[1].strip()
                break
    cpus = sorted(os.sched_getaffinity(0))
    alone = []
    for cpu in cpus:
        taken = subprocess.run([sys.executable, "-c", SPEED_LOOP, str(cpu)], capture_output=True, text=True, check=True)
        alone.append(float(taken.stdout))
    # The same loop on every processor at once: where the processors share a
    # core, or the host runs others on them, together they do less than as
    # many times the work of one, and default -j / -j 1 cannot pass that.
    loops = [subprocess.Popen([sys.executable, "-c", SPEED_LOOP, str(cpu)], stdout=subprocess.PIPE, text=True) for cpu in cpus]
    together = [float(loop.communicate()[0]) for loop in loops]
    return "%s; the same loop on each processor: %s; on all at once: %s (the work of %.2f processors alone)" % (
        name, ", ".join("%d: %.3f s" % (cpu, t) for cpu, t in zip(cpus, alone)),
        ", ".join("%d: %.3f s" % (cpu, t) for cpu, t in zip(cpus, together)), sum(min(alone) / t for t in together))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--no-build", action="store_true")
    parser.add_argument("--repeats", type=int, default=50)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--work")
    args = parser.parse_args()
    if not args.no_build:
        build()
    work = args.work or tempfile.mkdtemp(prefix="lumivane-compare-")
    os.makedirs(work, exist_ok=True)
    palette = texture_palette()
    try:
        named = []
        for name, image in pictures():
            path = os.path.join(work, name.replace(" ", "_") + ".bmp")
            image.save(path)
            named.append((name, path, image))
        print("Processor: %s" % machine())
        allowed = os.sched_getaffinity(0)
        os.sched_setaffinity(0, {min(allowed)})  # ours, started from here, runs there too
        runs = [{} for _ in range(args.runs)]
        pillow_runs = [{} for _ in range(args.runs)]
        for run, pillow_run in zip(runs, pillow_runs):
            for _, path, image in named:
                run.update(ours_per_picture([path], args.repeats))
                pillow_run[path] = pillow_per_picture(image, palette, args.repeats)[0]
        os.sched_setaffinity(0, allowed)

        print("Conversion alone, per picture, on processor %d, %d runs, median [lowest - highest] (ms; CPU time); ratio = Pillow /"
              % (min(allowed), args.runs))
        print("lumivane in the same run; our first conversion in a new process (CPU ms); pixels not mapped to the nearest colour")
        print("%-22s %22s %22s %22s %22s %8s %8s" % ("picture", "lumivane", "Pillow", "ratio", "lumivane 1st", "ours off", "Pil. off"))
        for name, path, image in named:
            pillow_cpu = [pillow_run[path] for pillow_run in pillow_runs]
            pillow_wrong = pillow_non_nearest(image, palette, work)
            print("%-22s %22s %22s %22s %22s %8d %8d" % (
                name, spread([run[path][1] for run in runs]), spread(pillow_cpu),
                spread([p / run[path][1] for p, run in zip(pillow_cpu, runs)]), spread([run[path][0] for run in runs]),
                max(run[path][3] for run in runs), pillow_wrong))
            sys.stdout.flush()

        counted = [(name, instructions_per_pixel(path)) for name, path, _ in named]
        if all(counts for _, counts in counted):
            print()
            print("Instructions per texture pixel of one conversion (valgrind; no machine's speed changes them);"
                  " ours %s:" % counted[0][1][2])
            for name, (ours, pillow, _) in counted:
                print("%-22s lumivane %6.1f  Pillow %6.1f  ratio %5.2f" % (name, ours, pillow, pillow / ours))
        else:
            print("(no valgrind: apt-get install valgrind for the instructions of a conversion)")
        sys.stdout.flush()

        batches(work, palette, args.runs)
        print()
        print("Processor, at the end: %s" % machine())
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
