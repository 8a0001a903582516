"""The genome kinds, the operator choices and the options as zarnel.solve
passes them to the engine."""

import json

import numpy as np
import pytest

import zarnel


@pytest.mark.parametrize(
    "make, words",
    [
        (lambda: zarnel.RealVector([1.0], [0.0]), "lower bound 1 is above its upper bound 0"),
        (lambda: zarnel.RealVector([0.0, 0.0], [1.0]), "RealVector"),
        (lambda: zarnel.IntegerVector([5], [4]), "IntegerVector"),
        (lambda: zarnel.Permutation(0), "Permutation"),
        (lambda: zarnel.RealVectorOperators(crossover="blx"), "'blx' is none of 'sbx', 'blx_alpha'"),
        (lambda: zarnel.RealVectorOperators(mutation_rate=2), "mutation_rate 2 is not in"),
        (lambda: zarnel.RealVectorOperators(differential_weight=-1), "differential_weight -1"),
        (lambda: zarnel.RealVectorOperators(differential_rate=1.5), "differential_rate 1.5 is not in"),
        (lambda: zarnel.PermutationOperators(mutation="flip"), "mutation 'flip' is none of"),
    ],
    ids=["bounds", "lengths", "integer-bounds", "empty", "crossover", "rate", "weight", "cr", "mutation"],
)
def test_a_kind_or_choice_its_checks_refuse_is_a_value_error(make, words):
    with pytest.raises(ValueError, match=words):
        make()


def test_a_changed_choice_is_checked_and_named_as_the_record_names_it():
    choice = zarnel.RealVectorOperators(crossover="blx_alpha", mutation="gaussian")
    assert choice.name == "blx_alpha+gaussian"
    choice.crossover = "arithmetic"
    assert choice.name == "arithmetic+gaussian"
    with pytest.raises(ValueError):
        choice.crossover_rate = -0.5
    assert choice.crossover_rate == zarnel.RealVectorOperators().crossover_rate


class Sphere:
    def genome(self):
        return zarnel.RealVector([-2.0] * 6, [2.0] * 6)

    def fitness(self, x):
        return -float(np.dot(x, x))


def test_the_options_and_operators_reach_the_run_as_given(tmp_path):
    record = tmp_path / "run.json"
    operators = zarnel.RealVectorOperators(crossover="arithmetic", mutation="gaussian", gaussian_sigma=0.2)
    result = zarnel.solve(Sphere(), operators, threads=1, population=40, tournament_size=5, seed=2**63 + 5,
                          max_iterations=30, batch_size=4, quiet=True, record=str(record))
    written = json.loads(record.read_text())
    assert written["operators"] == "arithmetic+gaussian"
    parameters = written["parameters"]
    assert (parameters["threads"], parameters["population"], parameters["tournament_size"]) == (1, 40, 5)
    assert parameters["seed"] == 2**63 + 5 == result.seed
    assert parameters["batch_size"] == 4 and parameters["max_iterations"] == 30
    assert result.stop_reason == "iteration_limit" and result.iterations == 30


def test_the_differential_step_takes_its_weight_and_rate():
    # F 0 and CR 1 make every child the tournament's best parent (before its
    # mutation, here none), so the population can only lose diversity; F 0.8
    # moves it. The same seed tells them apart only through F.
    def run(weight):
        operators = zarnel.RealVectorOperators(crossover="differential", mutation_rate=0.0,
                                               differential_weight=weight, differential_rate=1.0)
        assert operators.differential_weight == weight and operators.name.startswith("differential")
        return zarnel.solve(Sphere(), operators, threads=1, population=40, tournament_size=4, seed=11,
                            max_iterations=40, quiet=True)
    still, moving = run(0.0), run(0.8)
    assert moving.fitness > still.fitness
    assert not np.array_equal(still.genes, moving.genes)


def test_a_minimised_problem_reports_its_cost_and_stops_at_a_cost_target():
    class Cost(Sphere):
        minimise = True

        def fitness(self, x):
            return float(np.dot(x, x))

    result = zarnel.solve(Cost(), seed=4, deterministic=True, quiet=True, target=0.01, max_evaluations=200000)
    assert result.stop_reason == "target"
    assert 0.0 <= result.fitness <= 0.01
    assert result.fitness == pytest.approx(float(np.dot(result.genes, result.genes)))
