#!/usr/bin/env python3
"""Checks a tour's length independently of the programs that found it.

    tsp_check.py FILE.tsp tour TOUR_FILE LENGTH     # TSPLIB city numbers, one a line
    tsp_check.py FILE.tsp record RECORD.json LENGTH # the "solution" of a run record

Reads the TSPLIB coordinates itself (EUC_2D, CEIL_2D, ATT or GEO), checks that
the tour visits every city once and that its closed length is LENGTH; exits 1
with the reason otherwise.
"""
import json
import math
import sys


def read_instance(path):
    kind, n, points, in_coords = None, None, [], False
    for line in open(path):
        words = line.replace(":", " : ", 1).split()
        if not words:
            continue
        if in_coords:
            if words[0] == "EOF" or not words[0].lstrip("-").isdigit():
                in_coords = False
            else:
                points.append((float(words[1]), float(words[2])))
                continue
        if words[0] == "DIMENSION":
            n = int(words[-1])
        elif words[0] == "EDGE_WEIGHT_TYPE":
            kind = words[-1]
        elif words[0] == "NODE_COORD_SECTION":
            in_coords = True
    if n is None or len(points) != n:
        sys.exit(f"{path}: {len(points)} coordinates, DIMENSION {n}")
    return kind, points


def distance(kind, a, b):
    xd, yd = a[0] - b[0], a[1] - b[1]
    if kind == "EUC_2D":
        return int(math.sqrt(xd * xd + yd * yd) + 0.5)
    if kind == "CEIL_2D":
        return math.ceil(math.sqrt(xd * xd + yd * yd))
    if kind == "ATT":
        r = math.sqrt((xd * xd + yd * yd) / 10.0)
        t = int(r + 0.5)
        return t + 1 if t < r else t
    if kind == "GEO":
        def radians(c):
            degrees = int(c)
            return 3.141592 * (degrees + 5.0 * (c - degrees) / 3.0) / 180.0
        lat_a, lon_a, lat_b, lon_b = radians(a[0]), radians(a[1]), radians(b[0]), radians(b[1])
        q1, q2, q3 = math.cos(lon_a - lon_b), math.cos(lat_a - lat_b), math.cos(lat_a + lat_b)
        c = max(-1.0, min(1.0, 0.5 * ((1.0 + q1) * q2 - (1.0 - q1) * q3)))
        return int(6378.388 * math.acos(c) + 1.0)
    sys.exit(f"EDGE_WEIGHT_TYPE {kind} is not checked here")


def main():
    if len(sys.argv) != 5 or sys.argv[2] not in ("tour", "record"):
        sys.exit(__doc__)
    path, form, tour_path, claimed = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    kind, points = read_instance(path)
    if form == "tour":
        tour = [int(line) for line in open(tour_path) if line.strip()]
    else:
        tour = json.load(open(tour_path))["solution"]
    n = len(points)
    if sorted(tour) != list(range(1, n + 1)):
        sys.exit(f"{tour_path}: not a tour of the {n} cities of {path}")
    length = sum(distance(kind, points[tour[i] - 1], points[tour[(i + 1) % n] - 1]) for i in range(n))
    if length != claimed:
        sys.exit(f"{tour_path}: the tour is {length} long, not {claimed} as reported")


main()
