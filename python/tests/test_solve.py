"""zarnel.solve on problems written in Python: whole runs, the four genome
kinds, the batch form, improve, seeds that repeat at any thread count."""

import json
import os
import threading

import numpy as np
import pytest

import zarnel

LENGTH = 10


class Rastrigin:
    def __init__(self, length=LENGTH):
        self.length = length

    def genome(self):
        return zarnel.RealVector([-5.12] * self.length, [5.12] * self.length)

    def fitness(self, x):
        return -(10 * len(x) + np.sum(x * x - 10 * np.cos(2 * np.pi * x)))


class BatchRastrigin(Rastrigin):
    fitness = None

    def batch_fitness(self, X):
        return -(10 * X.shape[1] + np.sum(X * X - 10 * np.cos(2 * np.pi * X), axis=1))


def run(problem, **options):
    """A run that repeats whatever the machine's load: seeded and deterministic."""
    options.setdefault("quiet", True)
    options.setdefault("deterministic", True)
    options.setdefault("seed", 11)
    options.setdefault("max_evaluations", 6000)
    return zarnel.solve(problem, **options)


def test_a_whole_run_improves_on_the_first_population_and_records_its_solution(tmp_path):
    record = tmp_path / "run.json"
    first = run(Rastrigin(), max_evaluations=100)
    result = run(Rastrigin(), max_evaluations=20000, record=str(record))
    assert result.stop_reason == "evaluation_limit"
    assert result.evaluations >= 20000
    assert result.genes.dtype == np.float64 and result.genes.shape == (LENGTH,)
    assert result.fitness == pytest.approx(Rastrigin().fitness(result.genes))
    assert result.fitness > first.fitness + 5
    written = json.loads(record.read_text())
    assert written["problem"] == "Rastrigin"
    assert written["stop_reason"] == "evaluation_limit"
    assert written["solution"] == pytest.approx(list(result.genes))


class OneMax:
    def genome(self):
        return zarnel.BitString(40)

    def fitness(self, x):
        assert x.dtype == np.uint8 and set(np.unique(x)) <= {0, 1}
        return int(x.sum())


class InPlace:
    """A permutation scored by how many cities stand at their own index."""

    def genome(self):
        return zarnel.Permutation(8)

    def fitness(self, x):
        assert x.dtype == np.uint32 and sorted(x) == list(range(8))
        return float(np.sum(x == np.arange(8)))


class NearSeven:
    minimise = True

    def genome(self):
        return zarnel.IntegerVector([-20] * 8, [20] * 8)

    def fitness(self, x):
        assert x.dtype == np.int64 and x.min() >= -20 and x.max() <= 20
        return float(np.abs(x - 7).sum())


@pytest.mark.parametrize("problem, best", [(OneMax(), 40), (InPlace(), 8), (NearSeven(), 0)])
def test_each_genome_kind_reaches_its_optimum(problem, best):
    result = run(problem, max_evaluations=30000, target=best)
    assert result.stop_reason == "target"
    assert result.fitness == best
    assert result.fitness == problem.fitness(result.genes)


@pytest.mark.parametrize("problem", [Rastrigin(), BatchRastrigin()], ids=["fitness", "batch_fitness"])
def test_deterministic_runs_repeat_at_one_two_and_four_threads(problem):
    results = [run(problem, threads=threads, deterministic=True) for threads in (1, 2, 4)]
    for other in results[1:]:
        assert other.fitness == results[0].fitness
        assert other.evaluations == results[0].evaluations
        np.testing.assert_array_equal(other.genes, results[0].genes)


def test_the_batch_form_gets_read_only_rows_and_gives_the_answer_of_fitness():
    shapes = []

    class Watched(BatchRastrigin):
        def batch_fitness(self, X):
            shapes.append(X.shape)
            assert not X.flags.writeable
            return super().batch_fitness(X)

    plain = run(Rastrigin(), threads=2, deterministic=True)
    batched = run(Watched(), threads=2, deterministic=True)
    assert all(len(shape) == 2 and shape[1] == LENGTH for shape in shapes)
    assert sum(rows for rows, _ in shapes) == batched.evaluations
    assert max(rows for rows, _ in shapes) > 1
    assert batched.fitness == plain.fitness
    np.testing.assert_array_equal(batched.genes, plain.genes)


def test_improve_changes_the_genome_in_place_with_the_runs_random():
    draws = []

    class Snapped(Rastrigin):
        def improve(self, x, random):
            draws.append(random.random())
            x[:] = np.round(x)  # Rastrigin's local optima sit on the integers

    result = run(Snapped(), max_evaluations=3000, threads=1)
    assert draws and all(0.0 <= d < 1.0 for d in draws)
    np.testing.assert_array_equal(result.genes, np.round(result.genes))
    again = []

    class SnappedAgain(Snapped):
        def improve(self, x, random):
            again.append(random.random())
            x[:] = np.round(x)

    run(SnappedAgain(), max_evaluations=3000, threads=1)
    assert again == draws


def test_progress_name_and_decode_reach_python(tmp_path):
    seen = []

    class Named(Rastrigin):
        def name(self):
            return "rastrigin-10"

        def decode(self, x):
            return [int(v > 0) for v in x]

    record = tmp_path / "run.json"
    result = run(Named(), max_evaluations=3000, progress_every=5, progress=seen.append, record=str(record))
    assert seen and all(isinstance(p, zarnel.Progress) for p in seen)
    assert [p.iteration for p in seen] == sorted(p.iteration for p in seen)
    assert seen[-1].best == result.fitness
    written = json.loads(record.read_text())
    assert written["problem"] == "rastrigin-10"
    assert written["solution"] == [int(v > 0) for v in result.genes]


def test_a_ready_problem_runs_without_python_calls():
    problem = zarnel.problems.test_function(1000)
    result = run(problem, max_evaluations=5000)
    assert result.fitness == pytest.approx(problem.fitness(result.genes))
    with pytest.raises(ValueError, match="names no test function"):
        zarnel.problems.test_function(999)


def test_a_stop_event_ends_the_run_with_its_population_dumped(tmp_path):
    stop = threading.Event()

    def progress(p):
        if p.iteration >= 3:
            stop.set()

    result = run(Rastrigin(), max_evaluations=0, time_limit=60, progress=progress, progress_every=1, stop=stop,
                 dump_on_stop=True, dump_directory=str(tmp_path))
    assert result.stop_reason == "signal"
    assert len(result.dumps) == 1 and os.path.exists(result.dumps[0])
    with pytest.raises(TypeError, match="is_set"):
        run(Rastrigin(), stop=True)
