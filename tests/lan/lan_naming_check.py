"""The names kvt-lan serves units under: a serial number only when it is a
name and no other unit states it, else a name made of where the unit was
found. Each unit answers as itself under its own name and under no other's;
kvt-lan says why of every unit it does not serve under its serial number,
once, and again when that changes."""
import contextlib
import os
import select
import socket
import subprocess
import sys
import tempfile
import time

from lan_calls import CoreClient, vxi11
from lan_servers import START_S, lan_server, require_rpcbind, simulated_units

import pyvisa
from pyvisa.errors import VisaIOError

RULE = ("which is not a name: a name is letters, digits, '-', '_' and '.', beginning with a "
        "letter or a digit")
POLL_S = 0.05

# The units, each (kvt-sim unit, how kvt-lan is given its port, the name it
# is served under: "serial", "derived" or None, what kvt-lan says of it).
# A port is given as it is, held by another program ("held"), or as a link
# of this name. What is said names ports by their place in this list, and
# the unit's own name.
UNITS = [
    ("KVT0402Q,sn=DUP", None, "derived",
     "{0}: shares serial number DUP with the unit at {1}; served as {name}"),
    ("KVT0206Q,sn=DUP", None, "derived",
     "{1}: shares serial number DUP with the unit at {0}; served as {name}"),
    ("KVT0402Q,sn=../outside", None, "derived",
     '{2}: states serial number "../outside", ' + RULE + "; served as {name}"),
    ("KVT0206Q,sn=A::B", None, "derived",
     '{3}: states serial number "A::B", ' + RULE + "; served as {name}"),
    ("KVT0402Q,sn=LANBUSY", "held", None,
     "{4}: port busy: another program has it open; not served"),
    ("KVT0206Q,sn=LANNAMED", None, "serial", None),
    ("KVT0402Q,sn=LANLATE", None, "serial", None),
    # Two ports whose derived names are the same: neither is served so.
    ("KVT0402Q,sn=x/1", "x.y", None,
     '{7}: states serial number "x/1", ' + RULE + "; not served: its name {name} is also the "
     "unit's at {8}"),
    ("KVT0206Q,sn=x/2", "x_y", None,
     '{8}: states serial number "x/2", ' + RULE + "; not served: its name {name} is also the "
     "unit's at {7}"),
]
# Names that reach no unit.
NOT_SERVED = ["DUP", "../outside", "A::B", "LANBUSY", "x/1", "x/2"]
# A unit that states LANLATE too appears later, on a port named at start.
LATE_UNIT = "KVT0206Q,sn=LANLATE"


def derived(port):
    rest = port[len("/dev/"):] if port.startswith("/dev/") else port
    return "_" + "".join(c if c.isascii() and c.isalnum() else "_" for c in rest)


def setting(unit, key):
    return dict(word.split("=", 1) for word in unit.split(",")[1:])[key]


@contextlib.contextmanager
def held(port):
    """The port as another Qt program holds it: its lock file names a live
    process of this program."""
    lock = "/var/lock/LCK.." + port[len("/dev/"):].replace("/", "_")
    with open(lock, "w") as out:
        out.write("%d\n%s\n%s\n" % (os.getpid(), os.path.basename(os.readlink("/proc/self/exe")),
                                    socket.gethostname()))
    try:
        yield
    finally:
        os.unlink(lock)


# What kvt-lan says of its announcement, whenever Avahi lets it: not of names.
ANNOUNCING = "over mDNS"


def said_lines(server, count):
    """The next count lines kvt-lan says on standard error, without its name."""
    lines = []
    while len(lines) < count:
        ready, _, _ = select.select([server.stderr], [], [], START_S)
        assert ready, "kvt-lan said %r, and no more in %d s" % (lines, START_S)
        line = server.stderr.readline().decode()
        assert line.startswith("kvt-lan: "), line
        if ANNOUNCING in line:
            continue
        lines.append(line[len("kvt-lan: "):].rstrip("\n"))
    return sorted(lines)


def says_nothing_more(server):
    while select.select([server.stderr], [], [], 0)[0]:
        line = server.stderr.readline().decode()
        assert ANNOUNCING in line, line


def resource(name):
    return "TCPIP0::127.0.0.1::%s::INSTR" % name


def answers(rm, name):
    unit = rm.open_resource(resource(name), read_termination="\n", timeout=2000)
    try:
        return unit.query("SN?"), unit.query("MN?")
    finally:
        unit.close()


def refused(name):
    client = CoreClient()
    try:
        return client.create_link(1, 0, 0, name)[0] == vxi11.ErrorCodes.device_not_accessible
    finally:
        client.close()


def check_names_at_start(rm, server, ports):
    names = {}
    for port, (unit, _, served, _) in zip(ports, UNITS):
        if served:
            names[port] = setting(unit, "sn") if served == "serial" else derived(port)
    # The right unit behind each name: its serial number and its model.
    for port, name in names.items():
        unit = UNITS[ports.index(port)][0]
        assert answers(rm, name) == (setting(unit, "sn"), unit.split(",")[0]), name
    for name in NOT_SERVED:
        assert refused(name), "%s reached a unit" % name
    # Asking for them searched again, and found the same: nothing said again.
    says_nothing_more(server)


def check_number_shared_later(rm, server, ports, late_port, late_target):
    # A link made while LANLATE named one unit reaches nothing once another
    # unit states it too; each goes by its derived name from then on.
    first = rm.open_resource(resource("LANLATE"), read_termination="\n", timeout=2000)
    assert first.query("SN?") == "LANLATE"
    os.symlink(late_target, late_port)
    deadline = time.monotonic() + 2 * START_S
    # An unknown name starts a search, at most every 2 s.
    while not select.select([server.stderr], [], [], 0)[0]:
        assert time.monotonic() < deadline, "the later unit was never found"
        refused("NO-SUCH-UNIT")
        time.sleep(POLL_S)
    early_port = ports[[setting(unit, "sn") for unit, _, _, _ in UNITS].index("LANLATE")]
    assert said_lines(server, 2) == sorted([
        "%s: shares serial number LANLATE with the unit at %s; served as %s" %
        (early_port, late_port, derived(early_port)),
        "%s: shares serial number LANLATE with the unit at %s; served as %s" %
        (late_port, early_port, derived(late_port))])
    try:
        first.query("SN?")
        raise AssertionError("a link reached a unit under a name now shared")
    except VisaIOError:
        pass
    first.close()
    assert refused("LANLATE"), "a shared serial number reached a unit"
    assert answers(rm, derived(early_port)) == ("LANLATE", "KVT0402Q")
    assert answers(rm, derived(late_port)) == ("LANLATE", "KVT0206Q")


def main(sim, lan):
    require_rpcbind()
    with tempfile.TemporaryDirectory() as work, \
            simulated_units(sim, *[unit for unit, _, _, _ in UNITS]) as ptys, \
            simulated_units(sim, LATE_UNIT) as late_ptys:
        ports = []
        for pty, (_, given, _, _) in zip(ptys, UNITS):
            ports.append(pty if given in (None, "held") else os.path.join(work, given))
            if ports[-1] != pty:
                os.symlink(pty, ports[-1])
        late_port = os.path.join(work, "late")
        names = [setting(unit, "sn") if served == "serial" else derived(port)
                 for port, (unit, _, served, _) in zip(ports, UNITS) if served]
        said = [text.format(*ports, name=derived(port))
                for port, (_, _, _, text) in zip(ports, UNITS) if text]
        said.append("%s: cannot be opened; not served" % late_port)
        with contextlib.ExitStack() as holds:
            for port, (_, given, _, _) in zip(ports, UNITS):
                if given == "held":
                    holds.enter_context(held(port))
            with lan_server(lan, ports + [late_port], names, stderr=subprocess.PIPE) as server:
                assert said_lines(server, len(said)) == sorted(said)
                rm = pyvisa.ResourceManager("@py")
                check_names_at_start(rm, server, ports)
                print("ok each unit under its own name, and why not under its serial number",
                      flush=True)
                check_number_shared_later(rm, server, ports, late_port, late_ptys[0])
                print("ok a serial number shared later names neither unit", flush=True)
                rm.close()


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
