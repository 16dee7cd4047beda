"""kvt-lan's web face over kvt-sim units of both models: the read and write
API, the token, answers a unit does not hold to or does not give, events,
the page, and requests that must be refused."""
import http.client
import json
import os
import socket
import subprocess
import sys
import tempfile
from xml.etree import ElementTree

import pyvisa

from lan_servers import (START_S, first_line, free_port, lan_server, require_rpcbind,
                         simulated_units, start, token_file)

TOKEN = "web-check-token-0123456789"
MARKUP = "<b>X</b>"
UNITS = ["KVT0402Q,sn=WEBTWO,faults=fail:SETB=1", "KVT0206Q,sn=WEBSIX,faults=stuck:A",
         "KVT0402Q,sn=" + MARKUP,
         # Gone after kvt-lan's start, the list and a few more reads have
         # identified it.
         "KVT0402Q,sn=WEBGONE,faults=vanish:20"]
HEADERS_EVERYWHERE = {"content-security-policy": "default-src 'self'",
                      "x-content-type-options": "nosniff"}
RIGHT = {"Authorization": "Bearer " + TOKEN}


def request(port, method, path, body=None, headers=None):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=START_S)
    connection.request(method, path, body=body, headers=headers or {})
    response = connection.getresponse()
    data = response.read()
    connection.close()
    for name, value in HEADERS_EVERYWHERE.items():
        assert response.getheader(name) == value, (path, name, response.getheaders())
    return response.status, response.getheader("content-type"), data


def raw(port, data):
    """What kvt-lan answers to bytes sent as they are; b"" when it closed."""
    with socket.create_connection(("127.0.0.1", port), START_S) as sock:
        try:
            sock.sendall(data)
            answer = b""
            while True:
                piece = sock.recv(65536)
                if not piece:
                    return answer
                answer += piece
        except ConnectionError:
            return b""


def place_name(port):
    return "_" + "".join(c if c.isalnum() else "_" for c in port[len("/dev/"):])


def positions_body(position):
    return json.dumps({"position": position})


# method, path, body, headers, status, what the JSON answer holds (a subset).
API = [
    ("GET", "/api/units/WEBTWO", None, {}, 200,
     {"name": "WEBTWO", "state": "running", "model": "KVT0402Q", "serial_number": "WEBTWO",
      "unit": "TCPIP0::127.0.0.1::WEBTWO::INSTR"}),
    ("GET", "/api/units/WEBSIX", None, {}, 200, {"model": "KVT0206Q", "state": "running"}),
    ("GET", "/api/units/NOSUCH", None, {}, 404, {"status": 404}),
    ("PUT", "/api/units/WEBTWO/switches/A", positions_body(2), {}, 401, {"status": 401}),
    ("PUT", "/api/units/WEBTWO/switches/A", positions_body(2),
     {"Authorization": "Bearer " + TOKEN[:-1] + "x"}, 401, {"status": 401}),
    ("PUT", "/api/units/WEBTWO/switches/A", positions_body(2), {"Authorization": TOKEN}, 401,
     {"status": 401}),
    ("PUT", "/api/units/WEBTWO/switches/A", positions_body(2), RIGHT, 200,
     {"switch": "A", "position": 2}),
    ("GET", "/api/units/WEBTWO", None, {}, 200, {"positions": {"A": 2, "B": 1, "C": 1, "D": 1}}),
    ("PUT", "/api/units/WEBTWO/switches/A", positions_body(1), RIGHT, 200,
     {"switch": "A", "position": 1}),
    ("PUT", "/api/units/WEBSIX/switches/B", positions_body(6), RIGHT, 200,
     {"switch": "B", "position": 6}),
    ("PUT", "/api/units/WEBSIX/switches/A", positions_body(3), RIGHT, 409,
     {"status": 409, "switch": "A", "position": 0}),
    ("PUT", "/api/units/WEBTWO/switches/B", positions_body(2), RIGHT, 504, {"status": 504}),
    ("PUT", "/api/units/WEBSIX/switches/C", positions_body(1), RIGHT, 422, {"status": 422}),
    ("PUT", "/api/units/WEBTWO/switches/A", positions_body(0), RIGHT, 422, {"status": 422}),
    ("PUT", "/api/units/WEBSIX/switches/A", positions_body(7), RIGHT, 422, {"status": 422}),
    ("PUT", "/api/units/WEBTWO/switches/A", "{position: 2", RIGHT, 400, {"status": 400}),
    ("PUT", "/api/units/WEBTWO/switches/A", '{"position": "2"}', RIGHT, 422, {"status": 422}),
    ("PUT", "/api/units/WEBTWO/switches/A", '{"position": 1.5}', RIGHT, 422, {"status": 422}),
    ("PUT", "/api/units/WEBTWO/switches/A", "x" * 4097, RIGHT, 413, {"status": 413}),
    ("GET", "/api/../etc/passwd", None, {}, 400, {"status": 400}),
    ("GET", "/api/units/%2e%2e/%2e%2e/etc/passwd", None, {}, 400, {"status": 400}),
    ("GET", "/api/units/WEBTWO", None, {"X-Long": "x" * 9000}, 431, {"status": 431}),
    ("DELETE", "/api/units", None, {}, 405, {"status": 405}),
    ("GET", "/index.html", None, {}, 404, {"status": 404}),
]

# Bytes sent as they are, and the status line they get.
RAW = [
    (b"GET /api/units HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", b" 501 "),
    (b"GET /api/units HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n", b" 400 "),
    (b"GET /api/units\r\n\r\n", b" 400 "),
    (b"GET /" + b"a" * 9000 + b" HTTP/1.1\r\n\r\n", b" 431 "),
]


def check_api(port, markup_name):
    status, kind, data = request(port, "GET", "/api/units")
    assert status == 200 and kind == "application/json", (status, kind)
    units = {unit["name"]: unit for unit in json.loads(data)}
    assert sorted(units) == sorted(["WEBTWO", "WEBSIX", markup_name, "WEBGONE"]), units
    for unit in units.values():
        assert set(unit) == {"unit", "name", "state", "model", "serial_number",
                             "software_version", "product_id"}, unit
    # The markup a unit sent is a JSON string, never markup of kvt-lan's.
    assert units[markup_name]["serial_number"] == MARKUP
    assert b'"serial_number":"' + MARKUP.encode() + b'"' in data
    for method, path, body, headers, want, holds in API:
        status, kind, data = request(port, method, path, body, headers)
        answer = json.loads(data)
        assert status == want, (method, path, body, status, data)
        wanted_kind = "application/json" if want == 200 else "application/problem+json"
        assert kind == wanted_kind, (path, kind)
        for name, value in holds.items():
            assert answer.get(name) == value, (method, path, name, answer)
        if want != 200:
            assert {"type", "title", "status", "detail"} <= set(answer), answer
    for data, status_line in RAW:
        answer = raw(port, data)
        assert answer.split(b"\r\n")[0].find(status_line) > 0, (data[:60], answer[:100])


# path, content type; the page's script is its own file, as the CSP wants,
# and puts unit text into the page as text only.
PAGE = [("/", "text/html; charset=utf-8"), ("/app.js", "text/javascript; charset=utf-8"),
        ("/style.css", "text/css; charset=utf-8"), ("/panels/KVT0206Q.png", "image/png")]
LXI = "{http://www.lxistandard.org/InstrumentIdentification/1.0}"


def check_page(port):
    texts = {}
    for path, kind in PAGE:
        status, got_kind, data = request(port, "GET", path)
        assert (status, got_kind) == (200, kind), (path, status, got_kind)
        texts[path] = data
    assert b'<script src="/app.js" defer></script>' in texts["/"]
    assert texts["/"].count(b"<script") == 1, "an inline script"
    for markup_sink in ("innerHTML", "outerHTML", "insertAdjacentHTML", "document.write"):
        assert markup_sink.encode() not in texts["/app.js"], markup_sink
    assert request(port, "POST", "/")[0] == 405
    for path in ("/panels/KVT0206Q.PNG", "/panels/", "/web/app.js"):
        assert request(port, "GET", path)[0] == 404, path


def check_identification(port, names):
    status, kind, data = request(port, "GET", "/lxi/identification")
    assert (status, kind) == (200, "application/xml; charset=utf-8"), (status, kind)
    device = ElementTree.fromstring(data)
    assert device.tag == LXI + "LXIDevice", device.tag
    field = {child.tag[len(LXI):]: child for child in device}
    assert field["Manufacturer"].text == "Norvane" and field["Model"].text == "kvt-lan", data
    resources = sorted(uri.text for uri in field["ConnectedDevices"])
    assert resources == sorted("TCPIP0::127.0.0.1::%s::INSTR" % name for name in names), resources
    assert field["Interface"].find(LXI + "InstrumentAddressString").text == \
        "TCPIP0::127.0.0.1::inst0::INSTR"
    assert field["IdentificationURL"].text == "http://127.0.0.1:%d/lxi/identification" % port


class Events:
    """An event stream, read line by line."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), START_S)
        self.sock.sendall(b"GET /api/events HTTP/1.1\r\nHost: x\r\n\r\n")
        self.file = self.sock.makefile("rb")
        assert self.file.readline().startswith(b"HTTP/1.1 200"), "no event stream"
        while self.file.readline() != b"\r\n":
            pass

    def next(self):
        fields = {}
        while True:
            line = self.file.readline()
            assert line, "the event stream ended"
            if line == b"\n":
                return fields["event"], json.loads(fields["data"])
            name, _, value = line.decode().rstrip("\n").partition(": ")
            fields[name] = value

    def close(self):
        self.file.close()
        self.sock.close()


def check_events(port):
    events = Events(port)
    for position in (2, 1):
        status, _, _ = request(port, "PUT", "/api/units/WEBSIX/switches/B",
                               positions_body(position), RIGHT)
        assert status == 200
        assert events.next() == ("position", {"name": "WEBSIX", "switch": "B",
                                              "position": position})
    # A VXI-11 client's set is read back on the unit's turn and told; a set
    # that leaves the switch where it stood is not.
    unit = pyvisa.ResourceManager("@py").open_resource(
        "TCPIP0::127.0.0.1::WEBSIX::INSTR", read_termination="\n", write_termination="\n")
    for position in (4, 4, 5):
        assert unit.query("SP6TB:STATE:%d" % position) == "OK"
    for position in (4, 5):
        assert events.next() == ("position", {"name": "WEBSIX", "switch": "B",
                                              "position": position})
    # A unit told to restart is told of once it is back.
    unit.write("REBOOT")
    unit.close()
    for _ in range(50):
        if json.loads(request(port, "GET", "/api/units/WEBSIX")[2]).get("state") == "running":
            break
    assert events.next() == ("unit", {"name": "WEBSIX", "state": "restarted"})
    # A unit found gone is told of once its name goes.
    for _ in range(6):
        if request(port, "GET", "/api/units/WEBGONE")[0] == 404:
            break
    assert events.next() == ("unit", {"name": "WEBGONE", "state": "lost"})
    # A host holds a bounded share of streams.
    more = [Events(port) for _ in range(3)]
    assert raw(port, b"GET /api/events HTTP/1.1\r\n\r\n").startswith(b"HTTP/1.1 503 ")
    for stream in more + [events]:
        stream.close()


def check_records(port):
    """Every switch a client confirmed is in the history, with its client;
    the VXI-11 sets of check_events read back there."""
    status, _, data = request(port, "GET", "/api/history")
    records = json.loads(data)
    assert status == 200 and records, (status, data)
    assert {(r["source"], r["client"]) for r in records} == {("kvt-lan", "127.0.0.1")}, records
    assert {r["protocol"] for r in records} == {"web", "VXI-11"}, records
    sets = [(r["from"], r["to"]) for r in records
            if r["protocol"] == "VXI-11" and r["serial_number"] == "WEBSIX"]
    assert sets == [(1, 4), (4, 4), (4, 5)], sets
    status, _, data = request(port, "GET", "/api/history?unit=WEBTWO&since=2020-01-01")
    assert status == 200 and {r["serial_number"] for r in json.loads(data)} == {"WEBTWO"}, data
    assert json.loads(request(port, "GET", "/api/history?since=2999-01-01")[2]) == []
    for query in ("since=yesterday", "since=<b>", "unit=%2e%2e"):
        assert request(port, "GET", "/api/history?" + query)[0] == 400, query
    moved = sum(1 for r in records if r["serial_number"] == "WEBSIX" and r["switch"] == "B"
                and r["from"] is not None and r["from"] != r["to"])
    wear = json.loads(request(port, "GET", "/api/wear?unit=WEBSIX")[2])
    assert {"serial_number": "WEBSIX", "switch": "B", "count": moved} in wear, (moved, wear)


ROUTES = {"routes": {"both": {"WEBTWO": {"C": 2}, "WEBSIX": {"B": 3}},
                     "stuck": {"WEBTWO": {"D": 2}, "WEBSIX": {"A": 2}},
                     "other": {"WEBTWO": {"C": 1}}},
          "exclusions": [["both", "other"]]}


def positions(port, unit):
    return json.loads(request(port, "GET", "/api/units/" + unit)[2])["positions"]


def check_routes(port):
    """Routes over both models: refused with nothing sent while an excluded
    route stands, applied whole, put back when a switch does not hold."""
    def apply(name, headers=RIGHT):
        status, _, data = request(port, "POST", "/api/routes/%s/apply" % name, "", headers)
        return status, json.loads(data)

    def records():
        return len(json.loads(request(port, "GET", "/api/history")[2]))

    def active():
        return {r["name"]: r["active"] for r in json.loads(request(port, "GET", "/api/routes")[2])}

    assert positions(port, "WEBTWO")["C"] == 1 and active()["other"]
    before = records()
    assert apply("both", {})[0] == 401
    status, answer = apply("both")
    assert (status, answer["detail"]) == (409, "route both is refused: route other, which "
                                                "excludes it, stands"), answer
    assert apply("nosuch")[0] == 404
    assert records() == before, "a refused route sent something"
    assert request(port, "PUT", "/api/units/WEBTWO/switches/C", positions_body(2), RIGHT)[0] == 200
    events = Events(port)
    status, answer = apply("both")
    assert (status, answer) == (200, {"route": "both", "units": {"WEBTWO": {"C": 2},
                                                                  "WEBSIX": {"B": 3}}}), answer
    told = {events.next()[0] for _ in range(2)}
    events.close()
    assert told >= {"position", "route"}, told
    assert active() == {"both": True, "stuck": False, "other": False}
    status, answer = apply("stuck")
    assert status == 409 and answer["units"]["WEBTWO"] == {"failure": "held its part",
                                                           "put_back": ["D=1"]}, answer
    assert "did not hold" in answer["units"]["WEBSIX"]["failure"], answer
    assert positions(port, "WEBTWO")["D"] == 1


def check_read_only(lan, ports, names):
    port = free_port()
    with lan_server(lan, ports, names, ["--http", str(port)]) as server:
        assert first_line(server) == "web http://127.0.0.1:%d/\n" % port
        status, _, _ = request(port, "PUT", "/api/units/WEBTWO/switches/A", positions_body(2),
                               RIGHT)
        assert status == 403, status


def check_outside_allow(lan, ports, names):
    port = free_port()
    options = ["--http", str(port), "--allow", "127.0.0.2/32"]
    with lan_server(lan, ports, names, options) as server:
        first_line(server)
        assert raw(port, b"GET /api/units HTTP/1.1\r\n\r\n") == b"", "answered outside --allow"


def check_loose_token_file(lan, path):
    for mode in (0o640, 0o604):
        os.chmod(path, mode)
        process = start([lan, "--http", str(free_port()), "--token-file", path],
                        stderr=subprocess.PIPE)
        try:
            _, error = process.communicate(timeout=START_S)
        finally:
            process.kill()
            process.wait()
        assert process.returncode == 2, (mode, process.returncode)
        assert b"only its owner" in error, error
    os.chmod(path, 0o600)


def main():
    sim, lan = sys.argv[1:3]
    require_rpcbind()
    with tempfile.TemporaryDirectory() as directory:
        token = token_file(directory, TOKEN)
        check_loose_token_file(lan, token)
        with simulated_units(sim, *UNITS) as ports:
            markup_name = place_name(ports[2])
            names = ["WEBTWO", "WEBSIX", markup_name, "WEBGONE"]
            port = free_port()
            routes = os.path.join(directory, "routes.json")
            with open(routes, "w") as out:
                json.dump(ROUTES, out)
            options = ["--http", str(port), "--token-file", token, "--routes", routes]
            with lan_server(lan, ports, names, options) as server:
                assert first_line(server) == "web http://127.0.0.1:%d/\n" % port
                check_api(port, markup_name)
                check_page(port)
                check_identification(port, names)
                check_events(port)
                check_records(port)
                check_routes(port)
            names.remove("WEBGONE")
            check_read_only(lan, ports, names)
            check_outside_allow(lan, ports, names)
    print("PASS")


main()
