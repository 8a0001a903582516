#!/usr/bin/python3
"""Zarnel from Python against DEAP's eaSimple, side by side in one run.

Rastrigin-30 (maximised as -f) with the same number of evaluations: Zarnel
with a per-genome `fitness`, Zarnel with `batch_fitness`, and DEAP's
eaSimple with its documented real-valued operators (simulated binary
crossover and polynomial mutation, both bounded, eta 20, tournament of 3).
Then the calling overhead of Python: an empty `fitness` against an empty
`batch_fitness`, per child.

Usage (from the source tree, after a release build):
  PYTHONPATH=build/release/python /usr/bin/python3 perf/python_vs_deap.py \
      [--evaluations 100000] [--seeds 3] [--threads 2]
Prints wall times, median best fitness, the ratios and the load average.
"""

import argparse
import os
import random
import statistics
import time

import numpy as np

import zarnel

N = 30
LOW, UP = -5.12, 5.12


def rastrigin(x):
    return -(10 * len(x) + np.sum(x * x - 10 * np.cos(2 * np.pi * x)))


class Rastrigin:
    def genome(self):
        return zarnel.RealVector([LOW] * N, [UP] * N)

    def fitness(self, x):
        return rastrigin(x)


class BatchRastrigin:
    def genome(self):
        return zarnel.RealVector([LOW] * N, [UP] * N)

    def batch_fitness(self, X):
        return -(10 * X.shape[1] + np.sum(X * X - 10 * np.cos(2 * np.pi * X), axis=1))


class Empty:
    def genome(self):
        return zarnel.RealVector([LOW] * N, [UP] * N)

    def fitness(self, x):
        return 0.0


class EmptyBatch:
    def genome(self):
        return zarnel.RealVector([LOW] * N, [UP] * N)

    def batch_fitness(self, X):
        return np.zeros(len(X))


def zarnel_run(problem, evaluations, seed, threads, clock=time.perf_counter):
    start = clock()
    result = zarnel.solve(problem, seed=seed, threads=threads, max_evaluations=evaluations, quiet=True)
    return clock() - start, result.fitness, result.evaluations


def deap_run(evaluations, seed):
    from deap import algorithms, base, creator, tools

    if not hasattr(creator, "FitnessMax"):
        creator.create("FitnessMax", base.Fitness, weights=(1.0,))
        creator.create("Individual", list, fitness=creator.FitnessMax)
    random.seed(seed)
    toolbox = base.Toolbox()
    toolbox.register("attr", random.uniform, LOW, UP)
    toolbox.register("individual", tools.initRepeat, creator.Individual, toolbox.attr, N)
    toolbox.register("population", tools.initRepeat, list, toolbox.individual)
    toolbox.register("evaluate", lambda ind: (rastrigin(np.asarray(ind)),))
    toolbox.register("mate", tools.cxSimulatedBinaryBounded, eta=20.0, low=LOW, up=UP)
    toolbox.register("mutate", tools.mutPolynomialBounded, eta=20.0, low=LOW, up=UP, indpb=1.0 / N)
    toolbox.register("select", tools.selTournament, tournsize=3)

    start = time.perf_counter()
    population = toolbox.population(n=100)
    stats = tools.Statistics()
    stats.register("n", len)
    done = 0
    # eaSimple one generation at a time, so that it stops at the budget: each
    # call is exactly one generation of its loop (the first also scores the
    # first population); the counts come from its logbook.
    while done < evaluations:
        population, logbook = algorithms.eaSimple(population, toolbox, cxpb=0.9, mutpb=1.0, ngen=1,
                                                  verbose=False)
        done += sum(entry["nevals"] for entry in logbook)
    best = max(ind.fitness.values[0] for ind in population)
    return time.perf_counter() - start, best, done


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--evaluations", type=int, default=100000)
    parser.add_argument("--seeds", type=int, default=3)
    parser.add_argument("--threads", type=int, default=2)
    args = parser.parse_args()

    print("load average before: %.2f %.2f %.2f" % os.getloadavg())
    rows = {}
    runs = [
        ("zarnel fitness", lambda s: zarnel_run(Rastrigin(), args.evaluations, s, args.threads)),
        ("zarnel batch_fitness", lambda s: zarnel_run(BatchRastrigin(), args.evaluations, s, args.threads)),
        ("deap eaSimple", lambda s: deap_run(args.evaluations, s)),
    ]
    for seed in range(1, args.seeds + 1):
        for name, function in runs:
            rows.setdefault(name, []).append(function(seed))
    print("Rastrigin-%d, %d evaluations, %d seeds, Zarnel threads %d" % (N, args.evaluations, args.seeds,
                                                                       args.threads))
    deap_time = statistics.median(r[0] for r in rows["deap eaSimple"])
    for name, results in rows.items():
        wall = statistics.median(r[0] for r in results)
        print("  %-22s median wall %7.3f s (%.3fx DEAP)  median best %10.4f  evaluations %s" % (
            name, wall, wall / deap_time, statistics.median(r[1] for r in results),
            "/".join(str(r[2]) for r in results)))

    calls = max(args.evaluations * 2, 200000)
    # Process CPU time, not wall time: on a loaded machine the wall time
    # counts the other programs' share too.
    # The engine's own work per child (sbx and polynomial mutation on 30
    # reals) is the same in both forms; an empty batch_fitness adds one Python
    # call per batch, an empty fitness one per child: the difference is the
    # cost of a Python call per child. Median of three runs each, in turn.
    print("Calling overhead, %d evaluations, 1 thread (process CPU time, median of 3):" % calls)
    problems = [("empty fitness", Empty()), ("empty batch", EmptyBatch())]
    costs = {name: [] for name, _ in problems}
    for _ in range(3):
        for name, problem in problems:
            cpu, _, evals = zarnel_run(problem, calls, 1, 1, clock=time.process_time)
            costs[name].append(cpu / evals * 1e6)
    medians = {name: statistics.median(values) for name, values in costs.items()}
    for name, value in medians.items():
        print("  %-18s %6.3f us per child" % (name, value))
    print("  %-18s %6.3f us per child" % ("a Python call", medians["empty fitness"] - medians["empty batch"]))
    print("load average after: %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
