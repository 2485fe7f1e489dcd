#!/usr/bin/python3
"""Batch generation as whole processes, against two floors from the same run:
Python 3 + Jinja2 making the same page (jinja2_page.py, aurora.html.j2), and
`cp` of the finished page. Runs by hand, never under ctest.

usage: bench/batch_generate.py BUILD_DIR [RUNS]

Writes the benchmark's project at 10,000 and 40,000 promos, checks that both
programs make the same bytes, then runs the three commands in turn RUNS times
(default 15) after a warm-up and prints medians: wall time, CPU time, peak
memory, and the ratios the targets are stated in.
"""
import filecmp
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SIZES = (10000, 40000)


def run(command, report):
    """Wall seconds, CPU seconds and peak resident MiB of one process.

    The peak comes from /usr/bin/time: a child of this script would inherit
    the script's own peak through fork and exec. The CPU time is the one the
    kernel reports for /usr/bin/time and the command it waited for.
    """
    start = time.perf_counter()
    process = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", report] + command, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("failed: " + " ".join(command))
    with open(report) as f:
        peak_kib = int(f.read().split()[-1])
    return wall, usage.ru_utime + usage.ru_stime, peak_kib / 1024


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) == 3 else 15
    tool = os.path.join(build, "Velmora", "velmora-tool")
    writer = os.path.join(build, "bench", "bench_WriteBenchProject")
    with tempfile.TemporaryDirectory(prefix="velmora-batch-") as work:
        program = os.path.join(work, "program")
        os.makedirs(os.path.join(program, "Templates"))
        shutil.copy(os.path.join(HERE, "..", "templates", "aurora.tem"), os.path.join(program, "Templates"))
        print(f"{'promos':>7} {'page MB':>8} | {'velmora ms':>10} {'jinja2 ms':>10} {'cp ms':>7} | "
              f"{'jinja2/velmora':>14} {'velmora/cp':>10} | {'velmora MiB':>11} {'/page':>6} {'jinja2 MiB':>10}")
        for promos in SIZES:
            project = os.path.join(work, f"p{promos}.set")
            subprocess.run([writer, str(promos), project], check=True)
            ours, theirs, copy = (os.path.join(work, f"{name}{promos}.htm") for name in ("velmora", "jinja2", "cp"))
            commands = {
                "velmora": [tool, "generate", "--program-folder", program, "--project", project, "--output", ours],
                "jinja2": [sys.executable, os.path.join(HERE, "jinja2_page.py"), project, theirs],
                "cp": ["cp", ours, copy],
            }
            figures = {name: [] for name in commands}
            for turn in range(runs + 1):
                for name, command in commands.items():
                    result = run(command, os.path.join(work, "time.txt"))
                    if turn:
                        figures[name].append(result)
                if not turn:
                    if not filecmp.cmp(ours, theirs, shallow=False):
                        sys.exit(f"the pages at {promos} promos differ: {ours} {theirs}")

            def median(name, index):
                return statistics.median(figure[index] for figure in figures[name])

            page_mb = os.path.getsize(ours) / 1e6
            # Pair by pair, so that a comparison holds while the machine's speed drifts.
            def ratio(a, b, index):
                return statistics.median(x[index] / y[index] for x, y in zip(figures[a], figures[b]))

            ahead = ratio("jinja2", "velmora", 0)
            over_cp = ratio("velmora", "cp", 0)
            peak = median("velmora", 2)
            print(f"{promos:>7} {page_mb:>8.1f} | {median('velmora', 0) * 1e3:>10.1f} {median('jinja2', 0) * 1e3:>10.1f} "
                  f"{median('cp', 0) * 1e3:>7.1f} | {ahead:>13.2f}x {over_cp:>9.2f}x | {peak:>11.1f} "
                  f"{peak * 1048576 / 1e6 / page_mb:>6.2f} {median('jinja2', 2):>10.1f}")
            print(f"{'':>7} {'cpu ms':>8} | {median('velmora', 1) * 1e3:>10.1f} {median('jinja2', 1) * 1e3:>10.1f} "
                  f"{median('cp', 1) * 1e3:>7.1f} | {ratio('jinja2', 'velmora', 1):>13.2f}x "
                  f"{ratio('velmora', 'cp', 1):>9.2f}x |")
        print(f"medians of {runs} interleaved runs (ratios pair by pair; cpu includes /usr/bin/time's own); targets: jinja2/velmora >= 5x, velmora/cp <= 3x at 40,000 "
              "promos, peak <= 2x the page")


if __name__ == "__main__":
    main()
