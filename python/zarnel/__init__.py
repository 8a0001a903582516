"""Zarnel's master-slave genetic algorithm from Python.

A problem is any object with ``genome()`` (a zarnel.Permutation, BitString,
RealVector or IntegerVector) and ``fitness(x)`` or ``batch_fitness(X)``, or
instead ``objectives(x)`` or ``batch_objectives(X)`` (two or more values, all
minimised); optionally ``constraints(x)`` or ``batch_constraints(X)`` (each
value <= 0 when met), ``improve(x[, random])``, ``name()``, ``decode(x)``, a
true ``minimise`` attribute (one objective) and ``reference_point()``
(several). ``zarnel.solve(problem, **options)`` runs it and
returns a zarnel.Result. See docs/python.md.
"""

import inspect

from . import _zarnel
from ._zarnel import (
    BitString,
    BitStringOperators,
    IntegerVector,
    IntegerVectorOperators,
    Permutation,
    PermutationOperators,
    Progress,
    Random,
    RealVector,
    RealVectorOperators,
    SolveError,
)
from . import problems

__all__ = [
    "solve", "Result", "FrontMember", "default_options", "SolveError", "Progress", "Random",
    "Permutation", "BitString", "RealVector", "IntegerVector",
    "PermutationOperators", "BitStringOperators", "RealVectorOperators", "IntegerVectorOperators",
    "problems",
]


class FrontMember:
    """One member of the front of a run of several objectives: ``genes`` (a
    numpy array), ``objectives`` (a list of M floats, minimised),
    ``violation`` (0.0: feasible; the front holds feasible members only) and
    ``solution`` (what decode made of the genes, or [])."""

    __slots__ = ("genes", "objectives", "violation", "solution")

    def __init__(self, genes, objectives, violation, solution):
        self.genes = genes
        self.objectives = objectives
        self.violation = violation
        self.solution = solution

    def __repr__(self):
        return "FrontMember(objectives=%r, violation=%r)" % (self.objectives, self.violation)


class Result:
    """What a run found: ``genes`` (a numpy array; empty when no genome was
    scored, and for several objectives), ``fitness`` (NaN for several
    objectives), ``feasible`` and ``violation`` (whether the best meets its
    constraints, and their total violation), ``front`` (for several
    objectives: a list of zarnel.FrontMember; else empty), ``hypervolume``,
    ``reference_point`` and ``feasible_share`` (several objectives),
    ``stop_reason`` ("iteration_limit", "target", "error", ...),
    ``iterations``, ``steps``, ``evaluations``, ``seconds``, ``seed``,
    ``dumps`` (the population dumps written) and ``record_error`` (why the
    record could not be written, or "")."""

    __slots__ = ("genes", "fitness", "feasible", "violation", "front", "hypervolume", "reference_point",
                 "feasible_share", "stop_reason", "iterations", "steps", "evaluations", "seconds", "seed",
                 "dumps", "record_error")

    def __init__(self, fields):
        for name in self.__slots__:
            setattr(self, name, fields[name])
        self.front = [FrontMember(*member) for member in self.front]

    def __repr__(self):
        if self.front or self.reference_point:
            return ("Result(front=%d members, hypervolume=%r, stop_reason=%r, evaluations=%d, iterations=%d, "
                    "seconds=%.3f, seed=%d)" % (len(self.front), self.hypervolume, self.stop_reason,
                                                 self.evaluations, self.iterations, self.seconds, self.seed))
        return ("Result(fitness=%r, stop_reason=%r, evaluations=%d, iterations=%d, seconds=%.3f, seed=%d)"
                % (self.fitness, self.stop_reason, self.evaluations, self.iterations, self.seconds, self.seed))


def default_options():
    """Every keyword of zarnel.solve but operators, with its default."""
    return _zarnel.default_options()


def _method(problem, name):
    member = getattr(problem, name, None)
    if member is not None and not callable(member):
        raise TypeError("%s.%s is %r, not a method" % (type(problem).__name__, name, member))
    return member


def _takes_random(improve, owner):
    """True when improve takes (x, random), False for improve(x)."""
    try:
        parameters = [p for p in inspect.signature(improve).parameters.values()
                      if p.kind in (p.POSITIONAL_ONLY, p.POSITIONAL_OR_KEYWORD)]
    except (TypeError, ValueError):
        return False
    if len(parameters) not in (1, 2):
        raise TypeError("%s.improve takes (x) or (x, random), not %d arguments" % (owner, len(parameters)))
    return len(parameters) == 2


def _options(given):
    options = _zarnel.default_options()
    unknown = sorted(set(given) - set(options))
    if unknown:
        raise TypeError("zarnel.solve() got unknown option%s %s (it takes %s)"
                        % ("s" if len(unknown) > 1 else "", ", ".join(map(repr, unknown)),
                           ", ".join(sorted(options))))
    options.update(given)
    directions = options["reference_directions"]
    if directions is not None and not isinstance(directions, (str, bytes)):
        try:
            import numpy
            options["reference_directions"] = numpy.asarray(directions, dtype=float).ravel().tolist()
        except (TypeError, ValueError):
            pass  # the engine names the option and the value it refuses
    for path in ("record", "dump_directory", "resume_from"):
        value = options[path]
        if value is not None and not isinstance(value, str):
            try:
                options[path] = str(__import__("os").fspath(value))
            except TypeError:
                pass  # the engine names the option and the value it refuses
    return options


def _finish(made):
    """The Result, or the exception that ended the run once its record was
    written: Ctrl+C's KeyboardInterrupt, or a decode that raised."""
    for late in ("interrupt", "late"):
        if made[late] is not None:
            raise made[late]
    return Result(made)


def solve(problem, operators=None, **options):
    """Runs the genetic algorithm on ``problem`` and returns a zarnel.Result.

    ``operators`` is the genome kind's operator choice (zarnel.RealVectorOperators(...)
    and the others), or None for its default. Every other keyword is an option
    (see zarnel.default_options()): threads, population, seed, max_evaluations,
    time_limit, deterministic, quiet, record, progress (a callable given a
    zarnel.Progress), stop (a threading.Event that ends the run when set), ...

    An exception raised by a callback ends the run (stop_reason "error" in its
    record) and is raised again here; Ctrl+C ends the run, writes its record
    and raises KeyboardInterrupt.
    """
    options = _options(options)
    progress = options.pop("progress")
    stop = options.pop("stop")
    if progress is not None and not callable(progress):
        raise TypeError("progress: %r is not callable" % (progress,))
    if stop is not None and not callable(getattr(stop, "is_set", None)):
        raise TypeError("stop: %r has no is_set() (a threading.Event)" % (stop,))
    if isinstance(problem, _zarnel.ReadyProblem):
        return _finish(_zarnel.solve_ready(problem, operators, options, progress, stop))

    owner = type(problem).__name__
    genome = _method(problem, "genome")
    if genome is None:
        raise TypeError("%s has no genome() method: it returns the genome kind (zarnel.RealVector(...), ...)"
                        % owner)
    fitness = _method(problem, "fitness")
    batch_fitness = _method(problem, "batch_fitness")
    objectives = _method(problem, "objectives")
    batch_objectives = _method(problem, "batch_objectives")
    several = objectives is not None or batch_objectives is not None
    if several and (fitness is not None or batch_fitness is not None):
        raise TypeError("%s has both %s and %s: a problem has fitness(x) (one objective) or objectives(x) "
                        "(several, all minimised), not both"
                        % (owner, "fitness" if fitness is not None else "batch_fitness",
                           "objectives" if objectives is not None else "batch_objectives"))
    if not several and fitness is None and batch_fitness is None:
        raise TypeError("%s has neither fitness(x) nor batch_fitness(X) (nor objectives(x))" % owner)
    reference_point = []
    if several:
        if getattr(problem, "minimise", None) is not None:
            raise TypeError("%s has minimise: objectives are always minimised" % owner)
        point = _method(problem, "reference_point")
        if point is not None:
            try:
                reference_point = [float(value) for value in point()]
            except (TypeError, ValueError):
                raise TypeError("%s.reference_point() returned %r, not a sequence of numbers"
                                % (owner, point())) from None
    improve = _method(problem, "improve")
    name_method = _method(problem, "name")
    name = owner if name_method is None else name_method()
    if not isinstance(name, str):
        raise TypeError("%s.name() returned %r, not a str" % (owner, name))
    minimise = getattr(problem, "minimise", False)
    if not isinstance(minimise, bool):
        raise TypeError("%s.minimise is %r, not True or False" % (owner, minimise))
    callbacks = {
        "fitness": fitness,
        "batch_fitness": batch_fitness,
        "improve": improve,
        "improve_takes_random": improve is not None and _takes_random(improve, owner),
        "decode": _method(problem, "decode"),
        "progress": progress,
        "objectives": objectives,
        "batch_objectives": batch_objectives,
        "constraints": _method(problem, "constraints"),
        "batch_constraints": _method(problem, "batch_constraints"),
        "reference_point": reference_point,
    }
    return _finish(_zarnel.solve(genome(), operators, callbacks, options, name, minimise, owner, stop))
