"""Times Pellora against the converters a user would pick instead, on one corpus.

Every repetition runs every tool once, in an order that rotates from one
repetition to the next, so a burst of load on the machine spreads over all
tools instead of landing on one. Each tool writes into a fresh, empty output
folder; the folder is removed and the disk flushed between runs, outside the
clock. The corpus stays in the page cache for all of them alike.

Pellora pays for its durable writes (a sync of each file and its folder) and
its log; the other tools return as soon as their data sits in the page cache.
The floor is TurboJPEG alone encoding pixels already decoded in memory, on
one thread: no reading, no decoding, no writing.
"""

import argparse
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

import numpy as np
from PIL import Image

QUALITY = 90


@dataclass
class Tool:
    key: str
    label: str
    command: str  # shown in the table; run by bash in the corpus folder, $OUT is the output folder
    needs: list
    package: str
    seconds: list = field(default_factory=list)
    psnr: float | None = None
    verdict: str = ""
    outputs: int | None = None
    jpeg_bytes: int = 0
    consumes_input: bool = False  # deletes its sources: runs on a fresh copy of the corpus


def per_file(body):
    return f'set -e; for f in *.tga; do {body}; done'


def peer_tools():
    q = QUALITY
    return [
        Tool("imagemagick", "ImageMagick mogrify", f'mogrify -path "$OUT" -format jpg -quality {q} *.tga',
             ["mogrify"], "imagemagick"),
        Tool("graphicsmagick", "GraphicsMagick gm mogrify",
             f'gm mogrify -output-directory "$OUT" -format jpg -quality {q} *.tga', ["gm"], "graphicsmagick"),
        Tool("cjpeg", "cjpeg -targa, per file",
             per_file(f'cjpeg -targa -quality {q} -outfile "$OUT/${{f%.tga}}.jpg" "$f"'), ["cjpeg"],
             "libjpeg-turbo-progs"),
        Tool("pillow", "Pillow, Python loop", f'/usr/bin/python3 "$PEERS/pillow_folder.py" . "$OUT" {q}', [],
             "python3-pil"),
        Tool("netpbm", "netpbm tgatoppm | pnmtojpeg, per file",
             per_file(f'tgatoppm "$f" 2>/dev/null | pnmtojpeg --quality={q} > "$OUT/${{f%.tga}}.jpg"'),
             ["tgatoppm", "pnmtojpeg"], "netpbm"),
        Tool("vips", "libvips vips jpegsave, per file",
             per_file(f'vips jpegsave "$f" "$OUT/${{f%.tga}}.jpg" --Q {q}'), ["vips"], "libvips-tools"),
        Tool("exactimage", "ExactImage econvert, per file",
             per_file(f'econvert -i "$f" --quality {q} -o "$OUT/${{f%.tga}}.jpg"'), ["econvert"], "exactimage"),
        # Its JPEG encoder has no 1-100 scale; -q:v 2 is its usual "high quality".
        Tool("ffmpeg", "FFmpeg, per file (-q:v 2)",
             per_file('ffmpeg -nostdin -v error -i "$f" -q:v 2 "$OUT/${f%.tga}.jpg"'), ["ffmpeg"], "ffmpeg"),
    ]


def pellora_tools(cli, settings, threads):
    base = f'"{cli}" --in . --out "$OUT" --prefix sshot --quality {QUALITY} --log --settings "{settings}"'
    return [
        Tool("pellora-1", "Pellora --jobs 1", base + " --keep --jobs 1", [], "pellora"),
        Tool("pellora-all", f"Pellora, all threads ({threads})", base + " --keep", [], "pellora"),
        # Deleting reads each source once more, to be sure it still holds what was converted.
        Tool("pellora-1-delete", "Pellora --jobs 1 --delete", base + " --delete --jobs 1", [], "pellora",
             consumes_input=True),
    ]


def wait_until_quiet(threshold, longest):
    started = time.monotonic()
    while True:
        load = os.getloadavg()[0]
        if load < threshold:
            return load, time.monotonic() - started
        if time.monotonic() - started >= longest:
            print(f"machine still busy (load {load:.2f}); measuring anyway", file=sys.stderr)
            return load, time.monotonic() - started
        print(f"load {load:.2f} >= {threshold}; waiting", file=sys.stderr)
        time.sleep(60)


def corpus_files(corpus):
    return sorted(p for p in corpus.iterdir() if p.suffix.lower() == ".tga")


def megapixels(files):
    total = 0
    for path in files:
        with Image.open(path) as picture:
            total += picture.width * picture.height
    return total / 1e6


def fresh_folder(path):
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    os.sync()


def run_floor(floor, corpus):
    result = subprocess.run([str(floor), "--quality", str(QUALITY), str(corpus)], capture_output=True, text=True,
                            check=True)
    fields = dict(item.split("=") for item in result.stdout.split())
    return float(fields["seconds"]), int(fields["bytes"])


def scratch_copy(corpus, work):
    """A fresh copy of the corpus for a tool that deletes its sources; warm in the page cache like the corpus."""
    scratch = work / "scratch-in"
    fresh_folder(scratch)
    for source in corpus_files(corpus):
        shutil.copy2(source, scratch / source.name)
    os.sync()
    return scratch


def run_tool(tool, corpus, out, peers_dir, work):
    folder = scratch_copy(corpus, work) if tool.consumes_input else corpus
    fresh_folder(out)
    env = dict(os.environ, OUT=str(out), PEERS=str(peers_dir))
    started = time.perf_counter()
    result = subprocess.run(["bash", "-c", tool.command], cwd=folder, env=env, capture_output=True, text=True)
    elapsed = time.perf_counter() - started
    if result.returncode != 0:
        raise RuntimeError(f"{tool.label} failed ({result.returncode}): {result.stderr.strip()[:500]}")
    return elapsed


def produced_pairs(tool, corpus, out):
    """(source, JPEG) pairs the tool wrote; Pellora's come from its log."""
    if tool.key.startswith("pellora"):
        pairs = []
        for line in (out / "kavlog.txt").read_bytes().decode("cp932").splitlines():
            parts = line.split("\t--->\t")
            if len(parts) == 2:
                pairs.append((corpus / parts[0], out / parts[1].strip()))
        return pairs
    return [(source, out / (source.stem + ".jpg")) for source in corpus_files(corpus)]


def psnr(source, jpeg):
    """PSNR of the JPEG against its source, of the JPEG turned upside down, and the JPEG's colour model."""
    with Image.open(source) as a, Image.open(jpeg) as b:
        x = np.asarray(a.convert("RGB"), dtype=np.float64)
        y = np.asarray(b.convert("RGB"), dtype=np.float64)
        mode = b.mode
    if x.shape != y.shape:
        return 0.0, 0.0, mode

    def db(z):
        mse = np.mean((x - z) ** 2)
        return 99.0 if mse == 0 else float(10 * np.log10(255 ** 2 / mse))
    return db(y), db(y[::-1]), mode


def check_outputs(tool, corpus, out, inputs):
    """Counts the JPEGs and compares the first picture of each kind with its source."""
    jpegs = list(out.glob("*.jpg"))
    tool.outputs = len(jpegs)
    tool.jpeg_bytes = sum(jpeg.stat().st_size for jpeg in jpegs)
    samples, upside_down, not_rgb, seen = [], [], [], set()
    for source, jpeg in produced_pairs(tool, corpus, out):
        kind = source.stem.split("-")[0]
        if kind in seen or not jpeg.exists():
            continue
        seen.add(kind)
        straight, flipped, mode = psnr(source, jpeg)
        samples.append(straight)
        if flipped > straight + 10:
            upside_down.append(kind)
        # A four-channel JPEG is read as CMYK by viewers: wrong colours for most of them.
        if mode not in ("RGB", "L"):
            not_rgb.append(f"{kind} as {mode}")
    tool.psnr = min(samples) if samples else 0.0
    faults = (["upside down: " + ", ".join(upside_down)] if upside_down else []) + (
        ["JPEG " + ", ".join(not_rgb)] if not_rgb else [])
    tool.verdict = "; ".join(faults) if faults else "right way up"
    if tool.key.startswith("pellora") and tool.outputs != inputs:
        raise RuntimeError(f"{tool.label} wrote {tool.outputs} JPEG files for {inputs} TGA files")


def package_version(package):
    result = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True, text=True)
    return result.stdout.strip() if result.returncode == 0 else "?"


def cpu_model():
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            return line.split(":", 1)[1].strip()
    return platform.processor() or "?"


def measure(tools, floor, corpus, work, repetitions, peers_dir, inputs):
    floor_seconds, floor_bytes = [], 0
    order = ["floor"] + [tool.key for tool in tools]
    by_key = {tool.key: tool for tool in tools}
    for repetition in range(repetitions):
        shift = repetition % len(order)
        for key in order[shift:] + order[:shift]:
            if key == "floor":
                seconds, floor_bytes = run_floor(floor, corpus)
                floor_seconds.append(seconds)
                print(f"[{repetition + 1}/{repetitions}] floor {floor_seconds[-1]:.3f} s", file=sys.stderr)
                continue
            tool = by_key[key]
            out = work / f"out-{key}"
            tool.seconds.append(run_tool(tool, corpus, out, peers_dir, work))
            print(f"[{repetition + 1}/{repetitions}] {tool.label} {tool.seconds[-1]:.3f} s", file=sys.stderr)
            if repetition == 0:
                check_outputs(tool, corpus, out, inputs)
            shutil.rmtree(out)
            os.sync()
    return floor_seconds, floor_bytes


def results_table(rows, floor_median, total_mp):
    lines = [
        "| Tool | Median s | Range s | MP/s | × floor | Min PSNR dB | Output check | JPEGs |",
        "|---|---:|---:|---:|---:|---:|---|---:|",
    ]
    for label, seconds, outputs, quality, verdict in rows:
        median = statistics.median(seconds)
        lines.append(
            f"| {label.replace('|', chr(92) + '|')} | {median:.2f} | {min(seconds):.2f}–{max(seconds):.2f} | {total_mp / median:.0f} "
            f"| {floor_median / median:.2f} | {quality} | {verdict} | {outputs} |")
    return "\n".join(lines)


def chart_note(verdict):
    faults = [name for name, word in (("upside down", "upside"), ("CMYK", "CMYK")) if word in verdict]
    return f" ({', '.join(faults)})" if faults else ""


def chart(rows, floor_median, total_mp, path, title):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    labels = [row[0] for row in rows][::-1]
    speeds = [total_mp / statistics.median(row[1]) for row in rows][::-1]
    notes = [chart_note(str(row[4])) for row in rows][::-1]
    colours = ["#2b7bba" if label.startswith("Pellora") else "#d62728" if label.startswith("Encode-only")
               else "#999999" for label in labels]
    figure, axes = plt.subplots(figsize=(9, 0.45 * len(rows) + 1.4), dpi=110)
    bars = axes.barh(labels, speeds, color=colours)
    axes.axvline(total_mp / floor_median, color="#d62728", linestyle="--", linewidth=1)
    for bar, speed, note in zip(bars, speeds, notes):
        axes.text(bar.get_width(), bar.get_y() + bar.get_height() / 2, f" {speed:.0f}{note}", va="center",
                  fontsize=8)
    axes.set_xlabel("megapixels per second (median; higher is faster)")
    axes.set_title(title, fontsize=10)
    axes.margins(x=0.25)
    figure.tight_layout()
    path.parent.mkdir(parents=True, exist_ok=True)
    figure.savefig(path)


def replace_between_markers(markdown_path, block, name="results"):
    begin, end = f"<!-- {name}:begin -->", f"<!-- {name}:end -->"
    text = markdown_path.read_text() if markdown_path.exists() else f"{begin}\n{end}\n"
    if begin not in text or end not in text:
        text += f"\n{begin}\n{end}\n"
    head, rest = text.split(begin, 1)
    _, tail = rest.split(end, 1)
    markdown_path.write_text(f"{head}{begin}\n{block}\n{end}{tail}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--corpus", required=True, type=Path)
    parser.add_argument("--work", required=True, type=Path, help="folder for the output folders and raw results")
    parser.add_argument("--cli", required=True, type=Path)
    parser.add_argument("--floor", required=True, type=Path)
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("--only", default="", help="comma-separated tool keys to run (default: all available)")
    parser.add_argument("--wait-quiet", type=float, default=0, help="wait until the 1-minute load is below this")
    parser.add_argument("--wait-longest", type=float, default=2400, help="seconds to wait for a quiet machine")
    parser.add_argument("--markdown", type=Path, help="markdown file whose results block is replaced")
    parser.add_argument("--chart", type=Path, help="PNG chart to write")
    parser.add_argument("--corpus-note", default="", help="how the corpus was made, for the table's caption")
    args = parser.parse_args()
    # The tools run inside the corpus folder, so relative paths would point elsewhere.
    args.corpus, args.work = args.corpus.resolve(), args.work.resolve()

    peers_dir = Path(__file__).resolve().parent
    files = corpus_files(args.corpus)
    if not files:
        sys.exit(f"no TGA files in {args.corpus}")
    total_mp = megapixels(files)
    threads = os.cpu_count()
    args.work.mkdir(parents=True, exist_ok=True)
    settings = args.work / "empty-settings.ini"
    settings.write_bytes(b"[initialize]\r\n")  # no values: only the options count

    tools = pellora_tools(args.cli.resolve(), settings, threads)
    skipped = []
    for tool in peer_tools():
        missing = [program for program in tool.needs if shutil.which(program) is None]
        if missing:
            skipped.append(f"{tool.label} (missing {', '.join(missing)})")
        else:
            tools.append(tool)
    if args.only:
        wanted = set(args.only.split(","))
        tools = [tool for tool in tools if tool.key in wanted]

    load_before, waited = wait_until_quiet(args.wait_quiet, args.wait_longest) if args.wait_quiet else (
        os.getloadavg()[0], 0)
    subprocess.run(["cat"] + [str(f) for f in files], stdout=subprocess.DEVNULL, check=True)  # into the page cache
    started = time.strftime("%Y-%m-%d %H:%M")
    floor_seconds, floor_bytes = measure(tools, args.floor, args.corpus, args.work, args.repetitions, peers_dir, len(files))
    load_after = os.getloadavg()[0]

    floor_median = statistics.median(floor_seconds)
    rows = [("Encode-only floor (TurboJPEG, 1 thread, from memory)", floor_seconds, "—", "—", "—")]
    rows += [(tool.label, tool.seconds, tool.outputs, f"{tool.psnr:.1f}", tool.verdict) for tool in tools]
    table = results_table(rows, floor_median, total_mp)

    medians = {tool.key: statistics.median(tool.seconds) for tool in tools}
    verdicts = []
    if "pellora-1" in medians:
        ratio = floor_median / medians["pellora-1"]
        verdicts.append(f"- `--jobs 1` vs the floor: {ratio:.2f}× the floor's speed (target ≥ 0.9×)")
    if "pellora-all" in medians:
        ratio = floor_median / medians["pellora-all"]
        verdicts.append(f"- all threads vs the floor: {ratio:.2f}× the floor's speed (target ≥ 1.5×)")
    if "pellora-1" in medians and "pellora-1-delete" in medians:
        extra = medians["pellora-1-delete"] / medians["pellora-1"] - 1
        verdicts.append(f"- `--delete` (each source read once more and checked before it goes): "
                        f"{100 * extra:+.0f}% on `--jobs 1`")
    for tool in tools:
        if tool.key.startswith("pellora"):
            same = "the same as" if tool.jpeg_bytes == floor_bytes else "NOT the same as"
            verdicts.append(f"- {tool.label} wrote {tool.jpeg_bytes} bytes of JPEG, {same} the floor's {floor_bytes}")
    peers = [tool for tool in tools if not tool.key.startswith("pellora")]
    if peers and "pellora-all" in medians:
        fastest = min(peers, key=lambda tool: medians[tool.key])
        verdicts.append(f"- fastest peer: {fastest.label}, {medians[fastest.key]:.2f} s; Pellora (all threads) is "
                        f"{medians[fastest.key] / medians['pellora-all']:.2f}× as fast")

    caption = (f"Measured {started} on {cpu_model()}, {threads} hardware threads, {platform.system()} "
               f"{platform.release()}; {len(files)} files, {total_mp:.1f} megapixels{args.corpus_note}; quality "
               f"{QUALITY}; median of {args.repetitions} runs per tool. 1-minute load {load_before:.2f} before, "
               f"{load_after:.2f} after.")
    versions = ", ".join(sorted({f"{tool.package} {package_version(tool.package)}" for tool in peers}))
    block = "\n".join([caption, "", table, "", *verdicts, "", f"Versions: {versions}."] +
                      ([f"Not run: {'; '.join(skipped)}."] if skipped else []))
    print(block)

    raw = {"started": started, "load_before": load_before, "load_after": load_after, "waited_seconds": waited,
           "megapixels": total_mp, "files": len(files), "floor": floor_seconds,
           "tools": {tool.key: {"label": tool.label, "command": tool.command, "seconds": tool.seconds,
                                "outputs": tool.outputs, "min_psnr": tool.psnr, "pictures": tool.verdict}
                     for tool in tools}}
    (args.work / "results.json").write_text(json.dumps(raw, indent=1))
    (args.work / "results.md").write_text(block + "\n")
    if args.markdown:
        replace_between_markers(args.markdown, block)
    if args.chart:
        chart(rows, floor_median, total_mp, args.chart,
              f"TGA screenshots to JPEG, quality {QUALITY}: {len(files)} files, {total_mp:.0f} MP, {threads} threads")


if __name__ == "__main__":
    main()
