"""inst0, kvt-lan itself as a LAN-to-instrument gateway offers it: *IDN?
through pyvisa-py's VXI-11 client and through Debian's lxi-tools (libtirpc),
what it answers otherwise, locks, clear, abort and destroy_link on its links,
and a unit served beside it that none of that reaches."""
import shutil
import socket
import subprocess
import sys

from lan_calls import vxi11
from lan_check import abort_client
from lan_servers import START_S, lan_server, require_rpcbind, simulated_units, skip

SERIAL = "KVT2024001"
CODES = vxi11.ErrorCodes
END = vxi11.OP_FLAG_END
WAIT = vxi11.OP_FLAG_WAIT_BLOCK


def expected_identity(lan):
    # The host name as kvt-lan shows it; the version as --version prints it.
    host = "".join(c if 0x20 < ord(c) < 0x7f and c not in ",;" else "_"
                   for c in socket.gethostname()[:64]) or "unknown"
    version = subprocess.run([lan, "--version"], capture_output=True, text=True,
                             timeout=START_S, check=True).stdout.split()[-1]
    return "Norvane,kvt-lan,%s,%s" % (host, version)


# Messages to inst0 and what a read then gets: (data, error, answer).
MESSAGES = [
    (b"*IDN?", 0, "identity"),
    (b"*IDN?\n", 0, "identity"),
    (b"*IDN?\r\n", 0, "identity"),
    (b"*idn?\n", 0, "identity"),
    (b"*IDN?\n\n", CODES.io_timeout, None),
    (b"*IDN? \n", CODES.io_timeout, None),
    (b"SETA=1\n", CODES.io_timeout, None),
    (b"GETA?\n", CODES.io_timeout, None),
    (b"\x00*IDN?\n", CODES.io_timeout, None),
]


def read(client, link):
    error, _, data = client.device_read(link, 1000, 1000, 0, 0, 0)
    return error, data


def check_messages(identity):
    client = vxi11.CoreClient("127.0.0.1")
    for device in ("inst0", "INST0", "Inst0"):
        error, link, _, _ = client.create_link(1, 0, 0, device)
        assert error == 0, (device, error)
        for data, error, answer in MESSAGES:
            assert client.device_write(link, 1000, 0, END, data) == (0, len(data)), data
            expected = (identity + "\n").encode() if answer else b""
            assert read(client, link) == (error, expected), (device, data)
        assert client.destroy_link(link) == 0
    # Other names kvt-lan does not serve.
    for device in ("inst1", "inst", "inst00", "/inst0", "inst0\n"):
        assert client.create_link(1, 0, 0, device)[0] == CODES.device_not_accessible, device
    client.close()


def check_unit_beside(identity):
    # What inst0 is told reaches no unit, and its locks hold no unit.
    gateway, unit = vxi11.CoreClient("127.0.0.1"), vxi11.CoreClient("127.0.0.1")
    own = gateway.create_link(1, 1, 1000, "inst0")[1]
    other = gateway.create_link(1, 0, 0, "inst0")[1]
    unit_link = unit.create_link(2, 0, 0, SERIAL)[1]
    assert unit.device_write(unit_link, 1000, 0, END, b"SETA=0\n") == (0, 7)
    assert read(unit, unit_link) == (0, b"OK\n")
    assert gateway.device_write(own, 1000, 0, END, b"SETA=1\n") == (0, 7)
    assert unit.device_lock(unit_link, 0, 0) == 0
    assert unit.device_write(unit_link, 1000, 0, END, b"GETA?\n") == (0, 6)
    assert read(unit, unit_link) == (0, b"0\n")
    assert unit.device_write(unit_link, 1000, 0, END, b"*IDN?\n") == (0, 6)
    assert read(unit, unit_link)[1].split(b",")[1:3] == [b"KVT0402Q", SERIAL.encode()]
    assert unit.device_unlock(unit_link) == 0
    # inst0's lock is kept from its other links as a unit's is.
    for call, error in [(lambda: gateway.device_lock(other, 0, 0), CODES.device_locked_by_another_link),
                        (lambda: gateway.device_lock(other, WAIT, 100), CODES.device_locked_by_another_link),
                        (lambda: gateway.device_write(other, 1000, 0, END, b"*IDN?\n")[0],
                         CODES.device_locked_by_another_link),
                        (lambda: gateway.device_unlock(other), CODES.no_lock_held_by_this_link),
                        (lambda: gateway.device_clear(other, 0, 0, 0), CODES.device_locked_by_another_link),
                        (lambda: gateway.device_unlock(own), 0),
                        (lambda: gateway.device_lock(other, 0, 0), 0),
                        (lambda: gateway.destroy_link(other), 0),
                        (lambda: gateway.device_lock(own, 0, 0), 0)]:
        assert call() == error, error
    # Clear drops an answer not yet read; abort finds nothing to end.
    assert gateway.device_write(own, 1000, 0, END, b"*IDN?\n") == (0, 6)
    assert gateway.device_clear(own, 0, 0, 0) == 0
    assert read(gateway, own) == (CODES.io_timeout, b"")
    assert gateway.device_write(own, 1000, 0, END, b"*IDN?\n") == (0, 6)
    assert read(gateway, own) == (0, (identity + "\n").encode())
    assert gateway.destroy_link(own) == 0
    assert gateway.destroy_link(own) == CODES.invalid_link_identifier
    assert read(gateway, own)[0] == CODES.invalid_link_identifier
    gateway.close()
    unit.close()


def check_abort():
    client = vxi11.CoreClient("127.0.0.1")
    _, link, abort_port, _ = client.create_link(1, 0, 0, "inst0")
    abort = abort_client(abort_port)
    assert abort.make_call(1, link, abort.packer.pack_device_link,
                           abort.unpacker.unpack_device_error) == 0
    assert client.device_write(link, 1000, 0, END, b"*IDN?\n") == (0, 6)
    assert read(client, link)[0] == 0
    abort.close()
    client.close()


def check_lxi_tools(identity):
    if not shutil.which("lxi"):
        skip("lxi-tools is not installed")
    answer = subprocess.run(["lxi", "scpi", "-t", "5", "-a", "127.0.0.1", "*IDN?"],
                            capture_output=True, text=True, timeout=START_S)
    assert answer.returncode == 0 and answer.stdout == identity + "\n", answer
    # lxi's discovery broadcasts on every interface, lo too, and asks each
    # VXI-11 server that answers for inst0's identity.
    found = subprocess.run(["lxi", "discover", "-t", "1"], capture_output=True, text=True,
                           timeout=START_S)
    assert 'Found "%s" on address 127.0.0.1' % identity in found.stdout, found


def main(sim, lan):
    require_rpcbind()
    identity = expected_identity(lan)
    with simulated_units(sim, "KVT0402Q,sn=" + SERIAL) as ports:
        with lan_server(lan, ports, SERIAL):
            check_messages(identity)
            check_unit_beside(identity)
            check_abort()
            check_lxi_tools(identity)
    print("ok")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
