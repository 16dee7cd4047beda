"""What the kvt-lan checks share: starting a program and reading its first
line, a kvt-sim unit, and kvt-lan serving it on loopback."""
import contextlib
import select
import subprocess
import sys

SKIP = 77
START_S = 10


def first_line(process):
    ready, _, _ = select.select([process.stdout], [], [], START_S)
    assert ready, "no line from %s in %d s" % (process.args[0], START_S)
    return process.stdout.readline().decode()


def start(args, env=None):
    return subprocess.Popen(args, stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, env=env)


def require_rpcbind():
    try:
        subprocess.run(["rpcinfo", "-p", "127.0.0.1"], check=True, capture_output=True)
    except (OSError, subprocess.CalledProcessError):
        print("SKIP: no rpcbind on 127.0.0.1")
        sys.exit(SKIP)


@contextlib.contextmanager
def simulated_unit(sim, serial):
    """Yields the port of a two-port unit with this serial number."""
    units = start([sim, "--units", "KVT0402Q,sn=" + serial])
    try:
        yield first_line(units).split()[2]
    finally:
        units.terminate()
        units.wait(START_S)


@contextlib.contextmanager
def lan_server(lan, port, serial, env=None):
    """kvt-lan serving the unit on port, once it has announced it; it must
    end cleanly when asked."""
    server = start([lan, "--port", port], env=env)
    try:
        assert first_line(server) == "%s TCPIP0::127.0.0.1::%s::INSTR\n" % (serial, serial)
        yield server
    finally:
        server.terminate()
        assert server.wait(START_S) == 0, "kvt-lan did not end cleanly"
