#!/usr/bin/env python3
"""Plots best and mean fitness from run records (json_report), one pair of
lines per record, labelled from the records themselves.

    tools/plot_run.py RECORD.json [RECORD.json ...] -o PICTURE.png [--x iterations|evaluations|seconds]

Best is solid, mean dashed. The x axis is the master iterations of each
progress line, or the fitness evaluations or seconds where the record's
history holds them. A record of a problem that minimises ("direction":
"minimise") holds costs, lowest best, and is drawn as they are. A record of
several objectives (zarnel::Solve's, with a "front") is drawn as its front
beside the convergence of its hypervolume: 2 objectives as a scatter, 3 as
a 3-D scatter, more as parallel coordinates, with the problem's reference
front when the record holds one. Needs matplotlib (Debian
python3-matplotlib, for /usr/bin/python3). Every failure is one line on
standard error and exit status 1; the picture is replaced only once it is
complete. The package installs it as bin/zarnel-plot-run.
"""
import argparse
import io
import json
import math
import os
import sys
import tempfile
import textwrap

# What each --x choice reads from a history entry, and its axis label.
X_AXES = {
    "iterations": ("iteration", "master iterations"),
    "evaluations": ("evaluations", "fitness evaluations"),
    "seconds": ("seconds", "seconds since the start of the run"),
}
# Programs whose fitness is minus a count of attacking queens.
NQUEEN_PROGRAMS = ("ZarnelNQueen", "ZarnelNQueenIslands")
# Parameters that tell runs of one set-up apart rather than describe it.
NOT_IN_TITLE = ("seed", "json_report", "resume_from", "dump_directory", "max_iterations", "time_limit")


class Refusal(Exception):
    """A failure to report as the tool's one line."""


def is_number(value):
    if not isinstance(value, (int, float)) or isinstance(value, bool):
        return False
    try:
        return math.isfinite(value)
    except OverflowError:  # an integer beyond any float
        return False


def is_front_record(record):
    """A record of several objectives: it holds its front."""
    return isinstance(record.get("front"), list)


def read_front(path, record):
    """The objectives of the record's front members and of its reference
    front (none when it holds none), as lists of points of M numbers."""
    count = record.get("objectives")
    if not isinstance(count, int) or isinstance(count, bool) or count < 2:
        raise Refusal("{}: \"objectives\" is {}, not a number of objectives of 2 or more".format(
            path, json.dumps(count)))

    def points(members, name, pick):
        found = []
        for number, member in enumerate(members, start=1):
            values = pick(member)
            if not isinstance(values, list) or len(values) != count:
                raise Refusal("{}: {} {} has no {} objective values".format(path, name, number, count))
            if all(is_number(value) for value in values):
                found.append(values)
            elif not all(is_number(v) or v is None or v in ("inf", "-inf") for v in values):
                raise Refusal("{}: {} {} holds {}, not numbers".format(path, name, number, json.dumps(values)))
        return found

    front = points(record["front"], "front member",
                   lambda member: member.get("objectives") if isinstance(member, dict) else None)
    reference = record.get("reference_front")
    if reference is not None and not isinstance(reference, list):
        raise Refusal("{}: \"reference_front\" is no list of points".format(path))
    return front, points(reference or [], "reference front point", lambda point: point)


def read_record(path, x_member):
    """The record at `path`, and its points as (x, best, mean) lists; for a
    record of several objectives (x, hypervolume, front), the lines whose
    hypervolume was not measured left out, and its front as read_front
    reads it."""
    try:
        with open(path, encoding="utf-8") as file:
            record = json.load(file)
    except (OSError, UnicodeDecodeError) as error:
        raise Refusal("cannot read {}: {}".format(path, getattr(error, "strerror", None) or error))
    except (ValueError, RecursionError) as error:
        raise Refusal("{} is no JSON: {}".format(path, error))
    if not isinstance(record, dict) or not isinstance(record.get("history"), list):
        raise Refusal("{} is no run record with a history (a JSON object with a \"history\" array)".format(path))
    xs, best, mean = [], [], []
    several = is_front_record(record)
    for number, entry in enumerate(record["history"], start=1):
        if not isinstance(entry, dict):
            raise Refusal("{}: history entry {} is no object".format(path, number))
        if x_member not in entry:
            raise Refusal("{}: history entry {} has no \"{}\"; this record can be plotted against {}".format(
                path, number, x_member,
                " or ".join(name for name, (member, _) in X_AXES.items()
                            if all(isinstance(e, dict) and member in e for e in record["history"]))
                or "nothing"))
        members = (x_member, "hypervolume") if several else (x_member, "best", "mean")
        for member in members:
            # A hypervolume that was not measured is null.
            if member == "hypervolume" and entry.get(member, 0) is None:
                continue
            if not is_number(entry.get(member)):
                shown = json.dumps(entry.get(member))
                shown = shown if len(shown) <= 40 else shown[:37] + "..."
                raise Refusal("{}: history entry {}: \"{}\" is {}, not a finite number".format(
                    path, number, member, shown))
        if several:
            if entry.get("hypervolume") is not None:
                xs.append(entry[x_member])
                best.append(entry["hypervolume"])
            continue
        xs.append(entry[x_member])
        best.append(entry["best"])
        mean.append(entry["mean"])
    # A front is read with its record, so that a damaged one is named first.
    if several:
        return record, (xs, best, read_front(path, record))
    return record, (xs, best, mean)


def run_label(record, programs, operator_sets):
    """The seed, and the program and operator set where the records differ
    in them (the title names a shared one)."""
    parts = []
    if len(programs) > 1:
        parts.append(str(record.get("program", "?")))
    if is_number(record.get("seed")):
        parts.append("seed {}".format(record["seed"]))
    if len(operator_sets) > 1 and isinstance(record.get("operators"), str):
        parts.append("({})".format(record["operators"]))
    return " ".join(parts) or "run"


def default_title(records, programs):
    """The program and the parameters that all records share."""
    shared = None
    for record in records:
        parameters = record.get("parameters") if isinstance(record.get("parameters"), dict) else {}
        items = {k: v for k, v in parameters.items() if k not in NOT_IN_TITLE and is_number(v)}
        shared = items if shared is None else {k: v for k, v in shared.items() if items.get(k) == v}
    operators = {record.get("operators") for record in records}
    words = ["{} {}".format(k, v) for k, v in (shared or {}).items()]
    if len(operators) == 1 and isinstance(next(iter(operators)), str):
        words.append("operators {}".format(next(iter(operators))))
    head = programs[0] if len(programs) == 1 else ", ".join(programs)
    # A user's problem (a record of zarnel::Solve) is named by the problem.
    problems = {record.get("problem") for record in records}
    if len(problems) == 1 and isinstance(next(iter(problems)), str) and next(iter(problems)):
        head = next(iter(problems))
    return "\n".join(textwrap.wrap(head + (": " + ", ".join(words) if words else ""), 90))


def load_matplotlib():
    try:
        from matplotlib.figure import Figure
    except ImportError:
        interpreter = sys.executable or "python3"
        if os.path.realpath(interpreter).startswith("/usr/bin/"):
            hint = "apt-get install python3-matplotlib, or pip install matplotlib"
        else:
            # pyenv, a virtual environment or a Python of one's own: Debian's
            # package serves /usr/bin/python3 only.
            hint = ("{} -m pip install matplotlib, or run /usr/bin/python3 with Debian's "
                    "python3-matplotlib".format(interpreter))
        raise Refusal("needs matplotlib for {} (Python {}.{}): {}".format(
            interpreter, sys.version_info[0], sys.version_info[1], hint))
    return Figure


def write_replacing(path, data):
    """Writes `data` to `path`: a new or regular file through a temporary
    file renamed over it once complete; anything else (a device, a FIFO) in
    place."""
    target = os.path.realpath(path)
    if os.path.exists(target) and not os.path.isfile(target):
        with open(target, "wb") as file:
            file.write(data)
        return
    directory = os.path.dirname(target) or "."
    handle, temporary = tempfile.mkstemp(prefix="." + os.path.basename(target) + ".", dir=directory)
    try:
        with os.fdopen(handle, "wb") as file:
            file.write(data)
            file.flush()
            os.fsync(file.fileno())
        if os.path.exists(target):
            os.chmod(temporary, os.stat(target).st_mode & 0o7777)
        else:
            umask = os.umask(0)
            os.umask(umask)
            os.chmod(temporary, 0o666 & ~umask)
        os.replace(temporary, target)
    except BaseException:
        os.unlink(temporary)
        raise


def read_fronts(loaded):
    """Every record's front and reference front, and their one number of
    objectives."""
    records = [record for record, _ in loaded]
    fronts = [front for _, (_, _, front) in loaded]
    counts = {record["objectives"] for record in records}
    if len(counts) != 1:
        raise Refusal("the records have {} objectives: plot records of one number of objectives together".format(
            " and ".join(str(count) for count in sorted(counts))))
    return fronts, counts.pop()


def draw_fronts(figure, fronts, count, labels):
    """The fronts of records of several objectives, in the figure's first
    panel, each in the colour of its convergence line."""
    if count == 3:
        axes = figure.add_subplot(1, 2, 1, projection="3d")
    else:
        axes = figure.add_subplot(1, 2, 1)
    colours = ["C{}".format(index) for index in range(len(fronts))]
    drawn_reference = False
    for (front, reference), label, colour in zip(fronts, labels, colours):
        if reference and not drawn_reference:
            drawn_reference = True
            columns = list(zip(*reference))
            if count == 2:
                order = sorted(reference)
                axes.plot([p[0] for p in order], [p[1] for p in order], color="0.6", linewidth=1,
                          label="reference front")
            elif count == 3:
                axes.scatter(*columns, color="0.75", s=2, label="reference front")
        if not front:
            continue
        if count <= 3:
            axes.scatter(*zip(*front), color=colour, s=12, label=label)
        else:
            for index, point in enumerate(front):
                axes.plot(range(1, count + 1), point, color=colour, alpha=0.5, linewidth=0.8,
                          label=label if index == 0 else None)
    if count <= 3:
        axes.set_xlabel("objective 1")
        axes.set_ylabel("objective 2")
        if count == 3:
            axes.set_zlabel("objective 3")
    else:
        axes.set_xlabel("objective")
        axes.set_ylabel("value")
        axes.set_xticks(range(1, count + 1))
    axes.set_title("front (all objectives minimised)", fontsize="medium")
    axes.legend(fontsize="small")
    return figure.add_subplot(1, 2, 2)


def plot(args):
    x_member, x_label = X_AXES[args.x]
    loaded = [read_record(path, x_member) for path in args.records]
    records = [record for record, _ in loaded]
    programs = sorted({str(record.get("program", "?")) for record in records})
    operator_sets = {str(record.get("operators")) for record in records}
    kinds = {is_front_record(record) for record in records}
    if len(kinds) != 1:
        several = next(path for path, record in zip(args.records, records) if is_front_record(record))
        one = next(path for path, record in zip(args.records, records) if not is_front_record(record))
        raise Refusal("{} is a run of several objectives and {} of one: plot them apart".format(several, one))
    if kinds == {True}:
        fronts, count = read_fronts(loaded)
    Figure = load_matplotlib()

    if kinds == {True}:
        figure = Figure(figsize=(12, 5), dpi=80)
        labels = [run_label(record, programs, operator_sets) for record in records]
        axes = draw_fronts(figure, fronts, count, labels)
        for (record, (xs, volumes, _)), label in zip(loaded, labels):
            axes.plot(xs, volumes, marker="o" if len(xs) < 3 else None, label=label + ", hypervolume")
        axes.set_xlabel(x_label)
        axes.set_ylabel("hypervolume (higher is better)")
        axes.set_title(args.title if args.title is not None else default_title(records, programs),
                       fontsize="medium")
        axes.grid(True, alpha=0.3)
        axes.legend(fontsize="small")
        figure.tight_layout()
        save(figure, args.output)
        return

    figure = Figure(figsize=(7, 4), dpi=80)
    axes = figure.subplots()
    for record, (xs, best, mean) in loaded:
        label = run_label(record, programs, operator_sets)
        marker = "o" if len(xs) < 3 else None
        line = axes.plot(xs, best, marker=marker, label=label + ", best")
        axes.plot(xs, mean, linestyle="--", marker=marker, color=line[0].get_color(), label=label + ", mean")
    axes.set_xlabel(x_label)
    nqueen = all(program in NQUEEN_PROGRAMS for program in programs)
    directions = {record.get("direction", "maximise") for record in records}
    if nqueen:
        axes.set_ylabel("fitness (0 is a solution)")
    elif directions == {"minimise"}:
        axes.set_ylabel("cost (lower is better)")
    elif "minimise" in directions:
        axes.set_ylabel("fitness (higher is better) or cost (lower is better)")
    else:
        axes.set_ylabel("fitness")
    axes.set_title(args.title if args.title is not None else default_title(records, programs), fontsize="medium")
    axes.grid(True, alpha=0.3)
    axes.legend(fontsize="small")
    figure.tight_layout()
    save(figure, args.output)


def save(figure, output):
    """Writes the figure in the format of the output's suffix."""
    suffix = os.path.splitext(output)[1].lstrip(".").lower() or "png"
    formats = figure.canvas.get_supported_filetypes()
    if suffix not in formats:
        raise Refusal("cannot write {}: no picture format .{} ({})".format(
            output, suffix, ", ".join(sorted(formats))))
    picture = io.BytesIO()
    figure.savefig(picture, format=suffix)
    try:
        write_replacing(output, picture.getvalue())
    except OSError as error:
        raise Refusal("cannot write {}: {}".format(output, error.strerror or error))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0].replace("\n", " "))
    parser.add_argument("records", nargs="+", metavar="RECORD.json")
    parser.add_argument("-o", "--output", required=True, metavar="PICTURE.png",
                        help="the picture; its format follows the suffix (png, svg, pdf, ...)")
    parser.add_argument("--x", choices=sorted(X_AXES), default="iterations",
                        help="what the x axis counts (default: iterations)")
    parser.add_argument("--title", help="the title above the plot (default: the program and the "
                        "parameters that all records share)")
    args = parser.parse_args()
    try:
        plot(args)
    except Refusal as refusal:
        print("{}: {}".format(os.path.basename(sys.argv[0]) or "plot_run.py", refusal), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
