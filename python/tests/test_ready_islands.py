"""The travelling salesman as a ready C++ problem, islands and a resumed
dump, all from Python."""

import itertools
import json
import math
import threading

import numpy as np
import pytest

import zarnel

# Eight cities on a plane, EUC_2D: distances are sqrt(dx^2 + dy^2) rounded.
CITIES = [(0, 0), (13, 2), (25, 9), (31, 24), (22, 37), (9, 33), (-4, 21), (11, 17)]


def write_instance(folder):
    path = folder / "eight.tsp"
    lines = ["NAME : eight", "TYPE : TSP", "DIMENSION : %d" % len(CITIES), "EDGE_WEIGHT_TYPE : EUC_2D",
             "NODE_COORD_SECTION"]
    lines += ["%d %d %d" % (i + 1, x, y) for i, (x, y) in enumerate(CITIES)]
    path.write_text("\n".join(lines + ["EOF", ""]))
    return path


def length(tour):
    def d(a, b):
        (xa, ya), (xb, yb) = CITIES[a], CITIES[b]
        return int(math.floor(math.hypot(xa - xb, ya - yb) + 0.5))
    return sum(d(tour[i], tour[(i + 1) % len(tour)]) for i in range(len(tour)))


def shortest():
    return min(length((0,) + rest) for rest in itertools.permutations(range(1, len(CITIES))))


@pytest.mark.parametrize("plain", [False, True])
def test_the_ready_tsp_finds_the_shortest_tour_and_measures_it_as_python_does(tmp_path, plain):
    problem = zarnel.problems.tsp(str(write_instance(tmp_path)), plain=plain)
    assert problem.minimise and problem.name() == "tsp eight"
    assert problem.fitness(np.array([0, 1, 2, 3, 4, 5, 6, 7])) == length(range(8))
    record = tmp_path / "run.json"
    result = zarnel.solve(problem, seed=3, threads=2, deterministic=True, quiet=True, max_evaluations=20000,
                          target=shortest(), record=str(record))
    assert result.genes.dtype == np.uint32
    assert sorted(result.genes) == list(range(len(CITIES)))
    assert result.fitness == length(result.genes) == shortest()
    assert result.stop_reason == "target"
    assert json.loads(record.read_text())["solution"] == [int(c) + 1 for c in result.genes]


def test_a_tsp_file_that_cannot_be_read_is_refused(tmp_path):
    with pytest.raises(FileNotFoundError, match="no file"):
        zarnel.problems.tsp(str(tmp_path / "none.tsp"))
    bad = tmp_path / "bad.tsp"
    bad.write_text("NAME : bad\nTYPE : TSP\nDIMENSION : 3\nEDGE_WEIGHT_TYPE : MAN_3D\nEOF\n")
    with pytest.raises(ValueError, match="MAN_3D"):
        zarnel.problems.tsp(str(bad))
    with pytest.raises(ValueError, match="fitness"):
        zarnel.problems.tsp(str(write_instance(tmp_path))).fitness(np.array([0, 0, 1, 2, 3, 4, 5, 6]))


class Sphere:
    def genome(self):
        return zarnel.RealVector([-5.0] * 8, [5.0] * 8)

    def fitness(self, x):
        return -float(np.dot(x, x))


def test_islands_run_from_python_and_repeat_when_deterministic(tmp_path):
    record = tmp_path / "islands.json"
    options = dict(seed=9, islands=3, migration_interval=5, quiet=True, deterministic=True, max_iterations=60)
    first = zarnel.solve(Sphere(), threads=3, record=str(record), **options)
    again = zarnel.solve(Sphere(), threads=1, **options)
    assert list(first.genes) == list(again.genes) and first.fitness == again.fitness
    assert first.fitness > -0.5
    assert len(json.loads(record.read_text())["islands"]) == 3


def test_a_dump_resumed_from_python_goes_on_from_its_population(tmp_path):
    stop = threading.Event()

    def progress(p):
        if p.iteration >= 5:
            stop.set()

    stopped = zarnel.solve(Sphere(), seed=4, threads=2, deterministic=True, quiet=True, progress=progress,
                           progress_every=1, stop=stop, dump_on_stop=True, dump_directory=str(tmp_path),
                           time_limit=60)
    assert stopped.stop_reason == "signal" and len(stopped.dumps) == 1
    resumed = zarnel.solve(Sphere(), seed=4, threads=2, deterministic=True, quiet=True, max_iterations=5,
                           resume_from=stopped.dumps[0])
    fresh = zarnel.solve(Sphere(), seed=4, threads=2, deterministic=True, quiet=True, max_iterations=5)
    assert resumed.stop_reason == "iteration_limit"
    assert resumed.fitness >= stopped.fitness
    assert resumed.fitness > fresh.fitness
    with pytest.raises(zarnel.SolveError):
        zarnel.solve(Sphere(), quiet=True, max_iterations=5, resume_from=str(tmp_path / "none.txt"))
