#!/usr/bin/env python3
"""Prints the benchmark figures of one run as Markdown: a table of every benchmark at 10^3 to
10^6 persons with its ratio of 10^6 to 10^3 (for an edit taken at several spots of the tree, the
worst spot at each size), and the goals at 10^6.

usage: report.py RESULTS_DIR   (the *.json files written by --benchmark_out)
"""
import json
import pathlib
import sys

SIZES = (1000, 10000, 100000, 1000000)
BYTE_SIZES = (10000, 100000, 1000000)
ODD_FILES = ("BM_LoadSharedName", "BM_LoadMarkers")
SCALE = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def load(results_dir):
    """{(name, size): entry} with time in ns, from every JSON file of the directory."""
    figures = {}
    context = None
    for path in sorted(pathlib.Path(results_dir).glob("*.json")):
        data = json.loads(path.read_text())
        context = context or data.get("context")
        for entry in data.get("benchmarks", []):
            if entry.get("error_occurred"):
                print(f"ERROR in {entry['name']}: {entry.get('error_message')}")
                continue
            if entry.get("run_type") == "aggregate" and entry.get("aggregate_name") != "median":
                continue  # of repeated benchmarks only the median is shown
            # NAME/SIZE, or NAME/persons:SIZE/spot:N for the edits taken at four spots of the
            # tree: of those the worst spot is kept, and named.
            parts = entry["run_name"].split("/")
            name, size = parts[0], int(parts[1].split(":")[-1])
            unit = SCALE[entry.get("time_unit", "ns")]
            entry["real_ns"] = entry["real_time"] * unit
            entry["cpu_ns"] = entry["cpu_time"] * unit
            kept = figures.get((name, size))
            if kept is None or entry["real_ns"] > kept["real_ns"]:
                figures[(name, size)] = entry
    return figures, context


def show_ns(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("µs", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"


def main():
    figures, context = load(sys.argv[1])
    if context:
        print(f"Host: {context.get('num_cpus')} CPUs at {context.get('mhz_per_cpu')} MHz, "
              f"load average {context.get('load_avg')}, library build {context.get('library_build_type')}")
        print()
    names = sorted({name for name, _ in figures if name not in ODD_FILES}, key=lambda n: list(figures).index((n, SIZES[0]))
                   if (n, SIZES[0]) in figures else 0)
    print("| benchmark | 10^3 | 10^4 | 10^5 | 10^6 | 10^6 / 10^3 | per person/item at 10^6 |")
    print("|---|---|---|---|---|---|---|")
    for name in names:
        cells = []
        for size in SIZES:
            entry = figures.get((name, size))
            cells.append(show_ns(entry["real_ns"]) if entry else "–")
        first, last = figures.get((name, SIZES[0]), {}), figures.get((name, SIZES[-1]), {})
        cells.append(f"{last['real_ns'] / first['real_ns']:.3g}" if first and last else "–")
        extra = ""
        if last.get("label"):
            extra = f"worst at the {last['label']}; "
        if "bytes_per_person" in last:
            extra += f"{last['bytes_per_person']:.0f} bytes"
        elif "resident_per_person" in last:
            extra += f"{last['resident_per_person']:.0f} bytes resident"
        elif "process_cpu_ms" in last:
            extra += f"process CPU {last['process_cpu_ms']:.0f} ms"
        else:
            for counter in ("per_person", "per_item"):
                if counter in last:
                    extra += show_ns(last[counter] * 1e9)
        print(f"| {name} | " + " | ".join(cells) + f" | {extra} |")
    print()

    def ratio(name, counter=None, key="real_ns"):
        small, large = figures.get((name, SIZES[0])), figures.get((name, SIZES[-1]))
        if not small or not large:
            return None
        if counter:
            return large[counter] / small[counter]
        return large[key] / small[key]

    if any((name, BYTE_SIZES[0]) in figures for name in ODD_FILES):
        print("| load of a file no save writes | 10^4 bytes | 10^5 bytes | 10^6 bytes "
              "| per kB at 10^6 | per kB, 10^6 / 10^4 |")
        print("|---|---|---|---|---|---|")
        for name in ODD_FILES:
            cells = [show_ns(figures[(name, size)]["real_ns"]) if (name, size) in figures else "–"
                     for size in BYTE_SIZES]
            small, large = figures.get((name, BYTE_SIZES[0])), figures.get((name, BYTE_SIZES[-1]))
            per_kb = show_ns(large["per_kB"] * 1e9) if large else "–"
            growth = f"{large['per_kB'] / small['per_kB']:.2f}" if small and large else "–"
            print(f"| {name} | " + " | ".join(cells) + f" | {per_kb} | {growth} |")
        print()

    def at_largest(name):
        entry = figures.get((name, SIZES[-1]))
        return entry["real_ns"] if entry else None

    print("| goal at 10^6 | measured |")
    print("|---|---|")
    for name, goal in (("BM_BirthHeadless", 1e6), ("BM_MarriageHeadless", 1e6),
                       ("BM_RenameHeadless", 1e6), ("BM_BirthQt", 20e6), ("BM_MarriageQt", 20e6),
                       ("BM_RenameQt", 20e6), ("BM_HundredBirthsHeadless", 100e6),
                       ("BM_WindowStartQt", 1.2e9), ("BM_PrintLargestListing", 300e6),
                       ("BM_ExitAfterEscQt", 100e6)):
        ns = at_largest(name)
        if ns is not None:
            print(f"| {name} ≤ {show_ns(goal)} | {show_ns(ns)} |")
    start = figures.get(("BM_BatchStart", SIZES[-1]))
    if start and "process_cpu_ms" in start:
        print(f"| quillet-batch start ≤ 800 ms, process CPU | {start['process_cpu_ms']:.0f} ms |")
    memory = figures.get(("BM_WindowMemoryQt", SIZES[-1]))
    if memory:
        print(f"| Qt window ≤ 400 bytes per person | {memory['resident_per_person']:.0f} bytes |")
    save, write = at_largest("BM_Save"), at_largest("BM_WriteAndSync")
    if save and write:
        print(f"| save ≤ 2x write+fsync of its bytes | {save / write:.2f}x |")


if __name__ == "__main__":
    main()
