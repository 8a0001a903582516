"""What zarnel.solve does when a problem or an option is wrong: a clear
Python exception, the run's record kept, never a crash or a hang."""

import json
import os
import signal
import traceback

import numpy as np
import pytest

import zarnel


class Reals:
    """Ten reals; `fitness` answers `bad` from its 50th call on."""

    def __init__(self, bad=None):
        self.bad = bad
        self.calls = 0

    def genome(self):
        return zarnel.RealVector([-1.0] * 10, [1.0] * 10)

    def fitness(self, x):
        self.calls += 1
        if self.calls >= 50 and self.bad is not None:
            return self.bad(x)
        return -float(np.sum(x * x))


def solve(problem, **options):
    options.setdefault("quiet", True)
    options.setdefault("seed", 3)
    options.setdefault("max_evaluations", 5000)
    return zarnel.solve(problem, **options)


def raising(x):
    raise LookupError("no such city")


def writing(x):
    x[0] = 0.0


@pytest.mark.parametrize(
    "bad, error, words",
    [
        (lambda x: "cheap", TypeError, "Reals.fitness returned 'cheap'"),
        (lambda x: None, TypeError, "not a number"),
        (lambda x: float("nan"), ValueError, "returned NaN"),
        (raising, LookupError, "no such city"),
        (writing, ValueError, "read-only"),
    ],
    ids=["string", "none", "nan", "exception", "write"],
)
@pytest.mark.parametrize("threads", [1, 2])
def test_a_bad_fitness_ends_the_run_with_its_record_and_raises(tmp_path, bad, error, words, threads):
    record = tmp_path / "run.json"
    with pytest.raises(error, match=words):
        solve(Reals(bad), threads=threads, record=str(record))
    assert json.loads(record.read_text())["stop_reason"] == "error"


def test_the_raised_exception_keeps_the_traceback_of_the_callback():
    with pytest.raises(LookupError) as caught:
        solve(Reals(raising), threads=2)
    frames = [frame.name for frame in traceback.extract_tb(caught.value.__traceback__)]
    assert "raising" in frames


class Batch:
    def __init__(self, answer):
        self.answer = answer

    def genome(self):
        return zarnel.RealVector([-1.0] * 4, [1.0] * 4)

    def batch_fitness(self, X):
        return self.answer(X)


@pytest.mark.parametrize(
    "answer, error, words",
    [
        (lambda X: np.zeros(len(X) + 1), ValueError, r"returned shape \(\d+,\) for \d+ genomes"),
        (lambda X: np.zeros((len(X), 2)), ValueError, r"returned shape \(\d+, 2\)"),
        (lambda X: 1.0, ValueError, r"returned shape \(\)"),
        (lambda X: np.full(len(X), np.nan), ValueError, "returned NaN for row 0"),
        (lambda X: np.array(["a"] * len(X)), TypeError, "not numbers"),
    ],
    ids=["long", "two-columns", "scalar", "nan", "strings"],
)
def test_a_bad_batch_answer_raises_a_clear_error(answer, error, words):
    with pytest.raises(error, match=words):
        solve(Batch(answer), threads=2)


class WrongKind:
    def genome(self):
        return [0.0] * 5

    def fitness(self, x):
        return 0.0


@pytest.mark.parametrize(
    "problem, options, error, words",
    [
        (WrongKind(), {}, TypeError, r"WrongKind.genome\(\) returned .* not a genome kind"),
        (object(), {}, TypeError, r"no genome\(\)"),
        (Reals(), {"threads": -1}, ValueError, "threads: -1 is not a whole number"),
        (Reals(), {"time_limit": "soon"}, TypeError, "time_limit: 'soon' is not a number"),
        (Reals(), {"thread": 2}, TypeError, "unknown option 'thread'"),
        (Reals(), {"operators": zarnel.BitStringOperators()}, TypeError, "takes RealVectorOperators"),
    ],
    ids=["genome-list", "no-genome", "threads", "time-limit", "unknown", "operators"],
)
def test_a_wrong_problem_or_option_is_refused_before_the_run(problem, options, error, words):
    with pytest.raises(error, match=words):
        solve(problem, **options)


def test_an_exception_in_progress_or_decode_is_raised_after_the_record(tmp_path):
    def progress(p):
        raise RuntimeError("plot window closed")

    record = tmp_path / "progress.json"
    with pytest.raises(RuntimeError, match="plot window closed"):
        solve(Reals(), threads=2, progress=progress, progress_every=1, record=str(record))
    assert json.loads(record.read_text())["stop_reason"] == "error"

    class BadDecode(Reals):
        def decode(self, x):
            raise KeyError("decode")

    record = tmp_path / "decode.json"
    with pytest.raises(KeyError, match="decode"):
        solve(BadDecode(), record=str(record))
    assert json.loads(record.read_text())["stop_reason"] == "evaluation_limit"


def test_ctrl_c_ends_the_run_writes_its_record_and_raises_keyboard_interrupt(tmp_path):
    sent = []

    def interrupt(x):
        if not sent:  # one Ctrl+C: a second could land after solve returned
            sent.append(True)
            os.kill(os.getpid(), signal.SIGINT)
        return 0.0

    record = tmp_path / "run.json"
    with pytest.raises(KeyboardInterrupt):
        solve(Reals(interrupt), threads=2, max_evaluations=0, time_limit=20, record=str(record))
    assert json.loads(record.read_text())["stop_reason"] == "signal"
