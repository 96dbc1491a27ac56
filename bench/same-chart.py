#!/usr/bin/python3
"""Compares two reports' JSON: every text alike, every figure to 1e-9 of itself; a curve of more than 600 points
may end one point apart (its last step is left out where rounding puts it past the end). Prints "  same chart" or
the first paths that differ.

Usage: same-chart.py CLIENT.json ENGINE.json
"""
import json
import sys


def differences(a, b, path=''):
    if isinstance(a, dict):
        if set(a) != set(b):
            return [path]
        return [d for k in a for d in differences(a[k], b[k], path + '/' + k)]
    if isinstance(a, list):
        curve = len(a) > 600 and abs(len(a) - len(b)) <= 1 and isinstance(a[0], list)
        if len(a) != len(b) and not curve:
            return [path]
        return [d for i, (x, y) in enumerate(zip(a, b)) for d in differences(x, y, '%s[%d]' % (path, i))]
    if isinstance(a, float) or isinstance(b, float):
        return [] if abs(a - b) <= 1e-9 * max(1, abs(a)) else [path]
    return [] if a == b else [path]


found = differences(*(json.load(open(f)) for f in sys.argv[1:3]))
print('  same chart' if not found else '  DIFFERENT: %s' % found[:5])
