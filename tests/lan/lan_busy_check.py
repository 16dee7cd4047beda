"""kvt-lan and units that keep their links waiting: a new link to a busy
unit is granted at once, not behind the other links' commands, and an
answer that comes after its link gave up on it never passes for the answer
to that link's next message."""
import contextlib
import select
import subprocess
import sys
import time

from lan_calls import BUSY, CoreClient, reply_of, send_calls, vxi11
from lan_check import abort_client, abort_until_answered
from lan_servers import START_S, lan_server, require_rpcbind

BUSY_UNIT = "LANBUSYU"
# Longer than any machine takes to grant a link: a link that waits behind
# the busy command comes after that command's own reply.
BUSY_WAIT_MS = 10000
END = vxi11.OP_FLAG_END
# The message given up on; no identification asks it.
GIVEN_UP = b"GETA?\n"

# Giving up on a message, each (name, unit's serial number and answer delay,
# the message's io_timeout, how the client gives up). A timed-out answer
# comes within the wait kvt-lan keeps for late answers; an aborted one long
# after the next message has gone to the unit.
GIVE_UPS = [
    ("timed out", "LANLATE1", 400, 200, "timeout"),
    ("aborted", "LANLATE2", 700, 5000, "abort"),
]


@contextlib.contextmanager
def logged_units(sim, *units):
    """kvt-sim units whose commands are logged on its standard error: yields
    the process and the units' ports."""
    process = subprocess.Popen([sim, "--verbose", "--units", ";".join(units)],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               stdin=subprocess.DEVNULL, bufsize=0)
    try:
        ports = []
        for _ in units:
            assert select.select([process.stdout], [], [], START_S)[0], "no unit from kvt-sim"
            ports.append(process.stdout.readline().decode().split()[2])
        yield process, ports
    finally:
        process.terminate()
        process.wait(START_S)


def wait_for_command(sim, serial, command):
    """Reads kvt-sim's log until the unit has taken command."""
    taken = b"%s <- %s" % (serial.encode(), command)
    deadline = time.monotonic() + START_S
    while True:
        left = deadline - time.monotonic()
        assert left > 0 and select.select([sim.stderr], [], [], left)[0], \
            "the unit never took %r" % command
        if taken in sim.stderr.readline():
            return


def write_call(link, io_timeout_ms, data):
    return (vxi11.DEVICE_WRITE, "pack_device_write_parms", (link, io_timeout_ms, 0, END, data),
            "unpack_device_write_resp", None)


def check_link_to_busy_unit(sim):
    busy = CoreClient()
    link = busy.create_link(1, 0, 0, BUSY_UNIT)[1]
    send_calls(busy, [write_call(link, BUSY_WAIT_MS, BUSY)])
    wait_for_command(sim, BUSY_UNIT, BUSY.strip())
    newcomer = CoreClient()
    # pyvisa-py's client gives up on a create_link that waits, as "not accessible".
    assert newcomer.create_link(1, 0, 0, BUSY_UNIT)[0] == 0, "no link to a busy unit"
    assert not select.select([busy.sock], [], [], 0)[0], \
        "the new link waited behind another link's command"
    newcomer.close()
    busy.close()


def check_late_answer(sim, serial, io_timeout_ms, give_up):
    client = CoreClient()
    _, link, abort_port, _ = client.create_link(1, 0, 0, serial)
    if give_up == "timeout":
        # The write is taken; the answer is not in when the read's time is up.
        assert client.device_write(link, io_timeout_ms, 0, END, GIVEN_UP) == (0, len(GIVEN_UP))
        assert client.device_read(link, 100, io_timeout_ms, 0, 0, 0)[0] == \
            vxi11.ErrorCodes.io_timeout
    else:
        send_calls(client, [write_call(link, io_timeout_ms, GIVEN_UP)])
        # Once the unit has taken it, its answer is on its way.
        wait_for_command(sim, serial, GIVEN_UP.strip())
        abort = abort_client(abort_port)
        abort_until_answered(abort, client, link)
        assert reply_of(client.sock, "unpack_device_write_resp") == \
            (1, (vxi11.ErrorCodes.abort, 0))
        abort.close()
    assert client.device_write(link, BUSY_WAIT_MS, 0, END, b"MN?\n") == (0, 4)
    error, _, answer = client.device_read(link, 100, BUSY_WAIT_MS, 0, 0, 0)
    assert (error, answer) == (0, b"KVT0402Q\n"), (error, answer)
    client.close()


def main(sim, lan):
    require_rpcbind()
    units = ["KVT0402Q,sn=%s,faults=fail:%s" % (BUSY_UNIT, BUSY.decode().strip())] + [
        "KVT0402Q,sn=%s,faults=delay:%d" % (serial, delay) for _, serial, delay, _, _ in GIVE_UPS]
    with logged_units(sim, *units) as (sim_process, ports), \
            lan_server(lan, ports, [BUSY_UNIT] + [serial for _, serial, _, _, _ in GIVE_UPS]):
        check_link_to_busy_unit(sim_process)
        print("ok a busy unit takes a new link at once", flush=True)
        for name, serial, _, io_timeout_ms, give_up in GIVE_UPS:
            check_late_answer(sim_process, serial, io_timeout_ms, give_up)
            print("ok an answer to a message %s is not the next one's" % name, flush=True)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
