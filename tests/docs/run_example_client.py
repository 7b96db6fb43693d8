"""Starts corvane-sim --pty, runs the example client against it and checks what it printed:
the module identified, one map's 64 points in display units, 20 packets with three live values
by name. Arguments: the corvane-sim executable, the client script."""

import re
import subprocess
import sys


def main(sim_path, client_path):
    sim = subprocess.Popen([sim_path, "--pty"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, text=True)
    try:
        device = sim.stdout.readline().strip()
        if not device.startswith("/dev/"):
            print("corvane-sim printed no device path: %r" % device)
            return 1
        run = subprocess.run([sys.executable, client_path, device], capture_output=True, text=True, timeout=60)
    finally:
        try:
            sim.stdin.write("quit\n")
            sim.stdin.flush()
            sim.wait(timeout=5)
        except (OSError, subprocess.TimeoutExpired):
            sim.kill()
            sim.wait()
    out = run.stdout
    print(out)
    print(run.stderr, file=sys.stderr)
    checks = [
        ("exit code 0", run.returncode == 0),
        ("module id of family A", "module id: 12\n" in out),
        ("base map name", "base map name: CVA-STOCK-000001\n" in out),
        ("64 map points in ms", len(re.findall(r"^\s+\d+  x .* ms  \(raw \d+\)$", out, re.M)) == 64),
        ("20 packets", len(re.findall(r"^packet ", out, re.M)) == 20),
        ("engine speed", all(0 <= float(v) <= 8000 for v in re.findall(r"Engine Speed ([\d.]+) rpm", out))),
        ("battery voltage", all(11 <= float(v) <= 15 for v in re.findall(r"Battery Voltage ([\d.]+) Volts", out))),
        ("head temperature", len(re.findall(r"Engine Head Temp -?[\d.]+ deg F", out)) == 20),
    ]
    failed = [name for name, ok in checks if not ok]
    for name in failed:
        print("FAILED: " + name)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
