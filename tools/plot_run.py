#!/usr/bin/env python3
"""Plots best and mean fitness against master iterations from ZarnelNQueen
run records (json_report), one pair of lines per run, labelled by seed and
operator set.

    tools/plot_run.py RECORD.json [RECORD.json ...] -o PICTURE.png
"""
import argparse
import json
import sys

import matplotlib

matplotlib.use("Agg")  # files only; no display needed
import matplotlib.pyplot as plt  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("records", nargs="+", metavar="RECORD.json")
    parser.add_argument("-o", "--output", required=True, metavar="PICTURE.png")
    args = parser.parse_args()

    figure, axes = plt.subplots(figsize=(7, 4), dpi=80)
    for path in args.records:
        try:
            with open(path, encoding="utf-8") as file:
                record = json.load(file)
            history = record["history"]
            label = "seed {} ({})".format(record["seed"], record["operators"])
        except (OSError, ValueError, KeyError, TypeError) as error:
            sys.exit("plot_run.py: {} is no run record: {}".format(path, error))
        iterations = [entry["iteration"] for entry in history]
        best = axes.plot(iterations, [entry["best"] for entry in history], label=label + ", best")
        axes.plot(iterations, [entry["mean"] for entry in history], linestyle="--",
                  color=best[0].get_color(), label=label + ", mean")
    axes.set_xlabel("master iterations")
    axes.set_ylabel("fitness (0 is a solution)")
    axes.grid(True, alpha=0.3)
    axes.legend(fontsize="small")
    figure.tight_layout()
    try:
        figure.savefig(args.output)
    except (OSError, ValueError) as error:
        sys.exit("plot_run.py: cannot write {}: {}".format(args.output, error))


if __name__ == "__main__":
    main()
