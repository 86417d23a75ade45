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

  bench/peers.py [--runs N] [--build DIR] [--rows NAME,NAME...]

Peers install with: apt-get install netpbm imagemagick graphicsmagick libvips-tools
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 6000, 4000
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"
ONE_THREAD = {
    "OMP_NUM_THREADS": "1",
    "MAGICK_THREAD_LIMIT": "1",
    "VIPS_CONCURRENCY": "1",
}


def convert(*ops):
    return [CONVERT, "-limit", "thread", "1", "ppm:-", *ops, "ppm:-"]


def gm(*ops):
    return ["gm", "convert", "-limit", "threads", "1", "ppm:-", *ops, "ppm:-"]


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


def time_once(argv, photo):
    """Wall seconds, CPU seconds and peak resident MiB of one whole process."""
    env = dict(os.environ, **ONE_THREAD)
    with open(photo, "rb") as stdin, open(os.devnull, "wb") as devnull:
        start = time.perf_counter()
        process = subprocess.Popen(["taskset", "-c", "0", *argv], stdin=stdin,
                                   stdout=devnull, stderr=subprocess.DEVNULL, env=env)
        _, status, usage = os.wait4(process.pid, 0)
        seconds = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        return None
    return seconds, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--build", default="build")
    parser.add_argument("--rows", default="", help="comma-separated row names to run")
    args = parser.parse_args()

    program = os.path.join(args.build, "photofilter")
    make_photo = os.path.join(args.build, "bench", "photofilter_make_photo")
    for path in (program, make_photo):
        if not os.access(path, os.X_OK):
            sys.exit(f"peers: {path} is missing; run `make build` first")

    with tempfile.TemporaryDirectory() as folder:
        photo = os.path.join(folder, "photo.ppm")
        with open(photo, "wb") as f:
            subprocess.run([make_photo], stdout=f, stderr=subprocess.DEVNULL, check=True)
        masks = write_masks(folder)
        wanted = set(filter(None, args.rows.split(",")))
        print(f"{WIDTH}x{HEIGHT} photo, {args.runs} runs each after one uncounted round, "
              "one core (taskset -c 0), output to /dev/null; medians; MP/s and ratio "
              "(peer / photofilter) from CPU time (user + system), which a busy or "
              "throttled virtual machine disturbs less than wall time\n")
        print("| row | photofilter wall s | cpu s | MP/s | peak MiB "
              "| peer | wall s | cpu s | peak MiB | ratio |")
        print("|---|---|---|---|---|---|---|---|---|---|")
        for name, pf_args, peers in rows(masks):
            if wanted and name not in wanted:
                continue
            # Alternate the tools run by run so that drifts hit all alike.
            tools = [] if pf_args is None else [("photofilter", [program, *pf_args])]
            tools += [(label, argv) for label, argv in peers]
            results = {label: ([], [], []) for label, _ in tools}
            failed = set()
            # One round first that is not counted: fresh memory of this
            # machine is slow on its first touch, and the first run of each
            # tool pays for it.
            for run in range(args.runs + 1):
                for label, argv in tools:
                    if label in failed or (shutil.which(argv[0]) is None
                                            and not os.access(argv[0], os.X_OK)):
                        continue
                    result = time_once(argv, photo)
                    if result is None:
                        failed.add(label)
                        continue
                    if run > 0:
                        for column, value in zip(results[label], result):
                            column.append(value)
            report_row(name, tools[0][1] if pf_args is not None else None, peers, results, failed)
            sys.stdout.flush()


def summary(label, argv, results, failed):
    if shutil.which(argv[0]) is None and not os.access(argv[0], os.X_OK):
        return None, "not installed"
    if label in failed or not results[label][0]:
        return None, "failed"
    wall, cpu, peak = results[label]
    return (statistics.median(wall), statistics.median(cpu), max(peak)), ""


def report_row(name, pf_argv, peers, results, failed):
    if pf_argv is None:
        pf_cells = ["-", "-", "-", "-"]
        pf_seconds = None
    else:
        pf, why = summary("photofilter", pf_argv, results, failed)
        if pf is None:
            print(f"| {name} | {why} | | | | | | | | |")
            return
        pf_seconds = pf[1]
        pf_cells = [f"{pf[0]:.3f}", f"{pf[1]:.3f}", f"{WIDTH * HEIGHT / 1e6 / max(pf[1], 1e-3):.0f}",
                    f"{pf[2]:.0f}"]
    for label, argv in peers:
        peer, why = summary(label, argv, results, failed)
        if peer is None:
            cells = [label, why, "", "", ""]
        else:
            ratio = f"{peer[1] / max(pf_seconds, 1e-3):.2f}" if pf_seconds else "-"
            cells = [label, f"{peer[0]:.3f}", f"{peer[1]:.3f}", f"{peer[2]:.0f}", ratio]
        print("| " + " | ".join([name, *pf_cells, *cells]) + " |")


if __name__ == "__main__":
    main()
