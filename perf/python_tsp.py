#!/usr/bin/python3
"""Zarnel from Python on berlin52 against DEAP, the ready C++ TSP, threads
with a fitness that releases the GIL, and the calling overhead per genome
kind, side by side in one run.

1. berlin52 with its distance matrix in numpy. DEAP: its TSP example's setup
   (examples/ga/tsp.py: indices by random.sample, cxPartialyMatched,
   mutShuffleIndexes indpb 0.05, selTournament 3, eaSimple cxpb 0.7 mutpb
   0.2, population 300) for --deap-generations generations; its median final
   length is the target. Zarnel: its plain GA on a Permutation (its default
   operators) with a Python `fitness` and with `batch_fitness`, stopped at
   that target (or --zarnel-limit seconds): the time it took.
2. zarnel.problems.tsp(berlin52): the memetic GA in C++, target 7542 (the
   optimum), time limit 10 s.
3. A batch_fitness that releases the GIL (a 160 x 160 matrix product per
   row), deterministic, at 1 and 2 threads: the speed-up.
4. An empty fitness against an empty batch_fitness, per child, for each
   genome kind (process CPU time, median of 3).

Usage (from the source tree, after a release build):
  PYTHONPATH=build/release/python /usr/bin/python3 perf/python_tsp.py \
      [--seeds 3] [--threads 2] [--deap-generations 40] [--only tsp,ready,gil,overhead]
"""

import argparse
import os

# One BLAS thread: the speed-up measured is Zarnel's threads', not BLAS's.
os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")
os.environ.setdefault("OMP_NUM_THREADS", "1")

import random  # noqa: E402
import statistics  # noqa: E402
import time  # noqa: E402

import numpy as np  # noqa: E402

import zarnel  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
BERLIN52 = os.path.join(HERE, "..", "examples", "tsp", "data", "berlin52.tsp")


def read_euc_2d(path):
    """The distance matrix of a TSPLIB EUC_2D file: nint(sqrt(dx^2 + dy^2))."""
    points, reading = [], False
    with open(path) as text:
        for line in text:
            line = line.strip()
            if line == "NODE_COORD_SECTION":
                reading = True
            elif line == "EOF" or not line:
                reading = False
            elif reading:
                _, x, y = line.split()
                points.append((float(x), float(y)))
    xy = np.array(points)
    return np.floor(np.sqrt(((xy[:, None, :] - xy[None, :, :]) ** 2).sum(axis=2)) + 0.5)


class Tour:
    minimise = True

    def __init__(self, distances):
        self.d = distances

    def genome(self):
        return zarnel.Permutation(len(self.d))

    def fitness(self, x):
        return self.d[x, np.roll(x, -1)].sum()


class BatchTour(Tour):
    fitness = None

    def batch_fitness(self, X):
        return self.d[X, np.roll(X, -1, axis=1)].sum(axis=1)


def deap_tsp(distances, generations, seed):
    from deap import algorithms, base, creator, tools
    import array

    n = len(distances)
    if not hasattr(creator, "FitnessMinTsp"):
        creator.create("FitnessMinTsp", base.Fitness, weights=(-1.0,))
        creator.create("TourIndividual", array.array, typecode="i", fitness=creator.FitnessMinTsp)
    random.seed(seed)
    toolbox = base.Toolbox()
    toolbox.register("indices", random.sample, range(n), n)
    toolbox.register("individual", tools.initIterate, creator.TourIndividual, toolbox.indices)
    toolbox.register("population", tools.initRepeat, list, toolbox.individual)

    def evaluate(individual):
        x = np.frombuffer(individual, dtype=np.int32)
        return (distances[x, np.roll(x, -1)].sum(),)

    toolbox.register("mate", tools.cxPartialyMatched)
    toolbox.register("mutate", tools.mutShuffleIndexes, indpb=0.05)
    toolbox.register("select", tools.selTournament, tournsize=3)
    toolbox.register("evaluate", evaluate)
    start = time.perf_counter()
    population = toolbox.population(n=300)
    hof = tools.HallOfFame(1)
    _, logbook = algorithms.eaSimple(population, toolbox, 0.7, 0.2, generations, halloffame=hof, verbose=False)
    wall = time.perf_counter() - start
    return wall, hof[0].fitness.values[0], sum(entry["nevals"] for entry in logbook)


def zarnel_to(problem, target, seed, threads, limit):
    start = time.perf_counter()
    result = zarnel.solve(problem, seed=seed, threads=threads, target=target, time_limit=limit, quiet=True)
    return time.perf_counter() - start, result.fitness, result.evaluations, result.stop_reason


def compare_tsp(args):
    d = read_euc_2d(BERLIN52)
    deap = [deap_tsp(d, args.deap_generations, seed) for seed in range(1, args.seeds + 1)]
    target = statistics.median(r[1] for r in deap)
    deap_wall = statistics.median(r[0] for r in deap)
    print("berlin52, DEAP's TSP example setup, %d generations, %d seeds: median length %.0f, median wall %.3f s, "
          "evaluations %s" % (args.deap_generations, args.seeds, target, deap_wall,
                              "/".join(str(r[2]) for r in deap)))
    for name, problem in (("zarnel fitness", Tour(d)), ("zarnel batch_fitness", BatchTour(d))):
        runs = [zarnel_to(problem, target, seed, args.threads, args.zarnel_limit)
                for seed in range(1, args.seeds + 1)]
        wall = statistics.median(r[0] for r in runs)
        print("  %-21s to length <= %.0f: median wall %7.3f s (%.3fx DEAP), lengths %s, stops %s, evaluations %s"
              % (name, target, wall, wall / deap_wall, "/".join("%.0f" % r[1] for r in runs),
                 "/".join(r[3] for r in runs), "/".join(str(r[2]) for r in runs)))


def ready_tsp(args):
    problem = zarnel.problems.tsp(BERLIN52)
    runs = [zarnel_to(problem, 7542, seed, args.threads, 10.0) for seed in range(1, args.seeds + 1)]
    print("zarnel.problems.tsp(berlin52), target 7542, time limit 10 s, %d threads:" % args.threads)
    for seed, r in enumerate(runs, 1):
        print("  seed %d: %.3f s, length %.0f, %s, %d evaluations" % (seed, r[0], r[1], r[3], r[2]))


class HeavyBatch:
    """Each row becomes a 160 x 160 matrix multiplied by a fixed one: numpy
    releases the GIL inside the product."""

    def __init__(self):
        self.w = np.random.default_rng(0).standard_normal((160, 160))

    def genome(self):
        return zarnel.RealVector([-1.0] * 16, [1.0] * 16)

    def batch_fitness(self, X):
        out = np.empty(len(X))
        for i, x in enumerate(X):
            m = np.resize(x, (160, 160))
            out[i] = -abs(float(np.trace(self.w @ m)))
        return out


def gil(args):
    """Wall time at 1 and 2 threads, and the process's CPU time over its wall
    time: near 2 at 2 threads when the threads do run at once (on a machine
    with two free cores the wall time then halves)."""
    problem = HeavyBatch()
    walls, busy = {}, {}
    for threads in (1, 2):
        runs = []
        for _ in range(args.seeds):
            start, cpu = time.perf_counter(), time.process_time()
            zarnel.solve(problem, seed=1, threads=threads, deterministic=True, max_evaluations=args.gil_evaluations,
                         quiet=True)
            runs.append((time.perf_counter() - start, time.process_time() - cpu))
        walls[threads] = statistics.median(r[0] for r in runs)
        busy[threads] = statistics.median(r[1] / r[0] for r in runs)
    print("GIL-releasing batch_fitness (160x160 product per row), %d evaluations, deterministic, median of %d: "
          "1 thread %.3f s (CPU/wall %.2f), 2 threads %.3f s (CPU/wall %.2f), speed-up %.2fx"
          % (args.gil_evaluations, args.seeds, walls[1], busy[1], walls[2], busy[2], walls[1] / walls[2]))


def kinds():
    def problem(kind, batch):
        class Empty:
            def genome(self):
                return kind

        if batch:
            Empty.batch_fitness = lambda self, X: np.zeros(len(X))
        else:
            Empty.fitness = lambda self, x: 0.0
        return Empty()

    return [("RealVector(30)", lambda: zarnel.RealVector([-5.12] * 30, [5.12] * 30)),
            ("IntegerVector(30)", lambda: zarnel.IntegerVector([0] * 30, [100] * 30)),
            ("BitString(30)", lambda: zarnel.BitString(30)),
            ("Permutation(30)", lambda: zarnel.Permutation(30))], problem


def overhead(args):
    calls = 200000
    table, make = kinds()
    print("Calling overhead, %d evaluations, 1 thread (process CPU time per child, median of 3):" % calls)
    for name, kind in table:
        costs = {False: [], True: []}
        for _ in range(3):
            for batch in (False, True):
                start = time.process_time()
                result = zarnel.solve(make(kind(), batch), seed=1, threads=1, max_evaluations=calls, quiet=True)
                costs[batch].append((time.process_time() - start) / result.evaluations * 1e6)
        fitness, batch = statistics.median(costs[False]), statistics.median(costs[True])
        print("  %-18s empty fitness %6.3f us, empty batch_fitness %6.3f us, a Python call %6.3f us"
              % (name, fitness, batch, fitness - batch))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seeds", type=int, default=3)
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--deap-generations", type=int, default=40)
    parser.add_argument("--zarnel-limit", type=float, default=60.0)
    parser.add_argument("--gil-evaluations", type=int, default=3000)
    parser.add_argument("--only", default="tsp,ready,gil,overhead")
    args = parser.parse_args()
    parts = {"tsp": compare_tsp, "ready": ready_tsp, "gil": gil, "overhead": overhead}
    print("load average before: %.2f %.2f %.2f" % os.getloadavg())
    for part in args.only.split(","):
        parts[part](args)
        print("load average: %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
