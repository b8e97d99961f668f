#!/usr/bin/env python3
"""Whole-process JPEG decoding time: the engine's inspector writing a PPM to
/dev/null against djpeg doing the same, started in turn, so that both see the
same machine. Prints the median and the fastest run of each and the ratio of
the medians (below 1: the inspector is faster).

usage: bench/jpeg_whole_process.py VARNO-INSPECT FILE.jpg [RUNS]
"""
import statistics
import subprocess
import sys
import time


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    inspect, picture = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) == 4 else 21
    commands = {
        "varno-inspect": [inspect, "image", picture, "--ppm", "/dev/null"],
        "djpeg": ["djpeg", "-outfile", "/dev/null", picture],
    }
    times = {name: [] for name in commands}
    for _ in range(runs):
        for name, command in commands.items():
            start = time.perf_counter()
            subprocess.run(command, stdout=subprocess.DEVNULL, check=True)
            times[name].append(time.perf_counter() - start)
    for name, values in times.items():
        print(f"{name:14} median {statistics.median(values) * 1e3:7.1f} ms"
              f"   fastest {min(values) * 1e3:7.1f} ms   ({runs} runs)")
    ratio = statistics.median(times["varno-inspect"]) / statistics.median(times["djpeg"])
    print(f"varno-inspect / djpeg (medians): {ratio:.2f}")


if __name__ == "__main__":
    main()
