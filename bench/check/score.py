#!/usr/bin/env python3
"""Counts wrong verdicts of one checker's output against the generator's truth.

usage: score.py KIND OUTPUT TRUTH
KIND: quokka (JSON lines), curl (address TAB status), linkchecker (its CSV), checklinks (address TAB status).
Prints: checked wrong details-of-the-first-wrong-ones
"""
import csv
import json
import sys


def curl_verdict(status):
    status = int(status or 0)
    if status in (301, 308):
        return "moved"
    if 200 <= status < 400:
        return "alive"
    if status in (404, 410):
        return "dead"
    if status in (401, 403, 429):
        return "blocked"
    if status >= 500:
        return "failing"
    return "dead"


def main():
    kind, output, truth_path = sys.argv[1:4]
    truth = {}
    with open(truth_path) as f:
        for line in f:
            url, verdict = line.rstrip("\n").split("\t")
            truth[url] = verdict
    got = {}
    if kind == "quokka":
        with open(output) as f:
            for line in f:
                o = json.loads(line)
                got[o["address"]] = o["verdict"]
    elif kind == "curl":
        with open(output) as f:
            for line in f:
                url, status = line.rstrip("\n").split("\t")
                got[url] = curl_verdict(status)
    elif kind == "checklinks":
        with open(output) as f:
            for line in f:
                url, status = line.rstrip("\n").split("\t")
                got[url] = "alive" if status == "alive" else "dead"
    elif kind == "linkchecker":
        with open(output, newline="") as f:
            rows = [l for l in f if not l.startswith("#")]
        for row in csv.DictReader(rows, delimiter=";"):
            url = row.get("urlname") or ""
            if url in truth:
                got[url] = "alive" if row.get("valid") in ("True", "1") else "dead"
    wrong = [(u, truth[u], got.get(u)) for u in truth if got.get(u) != truth[u]]
    # Peers that only tell alive from dead are scored on what they can say: a dead for dead, an alive for
    # alive; moved and blocked count as wrong when called alive or dead, as the issue counts them.
    print(len(got), len(wrong), wrong[:3])


if __name__ == "__main__":
    main()
