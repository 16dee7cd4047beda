"""kvt-lan's web face against VXI-11, on kvt-sim units over serial, in a
network namespace of its own (loopback with an address per host, a private
/run and rpcbind), so that 16 pages can come from 16 hosts. Prints
markdown rows: a switch over REST against the same switch from pyvisa-py's
VXI-11 client, the lag of an event after a VXI-11 client's set, and 8 VXI-11
clients' rate with 16 pages open against it with none.
Usage: bench_web.py KVT_SIM KVT_LAN ROUNDS"""
import http.client
import json
import os
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "lan"))
from lan_calls import CoreClient, vxi11  # noqa: E402
from lan_servers import first_line, lan_server, simulated_units  # noqa: E402

INSIDE = "BENCH_WEB_INSIDE"
NET = "10.77.0."
SERVER = NET + "1"
WEB_PORT = 8080
TOKEN = "bench-web-token-0123456789"
UNITS = 8
PAGES = 16
SETS_PER_CLIENT = 10
END = 0x08
TIMEOUT_MS = 5000


def host(number):
    return NET + str(number + 2)


def summary(samples):
    samples = sorted(samples)
    quartiles = statistics.quantiles(samples, n=4) if len(samples) > 1 else samples * 3
    return statistics.median(samples), quartiles[2] - quartiles[0]


def row(figure, median, spread, unit, yardstick, ratio, target):
    print("| %s | %s %s (IQR %s) | %s | %s | %s |" % (
        figure, fmt(median), unit, fmt(spread), yardstick, ratio, target), flush=True)


def fmt(value):
    return "%.1f" % value if value < 100 else "%.0f" % value


class Vxi11Unit:
    """One link to a unit from a source address of its own."""

    def __init__(self, name, source):
        self.client = CoreClient(SERVER, source)
        error, self.link, _, _ = self.client.create_link(1, 0, 0, name)
        assert error == 0, error

    def query(self, text):
        data = text.encode() + b"\n"
        assert self.client.device_write(self.link, TIMEOUT_MS, 0, END, data)[0] == 0
        error, _, answer = self.client.device_read(self.link, 256, TIMEOUT_MS, 0, 0, 0)
        assert error == 0, error
        return answer.decode().rstrip("\n")

    def close(self):
        self.client.destroy_link(self.link)
        self.client.close()


def request(method, path, body=None, source=None, headers=None):
    connection = http.client.HTTPConnection(SERVER, WEB_PORT, timeout=10,
                                            source_address=(source or host(0), 0))
    connection.request(method, path, body=body, headers=headers or {})
    answer = connection.getresponse()
    data = answer.read()
    connection.close()
    return answer.status, data


def rest_switch(name, position):
    status, data = request("PUT", "/api/units/%s/switches/A" % name,
                           json.dumps({"position": position}),
                           headers={"Authorization": "Bearer " + TOKEN})
    assert status == 200 and json.loads(data)["position"] == position, (status, data)


class Page:
    """A browser's page: its files, the units and their positions, then its
    event stream, read on a thread of its own."""

    def __init__(self, number, names):
        source = host(number)
        for path in ("/", "/app.js", "/style.css", "/api/models", "/lxi/identification",
                     "/api/units"):
            assert request("GET", path, source=source)[0] == 200, path
        for name in names:
            assert request("GET", "/api/units/" + name, source=source)[0] == 200, name
        self.sock = socket.create_connection((SERVER, WEB_PORT), 10, source_address=(source, 0))
        # A browser waits for events as long as it takes.
        self.sock.settimeout(None)
        self.sock.sendall(b"GET /api/events HTTP/1.1\r\nHost: x\r\n\r\n")
        self.file = self.sock.makefile("rb")
        assert self.file.readline().startswith(b"HTTP/1.1 200")
        while self.file.readline() != b"\r\n":
            pass
        self.positions = {}
        self.count = 0
        self.reader = threading.Thread(target=self.read, daemon=True)
        self.reader.start()

    def read(self):
        kind = None
        try:
            for line in self.file:
                if line.startswith(b"event: "):
                    kind = line[7:].strip()
                elif line.startswith(b"data: ") and kind == b"position":
                    change = json.loads(line[6:])
                    self.positions[change["name"]] = change["position"]
                    self.count += 1
        except (OSError, ValueError):
            pass

    def close(self):
        self.sock.shutdown(socket.SHUT_RDWR)
        self.sock.close()
        self.reader.join(10)


def clients_rate(units, pages):
    """8 clients, each setting its own unit's switch A to and fro: sets per second."""
    errors = []

    def work(unit):
        try:
            for i in range(SETS_PER_CLIENT):
                answer = unit.query("SETA=%d" % (i % 2))
                if answer != "OK":
                    errors.append(answer)
        except Exception as error:  # noqa: BLE001 - every failure is a wrong answer
            errors.append(repr(error))

    threads = [threading.Thread(target=work, args=(unit,)) for unit in units]
    start = time.monotonic()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(60)
    elapsed = time.monotonic() - start
    assert not errors, errors
    return len(units) * SETS_PER_CLIENT / elapsed


def measure(names, rounds):
    first = names[0]
    # A switch over REST and the same over VXI-11: set, then read back.
    single = Vxi11Unit(first, host(0))
    rest, visa = [], []
    for i in range(rounds * 5):
        position = 1 + i % 2
        start = time.monotonic()
        rest_switch(first, position)
        rest.append((time.monotonic() - start) * 1000)
        start = time.monotonic()
        assert single.query("SETA=%d" % (position - 1)) == "OK"
        assert single.query("GETA?") == str(position - 1)
        visa.append((time.monotonic() - start) * 1000)
    rest_median, rest_spread = summary(rest)
    visa_median, _ = summary(visa)
    row("Switch over REST, set and read-back (kvt-sim, kvt-lan)", rest_median, rest_spread, "ms",
        "pyvisa-py over VXI-11, set and read-back: %s ms" % fmt(visa_median),
        "%.2f" % (rest_median / visa_median), "≤ 1.2")
    # An event after a VXI-11 client's set: the worker reads the switch back first.
    stream = Page(1, [])
    lags = []
    standing = int(single.query("GETA?"))
    for i in range(rounds * 5):
        before = stream.count
        # Each set moves the switch, so each is told.
        assert single.query("SETA=%d" % ((standing + 1 + i) % 2)) == "OK"
        answered = time.monotonic()
        deadline = answered + 5
        while stream.count == before and time.monotonic() < deadline:
            time.sleep(0.0005)
        assert stream.count > before, "no event"
        lags.append((time.monotonic() - answered) * 1000)
    stream.close()
    single.close()
    lag, lag_spread = summary(lags)
    row("Event after a VXI-11 set's answer, read-back included (kvt-sim)", lag, lag_spread, "ms",
        "max %s ms" % fmt(max(lags)), "—", "≤ 100 ms")
    # 8 clients with 16 pages open and with none, in turns.
    clients = [Vxi11Unit(name, host(2 + i)) for i, name in enumerate(names)]
    alone, beside = [], []
    for _ in range(rounds):
        alone.append(clients_rate(clients, []))
        pages = [Page(i, names) for i in range(PAGES)]
        beside.append(clients_rate(clients, pages))
        time.sleep(0.5)
        for page in pages:
            page.close()
        # Every page saw every set of every client, ending where it ended.
        wanted = {name: 1 + (SETS_PER_CLIENT - 1) % 2 for name in names}
        for page in pages:
            assert page.count == len(names) * SETS_PER_CLIENT, [p.count for p in pages]
            assert page.positions == wanted, page.positions
    with_pages, spread = summary(beside)
    without, _ = summary(alone)
    row("kvt-lan, 8 VXI-11 clients with 16 pages open (kvt-sim)", with_pages, spread, "sets/s",
        "no page open: %s sets/s" % fmt(without), "%.2f" % (with_pages / without), "≥ 0.9")
    for client in clients:
        client.close()


def inside(sim, lan, rounds):
    # Addresses outside 127.0.0.0/8 are hosts of their own to kvt-lan.
    commands = [["mount", "-t", "tmpfs", "tmpfs", "/run"], ["ip", "link", "set", "lo", "up"]]
    commands += [["ip", "addr", "add", NET + "%d/24" % n, "dev", "lo"]
                 for n in range(1, PAGES + UNITS + 3)]
    for command in commands:
        subprocess.run(command, check=True, timeout=10)
    os.makedirs("/run/rpcbind")
    rpcbind = subprocess.Popen(["rpcbind", "-f"])
    try:
        for _ in range(100):
            if subprocess.run(["rpcinfo", "-p", "127.0.0.1"], capture_output=True).returncode == 0:
                break
            time.sleep(0.05)
        names = ["WEB%d" % n for n in range(UNITS)]
        with tempfile.TemporaryDirectory() as work, \
                simulated_units(sim, *("KVT0402Q,sn=" + name for name in names)) as ports:
            token = os.path.join(work, "token")
            with open(token, "w") as out:
                out.write(TOKEN + "\n")
            os.chmod(token, 0o600)
            options = ["--listen", SERVER, "--allow", NET + "0/24", "--http", str(WEB_PORT),
                       "--token-file", token]
            with lan_server(lan, ports, names, options) as server:
                first_line(server)
                measure(names, rounds)
    finally:
        rpcbind.terminate()
        rpcbind.wait(10)


def main():
    sim, lan, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
    if os.environ.get(INSIDE):
        inside(sim, lan, rounds)
        return
    env = dict(os.environ, **{INSIDE: "1"})
    result = subprocess.run(["unshare", "--net", "--mount", "--propagation", "private",
                             sys.executable, __file__, sim, lan, str(rounds)], env=env, timeout=1800)
    sys.exit(result.returncode)


main()
