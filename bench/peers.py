#!/usr/bin/env python3
"""Times photofilter side by side with other image tools on one core.

Makes a 6000x4000 photo-like P6 (bench/make_photo.cc), then for every row of
the table below runs photofilter and each installed peer several times,
alternating, each as a whole process pinned to core 0 with one thread,
reading the photo from the page cache and writing to /dev/null. Prints a
Markdown table: median wall and CPU seconds, photofilter's megapixels per
second, peak resident memory of each process, and the ratio peer /
photofilter of CPU seconds (above 1: photofilter is faster). A first round of runs warms up memory and
caches and is not counted.

With --threads N (N above 1) every tool works with N threads on cores
0 .. N-1: photofilter with --threads N, the peers with VIPS_CONCURRENCY,
MAGICK_THREAD_LIMIT and OMP_NUM_THREADS (and their -limit options) set to
N; MP/s and the ratios then come from wall time, since CPU time adds up
the threads.

With --baseline, a second photofilter build (a binary, or a build folder
holding one) runs the same command line in the same rounds; the table gains
its wall and CPU seconds, peak memory, the ratio baseline / photofilter of
CPU seconds (below 1: this build is slower) and whether both builds write
the same bytes (one untimed run of each, hashed). --no-peers leaves the
other tools out.

  bench/peers.py [--runs N] [--build DIR] [--rows NAME,NAME...]
                 [--baseline PATH] [--no-peers] [--threads N]

Peers install with: apt-get install netpbm imagemagick graphicsmagick libvips-tools
"""

import argparse
import hashlib
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 6000, 4000
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"
THREADS = 1  # set from --threads before the rows are made


def thread_environment():
    return {name: str(THREADS)
            for name in ("OMP_NUM_THREADS", "MAGICK_THREAD_LIMIT", "VIPS_CONCURRENCY")}


def cores():
    """taskset's list of the cores the runs may use."""
    return "0" if THREADS == 1 else f"0-{THREADS - 1}"


def convert(*ops):
    return [CONVERT, "-limit", "thread", str(THREADS), "ppm:-", *ops, "ppm:-"]


def gm(*ops):
    return ["gm", "convert", "-limit", "threads", str(THREADS), "ppm:-", *ops, "ppm:-"]


def vips(operation, *args):
    return ["vips", operation, "stdin", ".ppm", *args]


def rows(masks):
    """(row name, photofilter arguments or None, [(peer label, argv)])."""
    return [
        ("floor", None, [("cat", ["cat"])]),
        ("identity", [], [
            ("pamtopnm", ["pamtopnm"]),
            ("vips copy", vips("copy")),
            ("convert", convert()),
            ("gm convert", gm()),
        ]),
        ("crop quarter", ["-cr", "1500,1000,4500,3000"], [
            ("pamcut", ["pamcut", "-left", "1500", "-top", "1000", "-width", "3000",
                        "-height", "2000"]),
            ("vips crop", vips("crop", "1500", "1000", "3000", "2000")),
            ("convert -crop", convert("-crop", "3000x2000+1500+1000")),
            ("gm -crop", gm("-crop", "3000x2000+1500+1000")),
        ]),
        ("downscale 2", ["-comp", "2"], [
            ("pamscale -reduce 2", ["pamscale", "-reduce", "2"]),
            ("vips shrink", vips("shrink", "2", "2")),
            ("convert -scale 50%", convert("-scale", "50%")),
            ("gm -scale 50%", gm("-scale", "50%")),
        ]),
        ("scale 0.3", ["-sc", "0.3"], [
            ("pamscale 0.3", ["pamscale", "0.3"]),
            ("convert -scale 30%", convert("-scale", "30%")),
            ("~vips resize linear", vips("resize", "0.3", "--kernel", "linear")),
        ]),
        ("smoothed scale 0.3", ["-ssc", "0.3"], [
            ("~pamscale triangle", ["pamscale", "-filter=triangle", "0.3"]),
            ("~vips resize", vips("resize", "0.3")),
            ("~convert -resize 30%", convert("-resize", "30%")),
        ]),
        ("frame 50 px", ["-fr", "0.5,0.5,0.5,50,50,50,50"], [
            ("pnmmargin", ["pnmmargin", "-color", "rgb:80/80/80", "50"]),
            ("vips embed", vips("embed", "50", "50", str(WIDTH + 100), str(HEIGHT + 100),
                                "--extend", "background", "--background", "127 127 127")),
            ("convert -border", convert("-bordercolor", "rgb(127,127,127)", "-border", "50")),
        ]),
        ("gamma 2.2", ["-g", "2.2"], [
            ("pnmgamma", ["pnmgamma", "2.2"]),
            ("vips gamma", vips("gamma", "--exponent", "2.2")),
            ("convert -gamma", convert("-gamma", "2.2")),
        ]),
        ("gain", ["-cg", "1.1,1,0.9"], [
            ("~pamfunc -multiplier", ["pamfunc", "-multiplier", "1.1"]),
            ("vips linear", vips("linear", "1.1 1 0.9", "0 0 0", "--uchar")),
            ("convert -evaluate multiply", convert("-evaluate", "multiply", "1.1")),
        ]),
        ("offset", ["-co", "0.04,0,-0.04"], [
            ("~pamfunc -adder", ["pamfunc", "-adder", "10"]),
            ("vips linear", vips("linear", "1 1 1", "10 0 -10", "--uchar")),
            ("convert -evaluate add", convert("-evaluate", "add", "4%")),
        ]),
        ("contrast", ["-cc", "1.5"], [
            ("~convert -sigmoidal-contrast", convert("-sigmoidal-contrast", "3x50%")),
        ]),
        ("saturation", ["-cs", "1.3"], [
            ("~convert -modulate", convert("-modulate", "100,130")),
            ("~vips recomb", vips("recomb", masks["saturation"])),
        ]),
        ("box smooth r1", ["-s", "1,1,1000"], [
            ("vips convsep 3", vips("convsep", masks["box3"], "--precision", "integer")),
            ("pnmsmooth 3x3", ["pnmsmooth"]),
        ]),
        ("box smooth r10", ["-s", "1,10,1000"], [
            ("vips convsep 21", vips("convsep", masks["box21"], "--precision", "integer")),
        ]),
        ("noise: -snr", ["-snr", "x"], [("~pnmnlfilt", ["pnmnlfilt", "0.3", "0.8"])]),
        ("noise: -fnr", ["-fnr", "x"], [("~convert -despeckle", convert("-despeckle"))]),
        ("noise: -nr", ["-nr", "x"], [("~convert -enhance", convert("-enhance"))]),
        ("noise: -cnr", ["-cnr", "x"], [("~convert -enhance", convert("-enhance"))]),
        ("hot pixels", ["-spr", "b"], [
            ("~convert -statistic median 3", convert("-statistic", "median", "3x3")),
            ("~vips rank 3 3 4", vips("rank", "3", "3", "4")),
        ]),
        ("edge contrast -ec", ["-ec", "x"], [
            ("~convert -unsharp", convert("-unsharp", "0x1")),
            ("~vips sharpen", vips("sharpen")),
        ]),
        ("edge contrast -ec1", ["-ec1", "x"], [
            ("~convert -unsharp", convert("-unsharp", "0x1")),
            ("~vips sharpen", vips("sharpen")),
        ]),
        ("2x2 blur", ["-b2", "1"], [
            ("~vips conv 2x2", vips("conv", masks["box2x2"], "--precision", "integer")),
        ]),
    ]


def write_masks(folder):
    masks = {
        "box3": "3 1 3 0\n1 1 1\n",
        "box21": "21 1 21 0\n" + " ".join(["1"] * 21) + "\n",
        "box2x2": "2 2 4 0\n1 1\n1 1\n",
        # Saturation 1.3 around the channel mean.
        "saturation": "3 3\n1.2 -0.1 -0.1\n-0.1 1.2 -0.1\n-0.1 -0.1 1.2\n",
    }
    paths = {}
    for name, text in masks.items():
        paths[name] = os.path.join(folder, name + ".mat")
        with open(paths[name], "w") as f:
            f.write(text)
    return paths


def installed(argv):
    return shutil.which(argv[0]) is not None or os.access(argv[0], os.X_OK)


def time_once(argv, photo):
    """Wall seconds, CPU seconds and peak resident MiB of one whole process."""
    env = dict(os.environ, **thread_environment())
    with open(photo, "rb") as stdin, open(os.devnull, "wb") as devnull:
        start = time.perf_counter()
        process = subprocess.Popen(["taskset", "-c", cores(), *argv], stdin=stdin,
                                   stdout=devnull, stderr=subprocess.DEVNULL, env=env)
        _, status, usage = os.wait4(process.pid, 0)
        seconds = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        return None
    return seconds, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0


def output_digest(argv, photo):
    """SHA-256 of what one run writes to stdout, or None if the run fails."""
    digest = hashlib.sha256()
    env = dict(os.environ, **thread_environment())
    with open(photo, "rb") as stdin:
        process = subprocess.Popen(["taskset", "-c", cores(), *argv], stdin=stdin,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
        for chunk in iter(lambda: process.stdout.read(1 << 20), b""):
            digest.update(chunk)
        process.stdout.close()
    return digest.hexdigest() if process.wait() == 0 else None


def same_bytes(program, baseline, pf_args, photo):
    """Whether both builds write the same bytes: yes, no, or - if a run fails."""
    ours = output_digest([program, *pf_args], photo)
    theirs = output_digest([baseline, *pf_args], photo)
    if ours is None or theirs is None:
        return "-"
    return "yes" if ours == theirs else "no"


def time_rounds(tools, photo, runs):
    """Per label the wall, CPU and peak figures of the counted runs, and the
    labels whose run failed. The tools alternate run by run so that drifts
    hit all alike."""
    results = {label: ([], [], []) for label, _ in tools}
    failed = set()
    # One round first that is not counted: fresh memory of this machine is
    # slow on its first touch, and the first run of each tool pays for it.
    for run in range(runs + 1):
        for label, argv in tools:
            if label in failed or not installed(argv):
                continue
            result = time_once(argv, photo)
            if result is None:
                failed.add(label)
                continue
            if run > 0:
                for column, value in zip(results[label], result):
                    column.append(value)
    return results, failed


def baseline_program(path):
    """The photofilter at PATH, or the one inside the build folder PATH."""
    program = os.path.join(path, "photofilter") if os.path.isdir(path) else path
    if not os.access(program, os.X_OK):
        sys.exit(f"peers: baseline {program} is missing; give a photofilter binary "
                 "or its build folder")
    return os.path.abspath(program)


def print_header(args):
    ratios = ["peer / photofilter"] if not args.no_peers else []
    if args.baseline:
        ratios.append("baseline / photofilter: below 1, this build is slower")
    if THREADS == 1:
        where = "one core (taskset -c 0)"
        measure = ("CPU time (user + system), which a busy or throttled virtual machine "
                   "disturbs less than wall time")
    else:
        where = f"{THREADS} threads on cores {cores()}"
        measure = "wall time (CPU time adds up the threads)"
    print(f"{WIDTH}x{HEIGHT} photo, {args.runs} runs each after one uncounted round, "
          f"{where}, output to /dev/null; medians; MP/s and ratio "
          f"({'; '.join(ratios)}) from {measure}")
    if args.baseline:
        print(f"Baseline: {args.baseline}; bytes: whether its output equals photofilter's")
    print()
    columns = ["row", "photofilter wall s", "cpu s", "MP/s", "peak MiB"]
    if args.baseline:
        columns += ["baseline wall s", "cpu s", "peak MiB", "ratio", "bytes"]
    if not args.no_peers:
        columns += ["peer", "wall s", "cpu s", "peak MiB", "ratio"]
    print("| " + " | ".join(columns) + " |")
    print("|" + "---|" * len(columns))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--build", default="build")
    parser.add_argument("--rows", default="", help="comma-separated row names to run")
    parser.add_argument("--baseline", default="",
                        help="another photofilter build (binary or build folder) to time alike")
    parser.add_argument("--no-peers", action="store_true", help="leave the other tools out")
    parser.add_argument("--threads", type=int, default=1,
                        help="threads of every tool, on as many cores (default 1)")
    args = parser.parse_args()
    global THREADS
    THREADS = max(args.threads, 1)
    threads_option = ["--threads", str(THREADS)] if THREADS > 1 else []

    program = os.path.join(args.build, "photofilter")
    make_photo = os.path.join(args.build, "bench", "photofilter_make_photo")
    for path in (program, make_photo):
        if not os.access(path, os.X_OK):
            sys.exit(f"peers: {path} is missing; run `make build` first")
    baseline = baseline_program(args.baseline) if args.baseline else None

    with tempfile.TemporaryDirectory() as folder:
        photo = os.path.join(folder, "photo.ppm")
        with open(photo, "wb") as f:
            subprocess.run([make_photo], stdout=f, stderr=subprocess.DEVNULL, check=True)
        masks = write_masks(folder)
        wanted = set(filter(None, args.rows.split(",")))
        print_header(args)
        differing = []
        for name, pf_args, peers in rows(masks):
            if wanted and name not in wanted:
                continue
            if args.no_peers:
                if pf_args is None:
                    continue
                peers = []
            if pf_args is not None:
                pf_args = threads_option + pf_args
            tools = [] if pf_args is None else [("photofilter", [program, *pf_args])]
            bytes_cell = None
            if baseline:
                if pf_args is not None:
                    tools.append(("baseline", [baseline, *pf_args]))
                    bytes_cell = same_bytes(program, baseline, pf_args, photo)
                    if bytes_cell == "no":
                        differing.append(name)
                else:
                    bytes_cell = "-"
            tools += peers
            results, failed = time_rounds(tools, photo, args.runs)
            report_row(name, dict(tools), peers, results, failed, bytes_cell)
            sys.stdout.flush()
        if differing:
            print("\nbytes differ from the baseline: " + ", ".join(differing))


def summary(label, argv, results, failed):
    if not installed(argv):
        return None, "not installed"
    if label in failed or not results[label][0]:
        return None, "failed"
    wall, cpu, peak = results[label]
    return (statistics.median(wall), statistics.median(cpu), max(peak)), ""


def measured(figures):
    """The seconds that MP/s and ratios come from: CPU on one core, wall on many."""
    return figures[1] if THREADS == 1 else figures[0]


def photofilter_cells(argv, results, failed):
    """The four photofilter cells and its CPU seconds (None: no figures)."""
    if argv is None:
        return ["-", "-", "-", "-"], None
    pf, why = summary("photofilter", argv, results, failed)
    if pf is None:
        return [why, "", "", ""], None
    mps = WIDTH * HEIGHT / 1e6 / max(measured(pf), 1e-3)
    return [f"{pf[0]:.3f}", f"{pf[1]:.3f}", f"{mps:.0f}", f"{pf[2]:.0f}"], measured(pf)


def timed_cells(label, argv, results, failed, pf_seconds):
    """Wall, CPU, peak and ratio of one tool against photofilter's CPU seconds."""
    if argv is None:
        return ["-", "-", "-", "-"]
    figures, why = summary(label, argv, results, failed)
    if figures is None:
        return [why, "", "", ""]
    ratio = f"{measured(figures) / max(pf_seconds, 1e-3):.2f}" if pf_seconds else "-"
    return [f"{figures[0]:.3f}", f"{figures[1]:.3f}", f"{figures[2]:.0f}", ratio]


def report_row(name, argv_of, peers, results, failed, bytes_cell):
    """One table line per peer (or one line without peers), each repeating
    the photofilter and baseline cells."""
    pf_cells, pf_seconds = photofilter_cells(argv_of.get("photofilter"), results, failed)
    if bytes_cell is not None:
        pf_cells += timed_cells("baseline", argv_of.get("baseline"), results, failed,
                                pf_seconds) + [bytes_cell]
    if not peers:
        print("| " + " | ".join([name, *pf_cells]) + " |")
    for label, argv in peers:
        cells = [label, *timed_cells(label, argv, results, failed, pf_seconds)]
        print("| " + " | ".join([name, *pf_cells, *cells]) + " |")


if __name__ == "__main__":
    main()
