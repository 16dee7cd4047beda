"""Whom kvt-lan does not serve. A client outside --allow, a host over its
share of the connections and a connection over the limit are closed before a
byte of their calls is read, so nothing they send runs, and kvt-lan serves
on. A second server, on the same address or another, does not take the
rpcbind registration from the first."""
import socket
import subprocess
import sys
import time

from lan_calls import (BUSY, CoreClient, busy_calls, call_record, core_port, reply_of, rpc,
                       send_calls, vxi11)
from lan_servers import START_S, first_line, lan_server, require_rpcbind, simulated_units

import pyvisa

SERIAL = "LANREF"
CONNECTIONS = 64
PER_HOST = CONNECTIONS // 4
POLL_S = 0.01
TOGETHER_ROUNDS = 5
FOREIGN_PORT = 4242

# name, --allow, the allowed client's address, connections held open besides
# it (address, count), the refused client's address.
REFUSALS = [
    ("outside --allow", ["127.0.0.2/32"], "127.0.0.2", [], "127.0.0.1"),
    ("over its host's share", [], "127.0.0.1", [("127.0.0.1", PER_HOST - 1)], "127.0.0.1"),
    # Every loopback address is this one machine: it cannot pass for four.
    ("over its host's share from other loopback addresses", [], "127.0.0.2",
     [("127.0.0.%d" % (3 + i % 2), 1) for i in range(PER_HOST - 1)], "127.0.0.5"),
]

# First server's address, second server's address.
SECOND_SERVERS = [("127.0.0.1", "127.0.0.1"), ("127.0.0.1", "127.0.0.2"),
                  ("127.0.0.2", "127.0.0.1")]


def connect(source):
    return socket.create_connection(("127.0.0.1", core_port()), START_S,
                                    source_address=(source, 0))


def switch_a(client, link):
    end = vxi11.OP_FLAG_END
    assert client.device_write(link, 1000, 0, end, b"GETA?\n")[0] == 0
    return client.device_read(link, 100, 1000, 0, 0, 0)[2]


def check_refused(lan, port, allow, allowed_source, held, refused_source):
    options = [word for network in allow for word in ("--allow", network)]
    with lan_server(lan, port, SERIAL, options):
        allowed = CoreClient(source=allowed_source)
        link = allowed.create_link(1, 0, 0, SERIAL)[1]
        holding = [connect(source) for source, count in held for _ in range(count)]
        # The refused client connects and sends while kvt-lan waits for the
        # unit on the allowed client's behalf. Its calls, were they run, would
        # lock the unit for a link of its own and set switch A on that link.
        calls = busy_calls(link)
        send_calls(allowed, calls)
        refused = connect(refused_source)
        try:
            refused.sendall(
                call_record(1, vxi11.CREATE_LINK, "pack_create_link_parms", (1, 1, 0, SERIAL)) +
                call_record(2, vxi11.DEVICE_WRITE, "pack_device_write_parms",
                            (link + 1, 1000, 0, vxi11.OP_FLAG_END, b"SETA=1\n")))
            assert refused.recv(4096) == b"", "a refused client was answered"
        except ConnectionError:
            pass
        refused.close()
        for xid, (_, _, _, unpack, result) in enumerate(calls, 1):
            assert reply_of(allowed.sock, unpack) == (xid, result)
        assert switch_a(allowed, link) == b"0\n", "a refused client's call ran"
        assert allowed.device_lock(link, 0, 0) == 0, "a refused client holds the lock"
        for sock in holding:
            sock.close()
        allowed.close()


def check_second_server(lan, port, first, second):
    with lan_server(lan, port, SERIAL, ["--listen", first]):
        refused = subprocess.run([lan, "--listen", second], timeout=START_S,
                                 stdout=subprocess.DEVNULL)
        assert refused.returncode == 1, refused.returncode
        rm = pyvisa.ResourceManager("@py")
        unit = rm.open_resource("TCPIP0::%s::%s::INSTR" % (first, SERIAL), read_termination="\n")
        assert unit.query("SN?") == SERIAL
        unit.close()
        rm.close()


def check_servers_started_together(lan, port):
    # Whatever the timing, one keeps the registration and the other says so
    # and ends; the winner stays registered after the loser has gone.
    for _ in range(TOGETHER_ROUNDS):
        servers = [subprocess.Popen([lan, "--port", port[0]], stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, bufsize=0)
                   for _ in range(2)]
        try:
            deadline = time.monotonic() + START_S
            while all(server.poll() is None for server in servers):
                assert time.monotonic() < deadline, "both servers run"
                time.sleep(POLL_S)
            loser, winner = servers if servers[0].poll() is not None else servers[::-1]
            assert loser.returncode == 1, loser.returncode
            assert b"another" in loser.stderr.read(), "the loser did not say why"
            assert first_line(winner) == "%s TCPIP0::127.0.0.1::%s::INSTR\n" % (SERIAL, SERIAL)
            assert winner.poll() is None, "the winner ended too"
            rm = pyvisa.ResourceManager("@py")
            unit = rm.open_resource("TCPIP0::127.0.0.1::%s::INSTR" % SERIAL, read_termination="\n")
            assert unit.query("SN?") == SERIAL
            unit.close()
            rm.close()
            winner.terminate()
            assert winner.wait(START_S) == 0, "the winner did not end cleanly"
        finally:
            for server in servers:
                server.terminate()
                server.wait(START_S)


def check_foreign_entry_kept(lan, port):
    # Another server's entry, made in place of kvt-lan's, stays when kvt-lan ends.
    foreign = (vxi11.DEVICE_CORE_PROG, vxi11.DEVICE_CORE_VERS, rpc.IPPROTO_TCP, FOREIGN_PORT)
    portmapper = rpc.TCPPortMapperClient("127.0.0.1")
    try:
        with lan_server(lan, port, SERIAL):
            subprocess.run(["rpcinfo", "-d", str(foreign[0]), str(foreign[1])], check=True)
            assert portmapper.set(foreign)
        assert foreign in portmapper.dump(), "kvt-lan removed another server's entry"
    finally:
        portmapper.unset(foreign)
        portmapper.close()


def served(source):
    """A create_link from source is answered: its connection was taken."""
    client = CoreClient(source=source)
    try:
        return client.create_link(1, 0, 0, SERIAL)[0] == 0
    except (ConnectionError, EOFError):
        return False
    finally:
        client.close()


def check_places_given_back(lan, port):
    # More connections than the server holds at once, each closed before the
    # next, from loopback addresses that count as one host; then one more.
    # kvt-lan learns of a close a little after it, so each is polled for.
    with lan_server(lan, port, SERIAL):
        for i in range(CONNECTIONS + PER_HOST):
            source = "127.0.0.%d" % (2 + i % 4)
            deadline = time.monotonic() + START_S
            while not served(source):
                assert time.monotonic() < deadline, "connection %d not served" % i
                time.sleep(POLL_S)


def main(sim, lan):
    require_rpcbind()
    with simulated_units(sim, "KVT0402Q,sn=%s,faults=fail:%s" % (SERIAL, BUSY.decode().strip())) \
            as port:
        for name, allow, allowed_source, held, refused_source in REFUSALS:
            check_refused(lan, port, allow, allowed_source, held, refused_source)
            print("ok refused:", name, flush=True)
        check_places_given_back(lan, port)
        print("ok a closed connection gives its place back", flush=True)
        for first, second in SECOND_SERVERS:
            check_second_server(lan, port, first, second)
            print("ok second server on %s refused while one serves on %s" % (second, first),
                  flush=True)
        check_servers_started_together(lan, port)
        print("ok of two servers started together one serves", flush=True)
        check_foreign_entry_kept(lan, port)
        print("ok another server's entry stays", flush=True)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
