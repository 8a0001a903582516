#!/usr/bin/python3
"""One markdown table from the final populations of perf/moo_peers.sh.

Usage: moo_table.py SCORE_FRONT DIRECTORY PROBLEM...

Files are named PROBLEM.PROGRAM.SEED.txt; each is scored by score_front
(the same code for every program) and the medians over the seeds are
printed per problem and program.
"""
import glob
import os
import statistics
import subprocess
import sys


def header_value(path, key):
    with open(path) as f:
        for line in f:
            if not line.startswith("#"):
                break
            words = line[1:].split()
            if words and words[0] == key:
                return float(words[1])
    return float("nan")


def main():
    score, directory, problems = sys.argv[1], sys.argv[2], sys.argv[3:]
    several_header = "| problem | program | hypervolume | IGD+ | feasible | evaluations | seconds | runs |"
    single_header = "| problem | program | best | gap to best known | feasible | evaluations | seconds | runs |"
    printed = None
    for problem in problems:
        files = sorted(glob.glob(os.path.join(directory, problem + ".*.txt")))
        if not files:
            continue
        out = subprocess.run([score, problem] + files, capture_output=True, text=True)
        if out.stderr:
            sys.stderr.write(out.stderr)
        lines = out.stdout.splitlines()
        several = lines[0].split("\t")[1] == "hypervolume"
        if printed != several:
            print(several_header if several else single_header)
            print("|---|---|---:|---:|---:|---:|---:|---:|")
            printed = several
        by_program = {}
        for line in lines[1:]:
            fields = line.split("\t")
            program = os.path.basename(fields[0]).split(".")[1]
            by_program.setdefault(program, []).append(fields)
        for program, rows in sorted(by_program.items()):
            median = lambda column: statistics.median(float(r[column]) for r in rows)
            paths = [r[0] for r in rows]
            evaluations = statistics.median(header_value(p, "evaluations") for p in paths)
            seconds = statistics.median(header_value(p, "seconds") for p in paths)
            # A program that writes only its front (ZarnelSuites) gives the
            # final population's feasible share in its header.
            shares = [header_value(p, "feasible_share") for p in paths]
            if all(share == share for share in shares):
                for row, share in zip(rows, shares):
                    row[3] = str(share)
            mismatched = sum(int(r[7]) for r in rows)
            note = " (objectives differ from the suite's in %d runs)" % mismatched if mismatched else ""
            if several:
                cells = "%.6f | %.6f | %.3f" % (median(1), median(2), median(3))
            else:
                cells = "%.10g | %.2e | %.3f" % (median(1), median(2), median(3))
            print("| %s | %s%s | %s | %d | %.2f | %d |" % (problem, program, note, cells, evaluations, seconds, len(rows)))


if __name__ == "__main__":
    main()
