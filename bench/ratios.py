#!/usr/bin/env python3
"""Prints the page-to-address step's time as a ratio of the memmem floor, per page.

Reads the JSON that bench_extract writes with --benchmark_out_format=json. The
ratio uses CPU time: the benchmarks are single-threaded, and on a shared machine
wall time also counts other processes.
"""
import json
import sys

TARGET = 1.5


def main(path):
    with open(path) as f:
        report = json.load(f)
    times = {}
    for b in report["benchmarks"]:
        if b.get("run_type", "iteration") != "iteration":
            continue
        kind, shape, size = b["name"].split("/")[:3]
        times[(kind, shape, int(size))] = b["cpu_time"]
    unit = report["benchmarks"][0].get("time_unit", "us")
    print(f"CPU time per page; target: step/memmem <= {TARGET}")
    print(f"{'page':<24}{'step':>12}{'memmem':>12}{'boost alone':>16}{'step/memmem':>13}")
    missed = 0
    for (kind, shape, size), step in sorted(times.items(), key=lambda kv: (kv[0][2], kv[0][1])):
        if kind != "page_to_address":
            continue
        floor = times.get(("memmem_flash", shape, size))
        boost = times.get(("boost_whole_page", shape, size), float("nan"))
        ratio = step / floor
        verdict = "met" if ratio <= TARGET else "MISSED"
        missed += ratio > TARGET
        label = f"{shape} {size // 1024} KB"
        print(f"{label:<24}{step:>10.1f}{unit}{floor:>10.1f}{unit}{boost:>14.1f}{unit}{ratio:>13.2f}  {verdict}")
    print(f"{missed} missed" if missed else "all met")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
