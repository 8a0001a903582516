#!/usr/bin/python3
"""One markdown table from the final populations of perf/cec_peers.sh.

Usage: cec_table.py SCORE_FRONT DIRECTORY PROGRAM... -- PROBLEM...

Files are named PROBLEM.PROGRAM.SEED.txt; each is scored by score_front
(the same code for every program). One row per problem, one column per
program: the median over the seeds of the relative gap of the best feasible
value to the best known, (best - known) / max(1, |known|), with the runs that
found a feasible point ("f/n"); a run without one counts as an infinite gap,
so a median that is "-" means more than half the runs found none. The last
columns say whether the first program meets the targets on that problem:
its median within 1e-4 wherever any peer's median is, and a feasible point
in every run wherever any peer found one; the peers are the programs whose
name does not start with "zarnel".
"""
import glob
import math
import os
import statistics
import subprocess
import sys

REACHED = 1e-4


def scores(score, directory, problem):
    """{program: [gap, ...]} for the problem, an infeasible run as inf."""
    files = sorted(glob.glob(os.path.join(directory, problem + ".*.txt")))
    if not files:
        return {}
    out = subprocess.run([score, problem] + files, capture_output=True, text=True)
    if out.stderr:
        sys.stderr.write(out.stderr)
    gaps = {}
    for line in out.stdout.splitlines()[1:]:
        fields = line.split("\t")
        program = os.path.basename(fields[0]).split(".")[1]
        gap = float(fields[2])
        gaps.setdefault(program, []).append(gap if math.isfinite(gap) else math.inf)
    return gaps


def cell(gaps):
    if not gaps:
        return "", math.inf, 0
    median = statistics.median(gaps)
    feasible = sum(1 for g in gaps if math.isfinite(g))
    shown = "-" if not math.isfinite(median) else "%.1e" % median
    return "%s (%d/%d)" % (shown, feasible, len(gaps)), median, feasible


def main():
    args = sys.argv[1:]
    split = args.index("--")
    score, directory, programs = args[0], args[1], args[2:split]
    problems = args[split + 1:]
    print("| problem | " + " | ".join(programs) + " | median target | feasible target |")
    print("|---|" + "---:|" * len(programs) + "---|---|")
    met = {"median": [0, 0], "feasible": [0, 0]}
    for problem in problems:
        gaps = scores(score, directory, problem)
        if not gaps:
            continue
        cells = [cell(gaps.get(program, [])) for program in programs]
        ours = cells[0]
        peers = [c for program, c in zip(programs, cells) if not program.startswith("zarnel")]
        runs = len(gaps.get(programs[0], []))
        median_due = any(median <= REACHED for _, median, _ in peers)
        feasible_due = any(feasible > 0 for _, _, feasible in peers)
        median_note = feasible_note = "-"
        if median_due:
            ok = ours[1] <= REACHED
            met["median"][0] += ok
            met["median"][1] += 1
            median_note = "met" if ok else "**missed**"
        if feasible_due:
            ok = runs > 0 and ours[2] == runs
            met["feasible"][0] += ok
            met["feasible"][1] += 1
            feasible_note = "met" if ok else "**missed**"
        print("| %s | %s | %s | %s |" % (problem, " | ".join(c[0] for c in cells), median_note, feasible_note))
    print()
    print("%s: median target met on %d of %d problems where a peer reaches 1e-4; feasible in every run on "
          "%d of %d problems where a peer finds a feasible point" %
          (programs[0], met["median"][0], met["median"][1], met["feasible"][0], met["feasible"][1]))


if __name__ == "__main__":
    main()
