#!/usr/bin/env python3
"""Turns the raw results of perf/run.sh into one markdown table.

Usage: table.py RESULTS_DIR PARAMS_DIR
"""
import json
import os
import statistics
import sys


def load_medians(path):
    """Median real time (ns) and items/s of every benchmark, by run name."""
    with open(path) as f:
        data = json.load(f)
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
    medians = {}
    for b in data["benchmarks"]:
        # With a single repetition there is no aggregate: the run itself is
        # the median.
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        if b.get("run_type") != "aggregate" and b["run_name"] in medians:
            continue
        medians[b["run_name"]] = {
            "ns": b["real_time"] * scale[b.get("time_unit", "ns")],
            "rate": b.get("items_per_second", 0.0),
        }
    return data.get("context", {}), medians


def find(medians, prefix):
    for name, value in medians.items():
        if name == prefix or name.startswith(prefix + "/real_time") or name == prefix + "/real_time":
            return value
    raise KeyError(prefix)


def fmt_ns(ns):
    if ns >= 1e6:
        return "%.2f ms" % (ns / 1e6)
    if ns >= 1e3:
        return "%.2f µs" % (ns / 1e3)
    return "%.1f ns" % ns


def verdict(ok):
    return "met" if ok else "NOT met"


def parameters(path):
    values = {}
    with open(path) as f:
        for line in f:
            words = line.split()
            if len(words) >= 2 and not words[0].startswith("#"):
                values[words[0].lower()] = words[1]
    return values


def main():
    results, params_dir = sys.argv[1], sys.argv[2]
    context, m = load_medians(os.path.join(results, "benchmarks.json"))
    rows = []
    add = rows.append

    for n in (8, 64, 1024, 16384):
        lib = find(m, "BM_NQueenEvaluate/%d" % n)
        plain = find(m, "BM_NQueenPlain/%d" % n)
        alloc = find(m, "BM_NQueenAllocating/%d" % n)
        ratio = plain["ns"] / lib["ns"]
        add(("1 N-Queens Evaluate N=%d" % n,
             "%s (plain %s, allocating %s)" % (fmt_ns(lib["ns"]), fmt_ns(plain["ns"]), fmt_ns(alloc["ns"])),
             "rate %.2f of plain" % ratio, "≥ 0.8", verdict(ratio >= 0.8)))

    for converged, label in ((1, "converged"), (0, "random")):
        cost = {n: find(m, "BM_TournamentStep/N:%d/converged:%d" % (n, converged))["ns"]
                for n in (64, 1024, 16384)}
        ratio = cost[16384] / cost[1024]
        add(("2 Tournament step, %s" % label,
             "N=64 %s, N=1024 %s, N=16384 %s" % (fmt_ns(cost[64]), fmt_ns(cost[1024]), fmt_ns(cost[16384])),
             "cost(16384)/cost(1024) = %.1f" % ratio, "≤ 20", verdict(ratio <= 20)))
    for n in (1024, 4096):
        search = find(m, "BM_KeepCommonGenesSearch/%d" % n)["ns"]
        indexed = find(m, "BM_KeepCommonGenesIndexed/%d" % n)["ns"]
        add(("2 Common-gene pass, converged parents, N=%d" % n,
             "indexed %s, linear search %s" % (fmt_ns(indexed), fmt_ns(search)),
             "search / indexed = %.0f×" % (search / indexed), "(information)", ""))

    lib = find(m, "BM_GriewankEvaluate")
    plain = find(m, "BM_GriewankPlain")
    ratio = plain["ns"] / lib["ns"]
    add(("3 Griewank-40 Evaluate", "%s (plain %s)" % (fmt_ns(lib["ns"]), fmt_ns(plain["ns"])),
         "rate %.2f of plain" % ratio, "≥ 0.8", verdict(ratio >= 0.8)))

    for t in (1, 2, 8):
        engine = find(m, "BM_EngineIteration/%d" % t)
        bare = find(m, "BM_BareForkJoin/%d" % t)
        # Each benchmark iteration is 1000 engine iterations / fork-joins.
        ratio = engine["ns"] / bare["ns"]
        add(("4 Run iteration, %d slave thread%s" % (t, "s" if t > 1 else ""),
             "%s (bare fork-join %s)" % (fmt_ns(engine["ns"] / 1000), fmt_ns(bare["ns"] / 1000)),
             "%.2f× fork-join" % ratio, "≤ 1.5×", verdict(ratio <= 1.5)))

    for t in (1, 2):
        claim = find(m, "BM_ClaimRelease/real_time/threads:%d" % t)
        add(("5 TryLock/Unlock pairs, %d thread%s" % (t, "s" if t > 1 else ""),
             "%.1f M pairs/s" % (claim["rate"] / 1e6), "", "(no target)", ""))

    steps = {t: find(m, "BM_EngineSteps/%d" % t)["rate"] for t in (1, 2, 4, 8)}
    for t in (1, 2, 4, 8):
        ratio = steps[t] / steps[1]
        target, ok = ("≥ 1.8×", verdict(ratio >= 1.8)) if t == 2 else ("(information)", "")
        add(("6 Engine steps/s, N=64, %d thread%s" % (t, "s" if t > 1 else ""),
             "%.0f k steps/s" % (steps[t] / 1e3), "%.2f× one thread" % ratio, target, ok))

    private = {t: find(m, "BM_PrivateSteps/%d" % t)["rate"] for t in (1, 2)}
    add(("6 Reference: same steps on private populations, no engine, 2 threads",
         "%.0f k steps/s (1 thread %.0f k)" % (private[2] / 1e3, private[1] / 1e3),
         "%.2f× one thread" % (private[2] / private[1]), "(machine limit)", ""))
    seeded = {t: find(m, "BM_EngineStepsDistinctSeeds/%d" % t)["rate"] for t in (1, 2)}
    add(("6 Diagnostic: slave threads seeded apart, 2 threads",
         "%.0f k steps/s (1 thread %.0f k)" % (seeded[2] / 1e3, seeded[1] / 1e3),
         "%.2f× one thread" % (seeded[2] / seeded[1]), "(information)", ""))

    runs = {}
    with open(os.path.join(results, "nqueen_runs.txt")) as f:
        for line in f:
            n, status, seconds, iterations, rss = line.split()
            runs.setdefault(int(n), []).append((int(status), float(seconds), int(iterations), int(rss)))
    peak = (0, 0)
    for n in sorted(runs):
        p = parameters(os.path.join(params_dir, "queens%d.txt" % n))
        population = min(int(p["population_size"]), 32767)
        threads = int(p["slave_threads"])
        steps_per_iteration = threads * int(p["slave_iterations"])
        swaps = int(population * float(p["mutation_rate"]) + 0.5)
        done = [r for r in runs[n] if r[0] == 0]
        # The largest board's runs, finished or stopped at the cap.
        peak = (max(r[3] for r in runs[n]), n)
        if not done:
            add(("7 ZarnelNQueen N=%d" % n, "no run finished within the cap (%d runs tried, %.0f s each)"
                 % (len(runs[n]), max(r[1] for r in runs[n])), "", "", ""))
            continue
        wall = statistics.median(r[1] for r in done)
        iterations = statistics.median(r[2] for r in done)
        evaluations = iterations * (steps_per_iteration + swaps) + population
        add(("7 ZarnelNQueen N=%d" % n,
             "median %.3f s, %d master iterations, ≈ %.3g evaluations" % (wall, iterations, evaluations),
             "%d of %d runs finished" % (len(done), len(runs[n])), "(information)", ""))
    bench = []
    with open(os.path.join(results, "bench_runs.txt")) as f:
        for line in f:
            seconds, rss = line.split()
            bench.append((float(seconds), int(rss)))
    add(("7 ZarnelBench", "median %.3f s over %d runs" % (statistics.median(b[0] for b in bench), len(bench)),
         "max RSS %d KiB" % max(b[1] for b in bench), "(information)", ""))
    add(("7 Peak memory, largest board", "N=%d: max RSS %d KiB" % (peak[1], peak[0]), "", "(information)", ""))

    print("| Measurement | Time / rate (medians) | Ratio | Target | Status |")
    print("|---|---|---|---|---|")
    for row in rows:
        print("| " + " | ".join(row) + " |")
    print()
    print("Machine: %s CPUs (%s MHz), load averages: %s" % (
        context.get("num_cpus", "?"), context.get("mhz_per_cpu", "?"), context.get("load_avg", "?")))
    with open(os.path.join(results, "load.txt")) as f:
        for line in f:
            print("- " + line.strip())


if __name__ == "__main__":
    main()
