"""kvt-lan serving a kvt-sim unit, against a VXI-11 client written elsewhere:
Debian's pyvisa-py. Queries, messages without END, locks, aborts, a client
killed while it holds a lock, calls sent before the replies to earlier ones
are read, termination characters, and the refusals: another link's unlock,
a message over the bound, garbage on the port, calls no procedure takes,
too many links, device_docmd."""
import os
import select
import socket
import struct
import subprocess
import sys
import time

from lan_calls import BUSY, CoreClient, busy_calls, core_port, reply_of, rpc, send_calls, vxi11
from lan_servers import START_S, first_line, lan_server, require_rpcbind, simulated_units

import pyvisa
from pyvisa.constants import StatusCode
from pyvisa.errors import VisaIOError

SERIAL = "KVT2024001"
RESOURCE = "TCPIP0::127.0.0.1::%s::INSTR" % SERIAL
# kvt-lan's bounds.
MAX_MESSAGE = 16384
LINKS_PER_CLIENT = 8
WAIT_MS = 300


def open_unit(rm):
    return rm.open_resource(RESOURCE, read_termination="\n")


def fails_with(status, call):
    try:
        call()
    except VisaIOError as error:
        assert error.error_code == status, (status.name, error)
        return
    raise AssertionError("succeeded instead of " + status.name)


def check_query_and_read_back(rm):
    # Without a termination character the read ends at the message's end.
    unit = rm.open_resource(RESOURCE)
    assert unit.query("*IDN?").split(",")[1:3] == ["KVT0402Q", SERIAL]
    for position in ("1", "0"):
        assert unit.query("SETA=" + position) == "OK\n"
        assert unit.query("GETA?") == position + "\n"
    unit.close()


# Reads of one answer in turn, each (flags, termination character, request
# size, data, reason): a termination character set ends the read and stays
# in its data.
IDN_READS = [
    (vxi11.OP_FLAG_TERMCHAR_SET, ord(","), 100, b"Norvane,", vxi11.RX_CHR),
    (vxi11.OP_FLAG_TERMCHAR_SET, ord(","), 3, b"KVT", vxi11.RX_REQCNT),
    (0, ord(","), 8, b"0402Q,KV", vxi11.RX_REQCNT),
    (vxi11.OP_FLAG_TERMCHAR_SET, ord("\n"), 100, b"T2024001,1.0.0\n", vxi11.RX_CHR | vxi11.RX_END),
]


def check_termination_character(rm):
    client = vxi11.CoreClient("127.0.0.1")
    link = client.create_link(1, 0, 0, SERIAL)[1]
    assert client.device_write(link, 1000, 0, vxi11.OP_FLAG_END, b"*IDN?\n") == (0, 6)
    for flags, term_char, size, data, reason in IDN_READS:
        assert client.device_read(link, size, 1000, 0, flags, term_char) == (0, reason, data), data
    client.close()


def check_long_write_then_read(rm):
    # pyvisa-py sends a write of more than a kilobyte without the END flag;
    # the read that follows ends the message all the same.
    unit = rm.open_resource(RESOURCE)
    unit.write_raw(b"X" * 1100)
    assert unit.read_raw() == b"ERR\n"
    unit.close()


def check_long_write_then_write(rm):
    # pyvisa-py leaves END off this write too; its line feed ends the
    # message, so the next command reaches the unit on its own.
    unit = open_unit(rm)
    unit.write("X" * 1100)
    unit.write("SETA=1")
    assert unit.query("GETA?") == "1"
    assert unit.query("SETA=0") == "OK"
    unit.close()


def check_lock_blocks_other(rm):
    holder, other = open_unit(rm), open_unit(rm)
    holder.lock_excl()
    assert holder.query("SN?") == SERIAL
    fails_with(StatusCode.error_resource_locked, other.lock_excl)
    fails_with(StatusCode.error_io, lambda: other.query("SN?"))
    holder.unlock()
    assert other.query("SN?") == SERIAL
    holder.close()
    other.close()


def check_lock_is_its_holders(rm):
    # Another link's unlock, through its own link or the holder's, and
    # another link's end all leave the lock with its holder.
    holder, other = vxi11.CoreClient("127.0.0.1"), vxi11.CoreClient("127.0.0.1")
    holder_link = holder.create_link(1, 0, 0, SERIAL)[1]
    other_link, ended_link = (other.create_link(2, 0, 0, SERIAL)[1] for _ in range(2))
    assert holder.device_lock(holder_link, 0, 0) == 0
    codes = vxi11.ErrorCodes
    releases = [(other.device_unlock, other_link, codes.no_lock_held_by_this_link),
                (other.device_unlock, holder_link, codes.invalid_link_identifier),
                (other.destroy_link, ended_link, 0)]
    for release, link, error in releases:
        assert release(link) == error, error
        assert other.device_lock(other_link, 0, 0) == codes.device_locked_by_another_link, error
    assert holder.device_unlock(holder_link) == 0
    holder.close()
    other.close()


def send_lock_request(client, link):
    """Sends a waiting device_lock without taking its answer."""
    client.start_call(vxi11.DEVICE_LOCK)
    client.packer.pack_device_lock_parms((link, vxi11.OP_FLAG_WAIT_BLOCK, 10 * WAIT_MS))
    rpc._sendrecord(client.sock, client.packer.get_buf())


def lock_answer(client):
    client.unpacker.reset(rpc._recvrecord(client.sock, START_S))
    client.unpacker.unpack_replyheader()
    return client.unpacker.unpack_device_error()


def abort_client(port):
    abort = rpc.RawTCPClient("127.0.0.1", vxi11.DEVICE_ASYNC_PROG, vxi11.DEVICE_ASYNC_VERS, port)
    abort.packer, abort.unpacker = vxi11.Vxi11Packer(), vxi11.Vxi11Unpacker("")
    return abort


def abort_until_answered(abort, client, link):
    """Aborts the link's waiting call until its reply is there: an abort that
    comes before the call has begun to wait ends nothing."""
    for _ in range(100):
        assert abort.make_call(
            1, link, abort.packer.pack_device_link, abort.unpacker.unpack_device_error) == 0
        if select.select([client.sock], [], [], 0.05)[0]:
            return
    raise AssertionError("the waiting call was never answered")


def check_waiting_lock(rm):
    waiter, holder = vxi11.CoreClient("127.0.0.1"), vxi11.CoreClient("127.0.0.1")
    _, waiter_link, abort_port, _ = waiter.create_link(1, 0, 0, SERIAL)
    holder_link = holder.create_link(2, 0, 0, SERIAL)[1]
    abort = abort_client(abort_port)
    assert holder.device_lock(holder_link, 0, 0) == 0
    started = time.monotonic()
    error = waiter.device_lock(waiter_link, vxi11.OP_FLAG_WAIT_BLOCK, WAIT_MS)
    assert error == vxi11.ErrorCodes.device_locked_by_another_link, error
    assert time.monotonic() - started >= WAIT_MS / 1000, "the lock request did not wait"
    # The abort channel ends a waiting request.
    send_lock_request(waiter, waiter_link)
    abort_until_answered(abort, waiter, waiter_link)
    assert lock_answer(waiter) == vxi11.ErrorCodes.abort
    # A waiting request is answered once the holder lets go.
    send_lock_request(waiter, waiter_link)
    assert holder.device_lock(holder_link, 0, 0) == 0
    assert holder.device_unlock(holder_link) == 0
    assert lock_answer(waiter) == 0
    assert holder.device_lock(holder_link, 0, 0) == vxi11.ErrorCodes.device_locked_by_another_link
    for client in (abort, waiter, holder):
        client.close()


def check_abort_ends_wait_for_unit(rm):
    # A write of a command the unit never answers waits for that answer; the
    # unit itself is waited for on (2 s here), and then serves the next check.
    client = vxi11.CoreClient("127.0.0.1")
    _, link, abort_port, _ = client.create_link(1, 0, 0, SERIAL)
    abort = abort_client(abort_port)
    send_calls(client, [(vxi11.DEVICE_WRITE, "pack_device_write_parms",
                         (link, 2000, 0, vxi11.OP_FLAG_END, BUSY), None, None)])
    abort_until_answered(abort, client, link)
    assert reply_of(client.sock, "unpack_device_write_resp") == (1, (vxi11.ErrorCodes.abort, 0))
    abort.close()
    client.close()


def check_killed_holder_frees_unit(rm):
    holder = subprocess.Popen(
        [sys.executable, "-c",
         "import pyvisa,sys\n"
         "u=pyvisa.ResourceManager('@py').open_resource(%r)\n"
         "u.lock_excl(); print('locked', flush=True); sys.stdin.read()" % RESOURCE],
        stdout=subprocess.PIPE, stdin=subprocess.PIPE)
    assert first_line(holder) == "locked\n"
    other = open_unit(rm)
    fails_with(StatusCode.error_resource_locked, other.lock_excl)
    holder.kill()
    holder.wait()
    # kvt-lan notices the closed connection in its own time: a bounded poll.
    for _ in range(200):
        try:
            other.lock_excl()
            break
        except VisaIOError as error:
            assert error.error_code == StatusCode.error_resource_locked, error
    else:
        raise AssertionError("the killed client's lock was never released")
    other.unlock()
    other.close()


# A message's writes, each (size, flags, error): whole up to the bound, in one
# write or in pieces, and refused a byte beyond it.
MESSAGES = [
    [(MAX_MESSAGE, vxi11.OP_FLAG_END, 0)],
    [(MAX_MESSAGE + 1, vxi11.OP_FLAG_END, vxi11.ErrorCodes.parameter_error)],
    [(MAX_MESSAGE - 1, 0, 0), (1, vxi11.OP_FLAG_END, 0)],
    [(MAX_MESSAGE, 0, 0), (1, vxi11.OP_FLAG_END, vxi11.ErrorCodes.parameter_error)],
]


def check_oversized_write(rm):
    client = vxi11.CoreClient("127.0.0.1")
    error, link, _, max_size = client.create_link(1, 0, 0, SERIAL)
    assert error == 0 and max_size == MAX_MESSAGE, (error, max_size)
    for message in MESSAGES:
        for size, flags, error in message:
            taken = 0 if error else size
            result = client.device_write(link, 10 * 1000, 0, flags, b"x" * size)
            assert result == (error, taken), (message, result)
    # A record beyond what any write needs closes the connection.
    try:
        client.device_write(link, 1000, 0, 0, b"x" * (4 * MAX_MESSAGE))
        raise AssertionError("a record of 64 KiB was taken")
    except (rpc.RPCError, OSError, EOFError):
        pass
    client.close()


def check_garbage(rm):
    with socket.create_connection(("127.0.0.1", core_port()), timeout=START_S) as sock:
        # One whole record of 16 bytes that no RPC call can be read from.
        sock.sendall(struct.pack(">I", 0x80000010) + os.urandom(16))
        while sock.recv(4096):
            pass
    check_query_and_read_back(rm)


def rpc_refusal(call):
    try:
        call()
    except rpc.RPCError as error:
        return str(error) or type(error).__name__
    raise AssertionError("a malformed call was answered")


# Call headers that are answered with a refusal: RPC version, program,
# program version, procedure, and what the refusal says.
REFUSED_HEADERS = [
    (3, vxi11.DEVICE_CORE_PROG, 1, vxi11.CREATE_LINK, "rpc_mismatch: (2, 2)"),
    (2, vxi11.DEVICE_INTR_PROG, 1, vxi11.CREATE_LINK, "program_unavailable"),
    (2, vxi11.DEVICE_CORE_PROG, 2, vxi11.CREATE_LINK, "program_mismatch: (1, 1)"),
    (2, vxi11.DEVICE_CORE_PROG, 1, 99, "procedure_unavailable"),
]


def check_malformed_calls(rm):
    client = vxi11.CoreClient("127.0.0.1")
    for xid, (rpc_version, program, version, procedure, refusal) in enumerate(REFUSED_HEADERS):
        # xid, CALL, the header's four numbers, and empty credentials and verifier.
        body = struct.pack(">10I", xid, 0, rpc_version, program, version, procedure, 0, 0, 0, 0)
        client.sock.sendall(struct.pack(">I", 0x80000000 | len(body)) + body)
        assert refusal in rpc_refusal(lambda: reply_of(client.sock, "unpack_device_error")), refusal
    # A write whose data is cut short: (link, io_timeout), and the client
    # reads its timeout from the second.
    cut_short = (1, 1000)
    assert rpc_refusal(lambda: client.make_call(
        vxi11.DEVICE_WRITE, cut_short, lambda args: client.packer.pack_int(args[0]), None)
    ) == "RPCGarbageArgs"
    client.close()
    check_query_and_read_back(rm)


def check_too_many_links(rm):
    # A connection holds 8 links at most and a host 16; another loopback
    # address is the same host, and gets none either.
    full = vxi11.ErrorCodes.out_of_resources
    clients = [CoreClient(source=host) for host in ("127.0.0.1",) * 3 + ("127.0.0.2",)]
    expected = [[0] * LINKS_PER_CLIENT + [full]] * 2 + [[full], [full]]
    for client, errors in zip(clients, expected):
        assert [client.create_link(1, 0, 0, SERIAL)[0] for _ in errors] == errors, errors
    for client in clients:
        client.close()


def check_unknown_device(rm):
    client = vxi11.CoreClient("127.0.0.1")
    assert client.create_link(1, 0, 0, "NO-SUCH-UNIT")[0] == vxi11.ErrorCodes.device_not_accessible
    client.close()


def check_docmd_not_supported(rm):
    client = vxi11.CoreClient("127.0.0.1")
    link = client.create_link(1, 0, 0, SERIAL)[1]
    # pyvisa-py reads the reply as the Device_DocmdResp it is: error, then data.
    assert client.device_docmd(link, 0, 1000, 0, 0x20000, False, 1, b"x") == (
        vxi11.ErrorCodes.operation_not_supported, b"")
    client.close()


def pipeline(link):
    """Calls and their results, each a switch setting and its read-back."""
    end = vxi11.OP_FLAG_END
    calls = []
    for position in ("1", "0"):
        for command, answer in (("SETA=" + position, b"OK\n"), ("GETA?", position.encode() + b"\n")):
            data = command.encode() + b"\n"
            calls.append((vxi11.DEVICE_WRITE, "pack_device_write_parms",
                          (link, 1000, 0, end, data), "unpack_device_write_resp", (0, len(data))))
            calls.append((vxi11.DEVICE_READ, "pack_device_read_parms", (link, 100, 1000, 0, 0, 0),
                          "unpack_device_read_resp", (0, vxi11.RX_END, answer)))
    return calls


def check_pipelined_calls(rm):
    # Every call is sent before any reply is read, the first a lock request
    # that waits for another link's lock: the replies come in order, each
    # with its call's xid and result.
    holder, client = vxi11.CoreClient("127.0.0.1"), vxi11.CoreClient("127.0.0.1")
    holder_link = holder.create_link(1, 0, 0, SERIAL)[1]
    link = client.create_link(1, 0, 0, SERIAL)[1]
    assert holder.device_lock(holder_link, 0, 0) == 0
    calls = ([(vxi11.DEVICE_LOCK, "pack_device_lock_parms",
               (link, vxi11.OP_FLAG_WAIT_BLOCK, 10 * WAIT_MS), "unpack_device_error", 0)] +
             pipeline(link) +
             [(vxi11.DEVICE_UNLOCK, "pack_device_link", link, "unpack_device_error", 0)])
    send_calls(client, calls, 100)
    assert holder.device_unlock(holder_link) == 0
    for i, (_, _, _, unpack, result) in enumerate(calls):
        assert reply_of(client.sock, unpack) == (100 + i, result), i
    holder.close()
    client.close()


def check_client_leaving_unread_replies(rm):
    # The client is gone before the first reply, which waits for a command
    # the unit never answers.
    client = vxi11.CoreClient("127.0.0.1")
    link = client.create_link(1, 0, 0, SERIAL)[1]
    send_calls(client, busy_calls(link) + pipeline(link)[:2])
    client.close()
    check_query_and_read_back(rm)


CHECKS = [
    check_query_and_read_back,
    check_termination_character,
    check_long_write_then_read,
    check_long_write_then_write,
    check_lock_blocks_other,
    check_lock_is_its_holders,
    check_waiting_lock,
    check_abort_ends_wait_for_unit,
    check_killed_holder_frees_unit,
    check_oversized_write,
    check_garbage,
    check_malformed_calls,
    check_too_many_links,
    check_unknown_device,
    check_docmd_not_supported,
    check_pipelined_calls,
    check_client_leaving_unread_replies,
]


def main(sim, lan):
    require_rpcbind()
    with simulated_units(sim, "KVT0402Q,sn=%s,faults=fail:%s" % (SERIAL, BUSY.decode().strip())) \
            as ports:
        with lan_server(lan, ports, SERIAL):
            rm = pyvisa.ResourceManager("@py")
            for check in CHECKS:
                check(rm)
                print("ok", check.__name__, flush=True)
            rm.close()


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
