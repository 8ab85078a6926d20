#!/usr/bin/env python3
"""How long headless Chromium takes to open an HTML file: from the request for the file to the
first screen painted (first contentful paint) and to the end of loading (the whole page parsed,
the load event done), read from a trace of the browser; and the renderer's thread time for
parsing, style, layout and paint, which a busy machine changes less than the wall times. Best
of several runs, each with a fresh profile and none of the background connections a closed
network refuses. Tracing slows the browser a little; the figures are upper bounds.

    bench/browser_open.py [--runs 3] FILE.html
"""
import argparse
import json
import pathlib
import subprocess
import tempfile

FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--hide-scrollbars", "--window-size=1280,1400"]


WORK = {"parse": ["ParseHTML"], "style": ["UpdateLayoutTree"], "layout": ["Layout"],
        "paint": ["PrePaint", "Paint", "Layerize"]}


def open_once(url):
    """(seconds to first contentful paint, seconds to load end, {work: thread seconds}) of one run."""
    with tempfile.TemporaryDirectory(prefix="sollist-browser-") as work:
        trace = pathlib.Path(work) / "trace.json"
        subprocess.run(["chromium", *FLAGS, f"--user-data-dir={work}/profile",
                        "--trace-startup=blink,devtools.timeline,loading", "--trace-startup-format=json",
                        f"--trace-startup-file={trace}", "--trace-startup-duration=0",
                        f"--screenshot={work}/shot.png", url],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600, check=True)
        events = json.loads(trace.read_text())["traceEvents"]
    # The frame that requested the file; its first paint and its last load mark.
    start = frame = None
    for e in events:
        data = e.get("args", {}).get("data", {})
        if e.get("name") == "ResourceSendRequest" and data.get("url") == url:
            start, frame = e["ts"], data.get("frame")
            break
    if start is None:
        raise RuntimeError("no request for " + url + " in the trace")
    paint = min(e["ts"] for e in events if e.get("name") == "firstContentfulPaint"
                and e.get("args", {}).get("frame") == frame and e["ts"] >= start)
    load = max(e["ts"] for e in events if e.get("name") == "MarkLoad"
               and e.get("args", {}).get("data", {}).get("frame") == frame and e["ts"] >= start)
    work = {kind: sum(e.get("tdur", 0) for e in events if e.get("ph") == "X" and e.get("name") in names
                      and start <= e["ts"] <= load) / 1e6
            for kind, names in WORK.items()}
    return (paint - start) / 1e6, (load - start) / 1e6, work


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("file")
    args = ap.parse_args()
    url = pathlib.Path(args.file).resolve().as_uri()
    runs = [open_once(url) for _ in range(args.runs)]
    best = min(runs, key=lambda r: sum(r[2].values()))
    work = ", ".join(f"{kind} {seconds:.2f}" for kind, seconds in best[2].items())
    print(f"first screen {min(r[0] for r in runs):.2f} s, loaded {min(r[1] for r in runs):.2f} s "
          f"(renderer thread s: {work})")


if __name__ == "__main__":
    main()
