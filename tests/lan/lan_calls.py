"""VXI-11 calls through pyvisa-py's RPC code: its core channel client from a
loopback address of the caller's choice, and calls written by hand, record by
record."""
import socket
import struct

from lan_servers import START_S, skip

try:
    from pyvisa_py.protocols import rpc, vxi11
except ImportError:
    skip("python3-pyvisa-py is not installed")

# A command that a unit configured with "faults=fail:BUSY?" never answers:
# the read that follows it waits.
BUSY = b"BUSY?\n"


def core_port(host="127.0.0.1"):
    portmapper = rpc.TCPPortMapperClient(host)
    port = portmapper.get_port(
        (vxi11.DEVICE_CORE_PROG, vxi11.DEVICE_CORE_VERS, rpc.IPPROTO_TCP, 0))
    portmapper.close()
    return port


class CoreClient(vxi11.CoreClient):
    """pyvisa-py's core channel client, connecting from a loopback address of
    the caller's choice, so one machine can be several hosts."""

    def __init__(self, host="127.0.0.1", source="127.0.0.1"):
        self.source = source
        super().__init__(host)

    def connect(self, timeout=5.0):
        self.sock = socket.create_connection((self.host, self.port), timeout,
                                             source_address=(self.source, 0))
        self.sock.settimeout(None)


def call_record(xid, procedure, pack=None, args=None, program=vxi11.DEVICE_CORE_PROG):
    """One RPC call as its record on the wire; pack names the packer's method
    for the arguments."""
    packer = vxi11.Vxi11Packer()
    null = (rpc.AuthorizationFlavor.null, b"")
    packer.pack_callheader(xid, program, 1, procedure, null, null)
    if pack:
        getattr(packer, pack)(args)
    body = packer.get_buf()
    return struct.pack(">I", 0x80000000 | len(body)) + body


def reply_of(sock, unpack):
    """The next reply on sock: its xid and its result, read with the
    unpacker's method named unpack."""
    unpacker = vxi11.Vxi11Unpacker(rpc._recvrecord(sock, START_S))
    xid, _ = unpacker.unpack_replyheader()
    return xid, getattr(unpacker, unpack)()


def send_calls(client, calls, first_xid=1):
    """Sends the calls, each (procedure, packer, arguments, unpacker, result),
    without reading a reply; their xids count up from first_xid."""
    client.sock.sendall(b"".join(call_record(first_xid + i, procedure, pack, args)
                                 for i, (procedure, pack, args, _, _) in enumerate(calls)))


def busy_calls(link):
    """A write of BUSY and the read that waits for its answer."""
    return [(vxi11.DEVICE_WRITE, "pack_device_write_parms",
             (link, 1000, 0, vxi11.OP_FLAG_END, BUSY), "unpack_device_write_resp", (0, len(BUSY))),
            (vxi11.DEVICE_READ, "pack_device_read_parms", (link, 100, 1000, 0, 0, 0),
             "unpack_device_read_resp", (vxi11.ErrorCodes.io_timeout, 0, b""))]
