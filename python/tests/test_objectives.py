"""zarnel.solve on problems of several objectives and under constraints,
written in Python: the front they give, the feasibility rules with one
fitness, the batch forms, seeds that repeat, and what is refused."""

import json
import math

import numpy as np
import pytest

import zarnel


class Bnh:
    """Binh and Korn's problem: two objectives, two constraints."""

    def genome(self):
        return zarnel.RealVector([0.0, 0.0], [5.0, 3.0])

    def objectives(self, x):
        return [4 * x[0] ** 2 + 4 * x[1] ** 2, (x[0] - 5) ** 2 + (x[1] - 5) ** 2]

    def constraints(self, x):
        return (x[0] - 5) ** 2 + x[1] ** 2 - 25, 7.7 - (x[0] - 8) ** 2 - (x[1] + 3) ** 2


class BatchBnh:
    genome = Bnh.genome

    def batch_objectives(self, X):
        return np.stack([4 * X[:, 0] ** 2 + 4 * X[:, 1] ** 2, (X[:, 0] - 5) ** 2 + (X[:, 1] - 5) ** 2], axis=1)

    def batch_constraints(self, X):
        return np.stack([(X[:, 0] - 5) ** 2 + X[:, 1] ** 2 - 25, 7.7 - (X[:, 0] - 8) ** 2 - (X[:, 1] + 3) ** 2],
                        axis=1)


def solve(problem, **options):
    options.setdefault("quiet", True)
    options.setdefault("seed", 5)
    options.setdefault("max_iterations", 60)
    return zarnel.solve(problem, **options)


def fronts_of(result):
    return [(list(m.genes), m.objectives) for m in result.front]


class DecodedBnh(Bnh):
    def decode(self, x):
        return [round(10 * v) for v in x]


def test_a_constrained_problem_of_two_objectives_gives_a_feasible_front(tmp_path):
    record = tmp_path / "bnh.json"
    result = solve(DecodedBnh(), threads=2, record=str(record))
    assert result.stop_reason == "iteration_limit"
    assert len(result.front) >= 40
    assert math.isnan(result.fitness) and result.genes.size == 0
    for member in result.front:
        x = member.genes
        assert x.dtype == np.float64 and x.shape == (2,)
        assert member.violation == 0.0
        assert max(Bnh().constraints(x)) <= 1e-9
        assert member.objectives == pytest.approx(Bnh().objectives(x))
        assert member.solution == DecodedBnh().decode(x)
    f1 = sorted(m.objectives[0] for m in result.front)
    assert f1[0] < 1 and f1[-1] > 100  # it spans the front's whole length
    assert result.hypervolume > 0 and len(result.reference_point) == 2
    written = json.loads(record.read_text())
    assert written["stop_reason"] == "iteration_limit"
    assert [m["solution"] for m in written["front"]] == [m.solution for m in result.front]


@pytest.mark.parametrize("problem", [Bnh, BatchBnh])
def test_the_front_repeats_at_one_two_and_four_threads_and_in_both_forms(problem):
    fronts = [fronts_of(solve(problem(), threads=t, deterministic=True)) for t in (1, 2, 4)]
    assert fronts[0] == fronts[1] == fronts[2]
    assert fronts[0] == fronts_of(solve(Bnh(), threads=1, deterministic=True))


def test_the_survival_and_reference_keywords_reach_the_run():
    point = [150.0, 60.0]
    nsga2 = solve(Bnh(), threads=1, reference_point=point, max_iterations=20)
    nsga3 = solve(Bnh(), threads=1, reference_point=point, max_iterations=20, survival="nsga3",
                  reference_divisions=12)
    assert nsga2.reference_point == point == nsga3.reference_point
    assert fronts_of(nsga2) != fronts_of(nsga3)
    directions = solve(Bnh(), threads=1, max_iterations=20, survival="nsga3",
                       reference_directions=[[1, 0], [0.5, 0.5], [0, 1]])
    assert directions.front
    class Pointed(Bnh):
        def reference_point(self):
            return (140.0, 55.0)

    assert solve(Pointed(), max_iterations=5).reference_point == [140.0, 55.0]
    with pytest.raises(ValueError, match="survival"):
        solve(Bnh(), survival="spea2")
    with pytest.raises(zarnel.SolveError, match="referencePoint holds 3"):
        solve(Bnh(), reference_point=[1, 2, 3])


class Capped:
    """The sum of four genes in [0, 10], maximised, under x0 + x1 <= 3 and
    x2 <= x3 - 1: the best is 22, where infeasible genomes reach 40."""

    def genome(self):
        return zarnel.RealVector([0.0] * 4, [10.0] * 4)

    def fitness(self, x):
        return float(np.sum(x))

    def constraints(self, x):
        return [x[0] + x[1] - 3.0, x[2] - x[3] + 1.0]


class BatchCapped(Capped):
    fitness = None
    constraints = None

    def batch_fitness(self, X):
        return X.sum(axis=1)

    def batch_constraints(self, X):
        return np.stack([X[:, 0] + X[:, 1] - 3.0, X[:, 2] - X[:, 3] + 1.0], axis=1)


class Impossible(Capped):
    def constraints(self, x):
        return [1.0 + x[0]]


@pytest.mark.parametrize("problem", [Capped, BatchCapped])
def test_constraints_beside_one_fitness_keep_the_best_feasible(problem):
    result = solve(problem(), threads=2, deterministic=True, max_iterations=0, max_evaluations=20000)
    assert result.feasible and result.violation == 0.0
    assert 21.0 < result.fitness <= 22.0 + 1e-9
    assert max(Capped().constraints(result.genes)) <= 1e-9
    assert not result.front
    stuck = solve(Impossible(), threads=1, max_iterations=0, max_evaluations=2000)
    assert not stuck.feasible and stuck.violation == pytest.approx(1.0 + stuck.genes[0])
    assert stuck.genes[0] < 0.1  # the least violating one wins


def test_the_batch_forms_score_many_rows_per_call():
    rows = {"objectives": [], "constraints": []}

    class Counting(BatchBnh):
        def batch_objectives(self, X):
            rows["objectives"].append(len(X))
            return BatchBnh.batch_objectives(self, X)

    class CountingCapped(BatchCapped):
        def batch_constraints(self, X):
            rows["constraints"].append(len(X))
            return BatchCapped.batch_constraints(self, X)

    several = solve(Counting(), threads=2)
    one = solve(CountingCapped(), threads=2, deterministic=True, max_iterations=0, max_evaluations=3000)
    # Every genome once, and the one genome that found M (K) before the run.
    assert sum(rows["objectives"]) == several.evaluations + 1
    assert sum(rows["constraints"]) == one.evaluations + 1
    assert max(rows["objectives"]) > 1 and max(rows["constraints"]) > 1
    assert len(rows["objectives"]) * 5 < several.evaluations


class Both(Bnh):
    def fitness(self, x):
        return 0.0


class OneObjective(Bnh):
    def objectives(self, x):
        return [x[0]]


class Minimising(Bnh):
    minimise = True


class Growing(Bnh):
    """Two objectives at first, three from the hundredth call on."""

    calls = 0

    def objectives(self, x):
        Growing.calls += 1
        return Bnh.objectives(self, x) + ([1.0] if Growing.calls > 100 else [])


class NaNObjective(Bnh):
    def objectives(self, x):
        return [float("nan") if x[0] > 4 else x[0], x[1]]


class NaNConstraint(Capped):
    def constraints(self, x):
        return [float("nan") if x[0] > 9 else 0.0]


class WordConstraint(Capped):
    def constraints(self, x):
        return ["no"]


class ShortBatch(BatchBnh):
    """One row too many, from the hundredth call on."""

    calls = 0

    def batch_objectives(self, X):
        ShortBatch.calls += 1
        return np.zeros((len(X) + (ShortBatch.calls > 100), 2))


def test_a_wrong_problem_of_several_objectives_is_refused_before_the_run():
    with pytest.raises(TypeError, match="has both fitness and objectives"):
        solve(Both())
    with pytest.raises(ValueError, match="returned 1 value.*fitness"):
        solve(OneObjective())
    with pytest.raises(TypeError, match="minimise"):
        solve(Minimising())
    with pytest.raises(TypeError, match="WordConstraint.constraints returned"):
        solve(WordConstraint())


@pytest.mark.parametrize("problem,error,message", [
    (Growing, ValueError, r"Growing.objectives returned shape \(3,\) where \(2,\) was wanted"),
    (NaNObjective, ValueError, "NaNObjective.objectives returned NaN"),
    (NaNConstraint, ValueError, "NaNConstraint.constraints returned NaN"),
    (ShortBatch, ValueError, r"batch_objectives returned shape \((\d+), 2\) where \((?!\1)\d+, 2\)"),
])
@pytest.mark.parametrize("threads", [1, 2])
def test_a_wrong_answer_in_the_run_ends_it_with_its_record_and_raises(tmp_path, problem, error, message, threads):
    Growing.calls = ShortBatch.calls = 0
    record = tmp_path / "run.json"
    options = dict(max_iterations=0, max_evaluations=20000) if problem is NaNConstraint else {}
    with pytest.raises(error, match=message):
        solve(problem(), threads=threads, record=str(record), **options)
    assert json.loads(record.read_text())["stop_reason"] == "error"
