#!/usr/bin/python3
"""The suites' problems through DEAP's NSGA-II and NSGA-III, for the
side-by-side comparison of several objectives (perf/moo_peers.sh).

Each algorithm is run as DEAP's own examples run it (examples/ga/nsga2.py:
SBX eta 20 with probability 0.9, polynomial mutation eta 20 at 1/n per
variable, selTournamentDCD; examples/ga/nsga3.py: SBX eta 30 and
polynomial mutation eta 20 always, varAnd mating, selNSGA3 on
uniform_reference_points, two layers above 5 objectives). The problem's
variables, bounds and budget come from `score_front --info`, so both
sides read one definition. ZDT1-4, ZDT6 and DTLZ1-4, DTLZ7 are DEAP's
benchmark functions; DTLZ5 and DTLZ6 are written here, because DEAP's
take every variable after the first into the angle product (they are not
the published functions); BNH, SRN, CONSTR and C2-DTLZ2, which DEAP lacks,
are written here too, their constraints through DEAP's DeltaPenalty (an
infeasible point scores 10^6 plus its total violation in every objective,
so that feasible points beat it and smaller violations beat larger ones).

  deap_moo.py --problem zdt1 --algorithm nsga2 --seed 3 --out run.txt
              [--evaluations N] [--population N] [--score-front PATH]

Writes comment lines (problem, algorithm, seed, evaluations, seconds), then
one line per individual of the final population: its variables and the
problem's objectives (perf/score_front checks them against its own).
"""
import argparse
import math
import random
import subprocess
import sys
import time

import numpy
from deap import base, benchmarks, creator, tools, algorithms

PENALTY = 1e6


def info(score_front, problem):
    out = subprocess.run([score_front, "--info", problem], check=True, capture_output=True, text=True).stdout
    fields = {}
    for line in out.splitlines():
        key, *values = line.split()
        fields[key] = values
    return {
        "n": int(fields["variables"][0]),
        "m": int(fields["objectives"][0]),
        "k": int(fields["constraints"][0]),
        "population": int(fields["population"][0]),
        "evaluations": int(fields["evaluations"][0]),
        "lower": [float(v) for v in fields["lower"]],
        "upper": [float(v) for v in fields["upper"]],
    }


def sphere(theta, scale):
    m = len(theta) + 1
    f = []
    for i in range(m):
        value = scale
        for j in range(m - 1 - i):
            value *= math.cos(theta[j])
        if i > 0:
            value *= math.sin(theta[m - 1 - i])
        f.append(value)
    return f


def dtlz56(x, m, sixth):
    tail = x[m - 1:]
    g = sum(v ** 0.1 for v in tail) if sixth else sum((v - 0.5) ** 2 for v in tail)
    theta = [x[0] * math.pi / 2] + [math.pi / (4 * (1 + g)) * (1 + 2 * g * x[j]) for j in range(1, m - 1)]
    return sphere(theta, 1 + g)


def c2dtlz2(x):
    f = benchmarks.dtlz2(x, 3)
    r2 = 0.4 ** 2
    nearest = sum((fi - 1 / math.sqrt(3)) ** 2 for fi in f) - r2
    for i in range(3):
        nearest = min(nearest, sum((f[j] - 1) ** 2 if j == i else f[j] ** 2 for j in range(3)) - r2)
    return f, [nearest]


# Objectives and constraints (each <= 0 when met) of a decision vector.
def problem_function(name, m):
    if name.startswith("zdt"):
        function = getattr(benchmarks, name)
        return lambda x: (list(function(x)), [])
    if name.startswith("dtlz"):
        number = int(name[4])
        if number in (5, 6):
            return lambda x: (dtlz56(x, m, number == 6), [])
        if number == 4:
            return lambda x: (benchmarks.dtlz4(x, m, 100), [])
        function = getattr(benchmarks, "dtlz%d" % number)
        return lambda x: (list(function(x, m)), [])
    if name == "bnh":
        return lambda x: ([4 * x[0] ** 2 + 4 * x[1] ** 2, (x[0] - 5) ** 2 + (x[1] - 5) ** 2],
                          [(x[0] - 5) ** 2 + x[1] ** 2 - 25, 7.7 - (x[0] - 8) ** 2 - (x[1] + 3) ** 2])
    if name == "srn":
        return lambda x: ([2 + (x[0] - 2) ** 2 + (x[1] - 1) ** 2, 9 * x[0] - (x[1] - 1) ** 2],
                          [x[0] ** 2 + x[1] ** 2 - 225, x[0] - 3 * x[1] + 10])
    if name == "constr":
        return lambda x: ([x[0], (1 + x[1]) / x[0]], [6 - x[1] - 9 * x[0], 1 + x[1] - 9 * x[0]])
    if name == "c2dtlz2":
        return c2dtlz2
    raise SystemExit("deap_moo.py: DEAP has no counterpart of %s" % name)


def violation(constraints):
    return sum(max(0.0, g) for g in constraints)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--problem", required=True)
    parser.add_argument("--algorithm", required=True, choices=["nsga2", "nsga3"])
    parser.add_argument("--seed", type=int, required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--evaluations", type=int)
    parser.add_argument("--population", type=int)
    parser.add_argument("--score-front", default="build/release/perf/score_front")
    args = parser.parse_args()

    problem_info = info(args.score_front, args.problem)
    n, m = problem_info["n"], problem_info["m"]
    if m < 2:
        raise SystemExit("deap_moo.py: %s has one objective" % args.problem)
    evaluations = args.evaluations or problem_info["evaluations"]
    population = args.population or problem_info["population"]
    if args.algorithm == "nsga2" and population % 4 != 0:
        raise SystemExit("deap_moo.py: selTournamentDCD needs a population that is a multiple of 4")
    function = problem_function(args.problem, m)
    low, up = problem_info["lower"], problem_info["upper"]

    random.seed(args.seed)
    numpy.random.seed(args.seed)  # selNSGA3 breaks its ties with numpy's generator
    creator.create("FitnessMin", base.Fitness, weights=(-1.0,) * m)
    creator.create("Individual", list, fitness=creator.FitnessMin)
    toolbox = base.Toolbox()
    toolbox.register("attr", lambda: [random.uniform(a, b) for a, b in zip(low, up)])
    toolbox.register("individual", tools.initIterate, creator.Individual, toolbox.attr)
    toolbox.register("population", tools.initRepeat, list, toolbox.individual)

    def evaluate(x):
        return tuple(function(x)[0])

    if problem_info["k"] > 0:
        feasible = lambda x: violation(function(x)[1]) <= 0
        distance = lambda x: violation(function(x)[1])
        evaluate = tools.DeltaPenalty(feasible, [PENALTY] * m, distance)(evaluate)
    counted = [0]

    def counting(x):
        counted[0] += 1
        return evaluate(x)

    toolbox.register("evaluate", counting)
    if args.algorithm == "nsga2":
        toolbox.register("mate", tools.cxSimulatedBinaryBounded, low=low, up=up, eta=20.0)
        toolbox.register("mutate", tools.mutPolynomialBounded, low=low, up=up, eta=20.0, indpb=1.0 / n)
        toolbox.register("select", tools.selNSGA2)
    else:
        if m <= 5:
            divisions = {2: population - 1, 3: 12, 4: 7, 5: 6}[m]
            points = tools.uniform_reference_points(m, divisions)
        else:
            points = numpy.concatenate([tools.uniform_reference_points(m, 3),
                                        tools.uniform_reference_points(m, 2, scaling=0.5)])
        toolbox.register("mate", tools.cxSimulatedBinaryBounded, low=low, up=up, eta=30.0)
        toolbox.register("mutate", tools.mutPolynomialBounded, low=low, up=up, eta=20.0, indpb=1.0 / n)
        toolbox.register("select", tools.selNSGA3, ref_points=points)

    start = time.perf_counter()
    pop = toolbox.population(n=population)
    for ind in pop:
        ind.fitness.values = toolbox.evaluate(ind)
    if args.algorithm == "nsga2":
        pop = toolbox.select(pop, len(pop))  # gives each its crowding distance
    while counted[0] + population <= evaluations:
        if args.algorithm == "nsga2":
            offspring = [toolbox.clone(ind) for ind in tools.selTournamentDCD(pop, len(pop))]
            for a, b in zip(offspring[::2], offspring[1::2]):
                if random.random() <= 0.9:
                    toolbox.mate(a, b)
                toolbox.mutate(a)
                toolbox.mutate(b)
                del a.fitness.values, b.fitness.values
        else:
            offspring = algorithms.varAnd(pop, toolbox, 1.0, 1.0)
        for ind in offspring:
            if not ind.fitness.valid:
                ind.fitness.values = toolbox.evaluate(ind)
        pop = toolbox.select(pop + offspring, population)
    seconds = time.perf_counter() - start

    with open(args.out, "w") as out:
        out.write("# problem %s\n# algorithm deap %s\n# seed %d\n# population %d\n# evaluations %d\n"
                  "# seconds %.3f\n" % (args.problem, args.algorithm, args.seed, population, counted[0], seconds))
        for ind in pop:
            f = function(ind)[0]
            out.write(" ".join(repr(float(v)) for v in list(ind) + list(f)) + "\n")


if __name__ == "__main__":
    sys.exit(main())
