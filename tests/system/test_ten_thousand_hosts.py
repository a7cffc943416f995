"""Ten thousand servers that keep their connections open, checked with Debian's default open-file limit
of 1,024: quokka-check with plain requests only (soft and hard limit 1,024), quokka-check with the web
engine confirming, and Check List in the window (soft limit 1,024), driven with the real keyboard and
mouse. Every verdict must be right and nothing may crash; the report saved from the window must hold
every entry. Each run prints its wall time and peak open files.
"""
import os
import resource
import sys
import tempfile
import time
import json

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import many_hosts  # noqa: E402
from quokka_driver import Failure, check, read, run_inside_session, run_walks, wait_for, window_of  # noqa: E402

COUNT = 10000


def check_json(lines, items, browser, what):
    """Every entry once, in order, on a whole line that parses, with the verdict it deserves."""
    lines = [line for line in lines if line.strip()]
    check(len(lines) == len(items), f"{what}: {len(lines)} lines for {len(items)} entries; the last: {lines[-1:]!r}")
    wrong = []
    for number, (line, (address, verdict)) in enumerate(zip(lines, items), 1):
        o = json.loads(line)
        if o["line"] != number or o["address"] != address or o["verdict"] != verdict:
            wrong.append(f"{number}: {o['address']} {o['verdict']} ({o['reason']}), not {verdict}")
        elif browser and verdict == "dead" and not o["browser"]:
            wrong.append(f"{number}: dead without the engine's word")
    check(not wrong, f"{what}: {len(wrong)} wrong verdicts, first {wrong[:5]}")


def command_line(tool, work):
    items = many_hosts.entries(COUNT)
    for no_browser, hard in ((True, 1024), (False, None)):
        what = "quokka-check --no-browser" if no_browser else "quokka-check"
        rc, lines, err, wall, peak = many_hosts.run_checker(tool, items, work, no_browser, 1024, hard)
        print(f"{what}: {COUNT:,} hosts in {wall:.1f} s, exit {rc}, at most {peak.files} open files, "
              f"{peak.memory // 1024} MiB with the engine's processes", flush=True)
        check(rc == 2, f"{what} ended with {rc} (2: some entries are dead); its messages: {err[-2000:]}")
        check_json(lines, items, not no_browser, what)
        check("Checked 10,000 entries" in err and "9,600 alive, 200 moved, 200 dead" in err,
              f"{what}'s summary: {err[-500:]}")


def check_window(s, problems):
    items = many_hosts.entries(COUNT)
    os.makedirs(os.path.dirname(s.list_file()), exist_ok=True)
    with open(s.list_file(), "wb") as f:
        f.write(many_hosts.list_bytes(items))
    s.start()
    frame = s.find("frame", "Quokka", timeout=60, showing=True)
    s.click(s.find(None, "Quokka windows", root=frame, showing=True))
    s.keys("ctrl+k")
    started = time.monotonic()
    window = window_of(s.find("progress bar", "Check progress", timeout=30, showing=True))
    peak = many_hosts.Sampler(s.app_proc.pid)

    def summary():
        peak.sample()
        check(s.app_proc.poll() is None, f"the program ended during the check with {s.app_proc.poll()}")
        return [n.name for n in s.find_all("label", root=window) if (n.name or "").startswith("Checked ")]

    text = wait_for("the summary", summary, timeout=900, step=0.5)[0]
    print(f"Check List: {COUNT:,} hosts in {time.monotonic() - started:.1f} s, at most {peak.files} open files, "
          f"{peak.memory // 1024} MiB with the engine's processes", flush=True)
    s.shot("ten-thousand-hosts-checked")
    check("Checked 10,000 entries" in text and "9,600 alive, 200 moved, 200 dead" in text, f"the summary says {text!r}")

    # Every entry's verdict, from the report saved through the window.
    report = os.path.join(s.home, "ten-thousand.csv")
    s.save_through_dialog(s.button(window, "Save Report..."), "Save Report", report, timeout=30)
    rows = read(report).decode().split("\r\n")[1:-1]
    check(len(rows) == COUNT, f"the report has {len(rows)} rows")
    wrong = [f"{row} (not {verdict})" for row, (address, verdict) in zip(rows, items)
             if row.split(",")[1:3] != [address, verdict]]
    check(not wrong, f"{len(wrong)} wrong verdicts in the window, first {wrong[:5]}")
    saved = wait_for("where the report went", lambda: [n.name for n in s.find_all("label", root=window)
                                                       if "Report saved to" in (n.name or "")], timeout=10)[0]
    check(report in saved, f"the window says {saved!r}")
    s.shot("ten-thousand-hosts-report-saved")


def main(program):
    tool = os.path.join(os.environ.get("QUOKKA_BUILD_DIR", os.path.dirname(program)), "src", "quokka-check")
    if not os.path.exists(tool):
        tool = os.path.join(os.path.dirname(program), "quokka-check")
    work = tempfile.mkdtemp(prefix="quokka-many-hosts-")
    servers = many_hosts.Servers(os.path.join(work, "nginx"))
    try:
        try:
            command_line(tool, work)
        except Failure as e:
            print("FAIL:", e)
            return 1
        # The program and its engine start with Debian's default soft limit.
        _, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
        resource.setrlimit(resource.RLIMIT_NOFILE, (1024, hard))
        return run_walks(program, (check_window,))
    finally:
        servers.close()


if __name__ == "__main__":
    many_hosts.enter_namespace()
    run_inside_session(main, budget=1800)
