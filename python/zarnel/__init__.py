"""Zarnel's master-slave genetic algorithm from Python.

A problem is any object with ``genome()`` (a zarnel.Permutation, BitString,
RealVector or IntegerVector) and ``fitness(x)`` or ``batch_fitness(X)``;
optionally ``improve(x[, random])``, ``name()``, ``decode(x)`` and a true
``minimise`` attribute. ``zarnel.solve(problem, **options)`` runs it and
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
    "solve", "Result", "default_options", "SolveError", "Progress", "Random",
    "Permutation", "BitString", "RealVector", "IntegerVector",
    "PermutationOperators", "BitStringOperators", "RealVectorOperators", "IntegerVectorOperators",
    "problems",
]


class Result:
    """What a run found: ``genes`` (a numpy array; empty when no genome was
    scored), ``fitness``, ``stop_reason`` ("iteration_limit", "target", "error",
    ...), ``iterations``, ``steps``, ``evaluations``, ``seconds``, ``seed``,
    ``dumps`` (the population dumps written) and ``record_error`` (why the
    record could not be written, or "")."""

    __slots__ = ("genes", "fitness", "stop_reason", "iterations", "steps", "evaluations", "seconds", "seed",
                 "dumps", "record_error")

    def __init__(self, fields):
        for name in self.__slots__:
            setattr(self, name, fields[name])

    def __repr__(self):
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
    if fitness is None and batch_fitness is None:
        raise TypeError("%s has neither fitness(x) nor batch_fitness(X)" % owner)
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
    }
    return _finish(_zarnel.solve(genome(), operators, callbacks, options, name, minimise, owner, stop))
