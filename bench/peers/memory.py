"""Peak resident memory of pellora-cli runs, for the sizes that used to make it grow.

Builds (once, under the work folder) a 16384×16000 24-bit run-length TGA
stored bottom row first, whose top row comes last in the file, and a folder of
10,000 small TGA files; then runs pellora-cli over each with --jobs 2 and
--jobs 8 and reads each run's peak resident set size from the kernel
(GNU time's %M, so that nothing of this Python process is counted). With
--baseline-cli, an older build runs the same
inputs in the same session, for comparison.
"""

import argparse
import shutil
import subprocess
import sys
from pathlib import Path

import numpy as np

HUGE_WIDTH, HUGE_HEIGHT = 16384, 16000
SMALL_FILES = 10_000


def tga_header(width, height, image_type, bits, descriptor):
    return bytes([0, 0, image_type, 0, 0, 0, 0, 0, 0, 0, 0, 0]) + width.to_bytes(2, "little") + \
        height.to_bytes(2, "little") + bytes([bits, descriptor])


def make_huge(path):
    """Rows of alternating 64-pixel runs and 64-pixel raw packets, shaded by row."""
    if path.exists():
        return
    x = np.arange(64, dtype=np.uint32)
    with open(path, "wb") as out:
        out.write(tga_header(HUGE_WIDTH, HUGE_HEIGHT, 10, 24, 0x00))
        for y in range(HUGE_HEIGHT):
            row = bytearray()
            for block in range(HUGE_WIDTH // 128):
                shade = (y + block * 7) % 256
                row += bytes([0x80 | 63, shade, 255 - shade, (shade * 3) % 256])
                raw = np.stack([(x * 4 + y) % 256, (x + block) % 256, np.full(64, shade)], axis=1).astype(np.uint8)
                row += bytes([63]) + raw.tobytes()
            out.write(row)


def make_many(folder):
    if folder.exists() and len(list(folder.iterdir())) == SMALL_FILES:
        return
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    pixels = np.random.default_rng(5).integers(0, 256, size=64 * 48 * 4, dtype=np.uint8).tobytes()
    header = tga_header(64, 48, 2, 32, 0x08)
    for i in range(SMALL_FILES):
        (folder / f"shot{i:05d}.tga").write_bytes(header + pixels)


def peak_rss_mib(command, work):
    report = work / "peak-kib.txt"
    result = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", str(report)] + command, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    if result.returncode not in (0, 1):
        raise RuntimeError(f"{command} failed ({result.returncode}): {result.stderr[:300]}")
    return int(report.read_text().split()[-1]) / 1024


def measure(cli, source, work, jobs, settings):
    out = work / "memory-out"
    shutil.rmtree(out, ignore_errors=True)
    out.mkdir()
    command = [str(cli), "--in", str(source), "--out", str(out), "--keep", "--no-log", "--quality", "90",
               "--jobs", str(jobs), "--settings", str(settings)]
    peak = peak_rss_mib(command, work)
    converted = len(list(out.glob("*.jpg")))
    shutil.rmtree(out)
    return peak, converted


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, type=Path)
    parser.add_argument("--baseline-cli", type=Path, help="an older pellora-cli to measure beside it")
    parser.add_argument("--work", required=True, type=Path)
    parser.add_argument("--markdown", type=Path, help="markdown file whose memory block is replaced")
    args = parser.parse_args()
    work = args.work.resolve()
    work.mkdir(parents=True, exist_ok=True)
    huge_folder = work / "huge"
    huge_folder.mkdir(exist_ok=True)
    print("building the inputs", file=sys.stderr)
    make_huge(huge_folder / "huge.tga")
    make_many(work / "many")
    settings = work / "empty-settings.ini"
    settings.write_bytes(b"[initialize]\r\n")  # --settings must name a usable file

    builds = [("Pellora", args.cli.resolve())]
    if args.baseline_cli:
        builds.append(("before", args.baseline_cli.resolve()))
    inputs = [("one 16384×16000 24-bit run-length TGA, bottom row first", huge_folder),
              ("10,000 small TGA files (64×48 32-bit; the run stops at serial 999)", work / "many")]
    lines = ["| Input | Build | --jobs | Peak resident MiB | JPEGs written |", "|---|---|---:|---:|---:|"]
    for label, folder in inputs:
        for name, cli in builds:
            for jobs in (2, 8):
                peak, converted = measure(cli, folder, work, jobs, settings)
                print(f"{label} {name} --jobs {jobs}: {peak:.1f} MiB, {converted} JPEGs", file=sys.stderr)
                lines.append(f"| {label} | {name} | {jobs} | {peak:.1f} | {converted} |")
    block = "\n".join(lines)
    print(block)
    if args.markdown:
        begin, end = "<!-- memory:begin -->", "<!-- memory:end -->"
        text = args.markdown.read_text()
        if begin not in text:
            text += f"\n{begin}\n{end}\n"
        head, rest = text.split(begin, 1)
        _, tail = rest.split(end, 1)
        args.markdown.write_text(f"{head}{begin}\n{block}\n{end}{tail}")


if __name__ == "__main__":
    main()
