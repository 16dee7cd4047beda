"""kvt-lan serving several kvt-sim units to pyvisa-py clients at once: each
client's answers are its own, clients of different units do not cost each
other answers, a slow unit is heard within the client's I/O timeout, and a
unit is served under its serial number only while it is that unit."""
import concurrent.futures
import os
import sys
import tempfile

from lan_calls import CoreClient, vxi11
from lan_servers import (START_S, first_line, lan_server, require_rpcbind, simulated_units,
                         start)

import pyvisa
from pyvisa.errors import VisaIOError

UNITS = ["LANU1", "LANU2", "LANU3", "LANU4"]
SLOW = "LANSLOW"
GONE = "LANGONE"
BOOT = "LANBOOT"
SWAPPED = ("LANSWAPA", "LANSWAPB")
ROUNDS = 20


def resource(serial):
    return "TCPIP0::127.0.0.1::%s::INSTR" % serial


def open_unit(rm, serial, timeout_ms=2000):
    return rm.open_resource(resource(serial), read_termination="\n", timeout=timeout_ms)


def in_parallel(work, arguments):
    with concurrent.futures.ThreadPoolExecutor(len(arguments)) as pool:
        for failure in pool.map(work, arguments):
            assert failure is None, failure


def check_clients_on_their_own_units(rm, _):
    def client(serial):
        unit = open_unit(rm, serial)
        for i in range(ROUNDS):
            position = str(i % 2)
            answers = [unit.query(command) for command in ("SETA=" + position, "GETA?", "SN?")]
            if answers != ["OK", position, serial]:
                return serial, i, answers
        unit.close()
        return None

    in_parallel(client, UNITS)


def check_clients_sharing_a_unit(rm, _):
    # Each client asks what only its own answer can satisfy: its own
    # identification query, and a switch of its own set and read back.
    queries = [("SN?", UNITS[0]), ("MN?", "KVT0402Q"), ("SV?", "1.0.0"), ("OS?", "APP")]

    def client(number):
        unit = open_unit(rm, UNITS[0])
        query, expected = queries[number]
        switch = "ABCD"[number]
        for i in range(ROUNDS):
            position = str((i + number) % 2)
            answers = [unit.query(command)
                       for command in (query, "SET%s=%s" % (switch, position), "GET%s?" % switch)]
            if answers != [expected, "OK", position]:
                return number, i, answers
        unit.close()
        return None

    in_parallel(client, range(len(queries)))


def check_writes_then_reads_across_units(rm, _):
    # One program writes to two units before it reads either; another
    # client's search for an unknown unit comes in between.
    first, second = open_unit(rm, UNITS[0]), open_unit(rm, UNITS[1])
    stranger = CoreClient()
    for _ in range(ROUNDS // 4):
        first.write("SN?")
        second.write("SN?")
        assert stranger.create_link(1, 0, 0, "NO-SUCH-UNIT")[0] == \
            vxi11.ErrorCodes.device_not_accessible
        assert (first.read(), second.read()) == (UNITS[0], UNITS[1])
    stranger.close()
    first.close()
    second.close()


def check_slow_unit_within_io_timeout(rm, _):
    # The unit answers after 300 ms: a client waiting 1 s hears it, one
    # waiting 100 ms does not, and that late answer is not taken for the next.
    unit = open_unit(rm, SLOW, timeout_ms=100)
    try:
        unit.query("SN?")
        raise AssertionError("an answer came before the unit gave it")
    except VisaIOError:
        pass
    unit.timeout = 1000
    assert unit.query("MN?") == "KVT0402Q"
    assert unit.query("SN?") == SLOW
    unit.close()


def link_refused(rm, serial):
    try:
        open_unit(rm, serial).close()
    except Exception as error:  # pyvisa-py raises a bare Exception for a failed create_link
        return "3" in str(error) or isinstance(error, VisaIOError)
    return False


def check_unit_in_its_bootloader(rm, _):
    # Served under the serial number it says there, for an upgrade to finish it.
    unit = open_unit(rm, BOOT)
    assert unit.query("OS?") == "BOOTLOADER"
    unit.close()


def check_unit_that_never_comes_back(rm, _):
    unit = open_unit(rm, GONE)
    unit.write("REBOOT")
    assert link_refused(rm, GONE), "a unit that never came back got a link"
    unit.close()


def check_swapped_unit(rm, swap):
    # The port now leads to another unit: the old link reaches nothing, the
    # old name gets no link, and the new unit is served under its own name.
    old = open_unit(rm, SWAPPED[0])
    swap()
    try:
        old.write("SETA=1")
        raise AssertionError("a write reached whatever is on the port now")
    except VisaIOError:
        pass
    assert link_refused(rm, SWAPPED[0]), "the old name got a link to the new unit"
    new = open_unit(rm, SWAPPED[1])
    assert (new.query("SN?"), new.query("GETA?")) == (SWAPPED[1], "0")
    new.close()
    old.close()


CHECKS = [
    check_clients_on_their_own_units,
    check_clients_sharing_a_unit,
    check_writes_then_reads_across_units,
    check_slow_unit_within_io_timeout,
    check_unit_in_its_bootloader,
    check_unit_that_never_comes_back,
    check_swapped_unit,
]


def main(sim, lan):
    require_rpcbind()
    units = ["KVT0402Q,sn=" + serial for serial in UNITS] + [
        "KVT0402Q,sn=%s,faults=delay:300" % SLOW, "KVT0402Q,sn=%s,faults=never-back" % GONE,
        "KVT0402Q,sn=%s,mode=boot" % BOOT]
    first = start([sim, "--units", "KVT0402Q,sn=" + SWAPPED[0]])
    try:
        with tempfile.TemporaryDirectory() as work, simulated_units(sim, *units) as ports, \
                simulated_units(sim, "KVT0402Q,sn=" + SWAPPED[1]) as second_ports:
            # kvt-lan opens the swapped unit's port by a name that is made to
            # lead elsewhere, as a port name does when one unit is unplugged
            # and another takes its place.
            swapping_port = os.path.join(work, "port")
            os.symlink(first_line(first).split()[2], swapping_port)

            def swap():
                # The first unit's line goes dead, as an unplugged unit's does.
                first.terminate()
                first.wait(START_S)
                os.symlink(second_ports[0], swapping_port + ".new")
                os.replace(swapping_port + ".new", swapping_port)

            with lan_server(lan, ports + [swapping_port], UNITS + [SLOW, GONE, BOOT, SWAPPED[0]]):
                rm = pyvisa.ResourceManager("@py")
                for check in CHECKS:
                    check(rm, swap)
                    print("ok", check.__name__, flush=True)
                rm.close()
    finally:
        first.terminate()
        first.wait(START_S)

if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
