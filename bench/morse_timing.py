#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Records the sink monitor and measures the timing of a sent Morse message.

  morse_timing.py record SECONDS RAW          records SECONDS of the default source into RAW,
                                              and the arrival time of each chunk into RAW.json
  morse_timing.py analyse RAW CLICK TEXT RUN [WPM]
                                              prints the figures of run RUN as a row, and
                                              as JSON on standard error
  morse_timing.py header                      prints the table's heading
  morse_timing.py summary ROWS                prints medians and extremes of the rows in ROWS
  morse_timing.py figures ROWS                prints the same as one JSON object

Times are seconds since the epoch. The ideal tone and gap lengths are those of tessivo's sender
at 22500 samples per second, or with WPM those of the PARIS convention at that speed (a dot of
1.2 s / WPM, a dash and a letter gap of three dots, a word gap of seven), for another sender.
"""

import json
import os
import statistics
import subprocess
import sys
import time

RATE = 22500
# Tessivo's element lengths in samples: (dot, dash, element gap, letter gap, word gap).
TESSIVO = (937, 2737, 900, 2737, 7200)
# The largest deviation of an element that counts as on time, in samples (0.25 ms).
TOLERANCE = RATE * 0.25e-3
# A tone of 1250 Hz touches zero every 9 samples; a longer silence inside a tone is a dropout,
# and one longer than half of the shortest element gap compared here separates two elements.
LONGEST_NATURAL_ZERO = 2
SHORTEST_GAP = TESSIVO[2] // 2

CODE = {
    "A": ".-", "B": "-...", "C": "-.-.", "D": "-..", "E": ".", "F": "..-.", "G": "--.",
    "H": "....", "I": "..", "J": ".---", "K": "-.-", "L": ".-..", "M": "--", "N": "-.",
    "O": "---", "P": ".--.", "Q": "--.-", "R": ".-.", "S": "...", "T": "-", "U": "..-",
    "V": "...-", "W": ".--", "X": "-..-", "Y": "-.--", "Z": "--..",
}


def record(seconds, path):
    """Runs parec, stamping each chunk as it arrives. Each stamp bounds the wall time of the
    first sample from above (no sample arrives before it is rendered); the tightest bound is
    the estimate, late by the monitor's shortest delivery delay."""
    parec = subprocess.Popen(
        ["parec", "--raw", f"--rate={RATE}", "--channels=1", "--format=s16le",
         "--latency-msec=20"], stdout=subprocess.PIPE)
    received = 0
    first_sample = float("inf")
    arrivals = []
    deadline = time.time() + seconds
    with open(path, "wb") as out:
        while time.time() < deadline:
            chunk = os.read(parec.stdout.fileno(), 65536)
            now = time.time()
            if not chunk:
                break
            out.write(chunk)
            received += len(chunk)
            first_sample = min(first_sample, now - (received // 2) / RATE)
            arrivals.append((received // 2, now))
    parec.terminate()
    parec.wait()
    with open(path + ".json", "w") as out:
        json.dump({"first_sample": first_sample, "arrivals": arrivals}, out)


def paris(wpm):
    """Element lengths in samples at WPM words per minute by the PARIS convention."""
    dot = RATE * 1.2 / wpm
    return tuple(round(dot * units) for units in (1, 3, 1, 3, 7))


def ideal_elements(text, lengths):
    """The message as (is_tone, samples) in playing order, without a trailing gap."""
    dot, dash, element_gap, letter_gap, word_gap = lengths
    elements = []
    for w, word in enumerate(text.split()):
        if w:
            elements.append((False, word_gap))
        for l, letter in enumerate(word):
            if l:
                elements.append((False, letter_gap))
            for s, symbol in enumerate(CODE[letter.upper()]):
                if s:
                    elements.append((False, element_gap))
                elements.append((True, dot if symbol == "." else dash))
    return elements


def tones(samples):
    """The tones as [start, end) sample ranges, and the number of dropouts merged into them.
    A tone starts and ends on a zero of its sine, so each range takes in the zero sample on
    either side of its non-zero samples."""
    found = []
    dropouts = 0
    start = None
    last = None
    for i, s in enumerate(samples):
        if s == 0:
            continue
        if start is None:
            start = i
        elif i - last - 1 > LONGEST_NATURAL_ZERO:
            if i - last - 1 >= SHORTEST_GAP:
                found.append([start, last + 1])
                start = i
            else:
                dropouts += 1
        last = i
    if start is not None:
        found.append([start, last + 1])
    return [(max(a - 1, 0), min(b + 1, len(samples))) for a, b in found], dropouts


def analyse(path, click, text, lengths):
    with open(path, "rb") as f:
        raw = f.read()
    with open(path + ".json") as f:
        clock = json.load(f)
    samples = [int.from_bytes(raw[i:i + 2], "little", signed=True)
               for i in range(0, len(raw) - 1, 2)]
    ideal = ideal_elements(text, lengths)
    ideal_tones = [n for is_tone, n in ideal if is_tone]
    ideal_gaps = [n for is_tone, n in ideal if not is_tone]
    found, dropouts = tones(samples)
    row = {"tones": len(found), "expected": len(ideal_tones), "dropouts": dropouts}
    if not found:
        return row
    first, last = found[0][0], found[-1][1]
    # On the sample clock anchored at the earliest arrival; the sink renders a block ahead of
    # time, which can make this earlier than the sample is due. The arrival of the chunk that
    # holds the sample bounds the latency from above.
    row["latency_ms"] = (clock["first_sample"] + first / RATE - click) * 1e3
    row["received_ms"] = (next(t for n, t in clock["arrivals"] if n > first) - click) * 1e3
    row["total"] = last - first
    row["ideal"] = sum(n for _, n in ideal)
    if len(found) == len(ideal_tones):
        tone_dev = [(b - a) - n for (a, b), n in zip(found, ideal_tones)]
        gap_dev = [(found[k + 1][0] - found[k][1]) - n for k, n in enumerate(ideal_gaps)]
        row["tone_dev"] = max(tone_dev, key=abs)
        row["gap_dev"] = max(gap_dev, key=abs)
        row["late"] = sum(1 for d in gap_dev if d > TOLERANCE)
    return row


def ms(samples):
    return samples * 1e3 / RATE


HEADING = (f"{'run':>3} {'latency':>9} {'received':>9} {'total':>8} {'ideal':>8} {'total-ideal':>12} "
           f"{'worst tone':>11} {'worst gap':>10} {'tones':>7} {'dropouts':>8} {'late':>5}")
UNITS = (f"{'':>3} {'ms':>9} {'ms':>9} {'samples':>8} {'samples':>8} {'ms':>12} {'ms':>11} {'ms':>10} "
         f"{'':>7} {'':>8} {'':>5}")


def print_row(run, row):
    def cell(key, width, fmt):
        return format(fmt(row[key]) if key in row else "-", f">{width}")
    excess = f"{ms(row['total'] - row['ideal']):+.3f}" if "total" in row else "-"
    found = f"{row['tones']}/{row['expected']}"
    print(f"{run:>3} {cell('latency_ms', 9, lambda v: f'{v:.1f}')} "
          f"{cell('received_ms', 9, lambda v: f'{v:.1f}')} "
          f"{cell('total', 8, str)} {cell('ideal', 8, str)} {excess:>12} "
          f"{cell('tone_dev', 11, lambda v: f'{ms(v):+.3f}')} "
          f"{cell('gap_dev', 10, lambda v: f'{ms(v):+.3f}')} "
          f"{found:>7} {row['dropouts']:>8} {cell('late', 5, str)}")


def figures(path):
    """The figures over all rows in the file: a dictionary with only the keys that apply."""
    with open(path) as f:
        rows = [json.loads(line) for line in f if line.strip()]
    result = {
        "runs": len(rows),
        "dropouts": sum(r["dropouts"] for r in rows),
        "late": sum(r.get("late", 0) for r in rows),
        "wrong_count": sum(1 for r in rows if r["tones"] != r["expected"]),
    }
    latencies = [r["latency_ms"] for r in rows if "latency_ms" in r]
    if latencies:
        received = [r["received_ms"] for r in rows if "received_ms" in r]
        result.update(latency_median=statistics.median(latencies), latency_min=min(latencies),
                      latency_max=max(latencies), received_median=statistics.median(received),
                      received_max=max(received))
    totals = [ms(r["total"] - r["ideal"]) for r in rows if "total" in r]
    if totals:
        result["total_worst"] = max(totals, key=abs)
    worst = [ms(max(r["tone_dev"], r["gap_dev"], key=abs)) for r in rows if "tone_dev" in r]
    if worst:
        result["element_worst"] = max(worst, key=abs)
    return result


def summary(path):
    f = figures(path)
    if "latency_median" in f:
        print(f"latency click to first tone sample: median {f['latency_median']:.1f} ms,"
              f" min {f['latency_min']:.1f} ms, max {f['latency_max']:.1f} ms")
        print(f"click to first tone sample received by the recorder (upper bound): median "
              f"{f['received_median']:.1f} ms, max {f['received_max']:.1f} ms")
    if "total_worst" in f:
        print(f"message length minus ideal: worst {f['total_worst']:+.3f} ms")
    if "element_worst" in f:
        print(f"largest deviation of any element from its ideal length: "
              f"{f['element_worst']:+.3f} ms")
    print(f"dropouts: {f['dropouts']}, late elements: {f['late']}, runs with the wrong number of "
          f"tones: {f['wrong_count']} of {f['runs']}")


def main(argv):
    if argv[1:2] == ["record"] and len(argv) == 4:
        record(float(argv[2]), argv[3])
    elif argv[1:2] == ["analyse"] and len(argv) in (6, 7):
        lengths = paris(float(argv[6])) if len(argv) == 7 else TESSIVO
        row = analyse(argv[2], float(argv[3]), argv[4], lengths)
        print_row(int(argv[5]), row)
        print(json.dumps(row), file=sys.stderr)
    elif argv[1:2] == ["header"]:
        print(HEADING)
        print(UNITS)
    elif argv[1:2] == ["summary"] and len(argv) == 3:
        summary(argv[2])
    elif argv[1:2] == ["figures"] and len(argv) == 3:
        print(json.dumps(figures(argv[2])))
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
