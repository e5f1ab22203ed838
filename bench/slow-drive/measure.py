"""Times pellora-cli on the local disk and on a drive slow to flush, this build against an older one.

Every repetition runs each combination once (build, drive, --jobs) and the
encode-only floor once, in an order that rotates from one repetition to the
next, so load from elsewhere spreads over all of them. Each run writes the
whole corpus into a fresh, empty output folder on its drive, with --keep and
--log and an empty settings file; the folder is removed and the disks flushed
between runs, outside the clock. The corpus stays in the page cache for all.
"""

import argparse
import json
import os
import platform
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "peers"))
from measure import (QUALITY, corpus_files, cpu_model, fresh_folder, megapixels,  # noqa: E402
                     replace_between_markers, run_floor, wait_until_quiet)


def pellora(cli, corpus, out, jobs, settings):
    """Seconds of one whole run, and the JPEGs it wrote (count, bytes)."""
    fresh_folder(out)
    command = [str(cli), "--in", str(corpus), "--out", str(out), "--prefix", "sshot", "--quality", str(QUALITY),
               "--log", "--keep", "--jobs", str(jobs), "--settings", str(settings)]
    started = time.perf_counter()
    result = subprocess.run(command, capture_output=True, text=True)
    elapsed = time.perf_counter() - started
    if result.returncode != 0:
        raise RuntimeError(f"{' '.join(command)} failed ({result.returncode}): {result.stderr.strip()[:500]}")
    jpegs = [path for path in out.iterdir() if path.suffix == ".jpg"]
    return elapsed, len(jpegs), sum(path.stat().st_size for path in jpegs)


def measure(runs, floor, corpus, settings, repetitions, files):
    """runs: {key: (cli, out folder, jobs)}; returns seconds per key and the floor's."""
    seconds = {key: [] for key in runs}
    written = {}
    floor_seconds = []
    order = ["floor"] + list(runs)
    for repetition in range(repetitions):
        shift = repetition % len(order)
        for key in order[shift:] + order[:shift]:
            if key == "floor":
                floor_seconds.append(run_floor(floor, corpus)[0])
                continue
            cli, out, jobs = runs[key]
            elapsed, count, size = pellora(cli, corpus, out, jobs, settings)
            if count != files:
                raise RuntimeError(f"{key} wrote {count} JPEG files for {files} TGA files")
            seconds[key].append(elapsed)
            written.setdefault(key, size)
            print(f"[{repetition + 1}/{repetitions}] {key} {elapsed:.3f} s", file=sys.stderr)
    return seconds, floor_seconds, written


def report(args, seconds, floor_seconds, written, files, total_mp, started, loads):
    median = {key: statistics.median(values) for key, values in seconds.items()}
    spread = {key: f"{min(values):.2f}–{max(values):.2f}" for key, values in seconds.items()}
    floor = statistics.median(floor_seconds)
    slow = f"{args.delay_ms} ms drive"
    rows = ["| Drive | --jobs | before: median s | before: range s | now: median s | now: range s | now vs before |",
            "|---|---:|---:|---:|---:|---:|---:|"]
    for drive, label in (("local", "local disk"), ("slow", slow)):
        for jobs in args.jobs:
            old, new = f"old-{drive}-{jobs}", f"new-{drive}-{jobs}"
            rows.append(f"| {label} | {jobs} | {median[old]:.2f} | {spread[old]} | {median[new]:.2f} | "
                        f"{spread[new]} | {median[old] / median[new]:.2f}× as fast |")
    most = args.jobs[-1]

    # Each ratio twice: of the medians, and the median of the ratios within
    # each repetition, which holds better when the machine's speed drifts.
    def ratio(top, bottom):
        pairs = statistics.median(a / b for a, b in zip(top, bottom))
        return f"{statistics.median(top) / statistics.median(bottom):.2f}× (within a repetition {pairs:.2f}×)"

    def floor_ratio(build, jobs):
        return ratio(floor_seconds, seconds[f"{build}-local-{jobs}"])

    def slow_ratio(build, jobs):
        return ratio(seconds[f"{build}-slow-{jobs}"], seconds[f"{build}-local-{jobs}"])
    verdicts = [
        f"- Encode-only floor (TurboJPEG, 1 thread, from memory): {floor:.3f} s "
        f"({spread_of(floor_seconds)}).",
        f"- Local disk, `--jobs 1`: {floor_ratio('new', 1)} the floor's speed now, "
        f"{floor_ratio('old', 1)} before (target ≥ 0.9×).",
        f"- Local disk, all cores (`--jobs {most}`): {floor_ratio('new', most)} the floor's speed now, "
        f"{floor_ratio('old', most)} before (target ≥ 1.5×).",
    ]
    if 2 in args.jobs:
        verdicts.append(f"- `--jobs 2` on the {slow}: {slow_ratio('new', 2)} its time on the local disk now, "
                        f"{slow_ratio('old', 2)} before (target ≤ 1.5×).")
    ladder = ", ".join(f"`--jobs {jobs}` {median[f'new-slow-{jobs}']:.2f} s" for jobs in args.jobs)
    old_ladder = ", ".join(f"`--jobs {jobs}` {median[f'old-slow-{jobs}']:.2f} s" for jobs in args.jobs)
    verdicts.append(f"- On the {slow}, now: {ladder}; before: {old_ladder}.")
    sizes = sorted(set(written.values()))
    verdicts.append(f"- Every run wrote {files} JPEGs; "
                    + (f"all {sizes[0]} bytes in total, the same for both builds."
                       if len(sizes) == 1 else f"NOT the same bytes: {sizes}."))
    caption = (f"Measured {started} on {cpu_model()}, {os.cpu_count()} hardware threads, {platform.system()} "
               f"{platform.release()}; {files} files, {total_mp:.1f} megapixels{args.corpus_note}; quality {QUALITY}; "
               f"median of {args.repetitions} interleaved runs each; before = {args.baseline_label}, now = this "
               f"build. The slow drive passes the local disk through FUSE and waits {args.delay_ms} ms in every "
               f"sync of a file or a folder. 1-minute load {loads[0]:.2f} before, {loads[1]:.2f} after.")
    return "\n".join([caption, "", *rows, "", *verdicts])


def spread_of(values):
    return f"{min(values):.3f}–{max(values):.3f} s"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--corpus", required=True, type=Path)
    parser.add_argument("--local-out", required=True, type=Path, help="output folder on the local disk")
    parser.add_argument("--slow-out", required=True, type=Path, help="output folder on the slow drive")
    parser.add_argument("--new", required=True, type=Path, help="pellora-cli of this build")
    parser.add_argument("--old", required=True, type=Path, help="pellora-cli of the older build")
    parser.add_argument("--baseline-label", default="the older build")
    parser.add_argument("--floor", required=True, type=Path)
    parser.add_argument("--jobs", default=f"1,2,{os.cpu_count()}")
    parser.add_argument("--delay-ms", type=int, default=20)
    parser.add_argument("--repetitions", type=int, default=7)
    parser.add_argument("--wait-quiet", type=float, default=0, help="wait until the 1-minute load is below this")
    parser.add_argument("--markdown", type=Path, help="markdown file whose slow-drive block is replaced")
    parser.add_argument("--work", required=True, type=Path, help="folder for the raw results")
    parser.add_argument("--corpus-note", default="")
    args = parser.parse_args()
    args.jobs = sorted({int(jobs) for jobs in args.jobs.split(",")})

    files = corpus_files(args.corpus)
    total_mp = megapixels(files)
    args.work.mkdir(parents=True, exist_ok=True)
    settings = args.work / "empty-settings.ini"
    settings.write_bytes(b"[initialize]\r\n")  # no values: only the options count
    runs = {}
    for build, cli in (("old", args.old), ("new", args.new)):
        for drive, out in (("local", args.local_out), ("slow", args.slow_out)):
            for jobs in args.jobs:
                runs[f"{build}-{drive}-{jobs}"] = (cli.resolve(), out / f"{build}-{jobs}", jobs)

    load_before = wait_until_quiet(args.wait_quiet, 2400)[0] if args.wait_quiet else os.getloadavg()[0]
    subprocess.run(["cat"] + [str(f) for f in files], stdout=subprocess.DEVNULL, check=True)  # into the page cache
    started = time.strftime("%Y-%m-%d %H:%M")
    seconds, floor_seconds, written = measure(runs, args.floor, args.corpus, settings, args.repetitions, len(files))
    loads = (load_before, os.getloadavg()[0])
    block = report(args, seconds, floor_seconds, written, len(files), total_mp, started, loads)
    print(block)
    (args.work / "results.json").write_text(json.dumps(
        {"started": started, "loads": loads, "floor": floor_seconds, "seconds": seconds, "jobs": args.jobs,
         "delay_ms": args.delay_ms, "baseline": args.baseline_label}, indent=1))
    (args.work / "results.md").write_text(block + "\n")
    if args.markdown:
        replace_between_markers(args.markdown, block, "slow-drive")


if __name__ == "__main__":
    main()
