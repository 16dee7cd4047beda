"""What the kvt-lan checks share: starting a program and reading its first
lines, kvt-sim units, and kvt-lan serving them on loopback."""
import contextlib
import os
import select
import socket
import subprocess
import sys

SKIP = 77
START_S = 10


def skip(reason):
    """Ends a check that lacks what it needs: skipped, except where
    QUILLON_NO_SKIP is set (as CI sets it), where it fails."""
    if os.environ.get("QUILLON_NO_SKIP"):
        print("FAIL: %s, and QUILLON_NO_SKIP is set" % reason)
        sys.exit(1)
    print("SKIP: " + reason)
    sys.exit(SKIP)


def first_line(process):
    ready, _, _ = select.select([process.stdout], [], [], START_S)
    assert ready, "no line from %s in %d s" % (process.args[0], START_S)
    return process.stdout.readline().decode()


def start(args, env=None, stderr=None):
    # Unbuffered, so a line read leaves the next one for select to see.
    return subprocess.Popen(args, stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, env=env,
                            stderr=stderr, bufsize=0)


def free_port():
    with socket.socket() as sock:
        sock.bind(("127.0.0.1", 0))
        return sock.getsockname()[1]


def token_file(directory, token):
    """A token file as kvt-lan takes it, its owner's alone; the history goes
    to the same folder, not the user's own."""
    os.environ["XDG_STATE_HOME"] = directory
    path = os.path.join(directory, "token")
    with open(path, "w") as out:
        out.write(token + "\n")
    os.chmod(path, 0o600)
    return path


def require_rpcbind():
    try:
        subprocess.run(["rpcinfo", "-p", "127.0.0.1"], check=True, capture_output=True)
    except (OSError, subprocess.CalledProcessError):
        skip("no rpcbind on 127.0.0.1")


@contextlib.contextmanager
def simulated_units(sim, *units):
    """Yields the ports of kvt-sim units given in its --units form, e.g.
    "KVT0402Q,sn=X"."""
    process = start([sim, "--units", ";".join(units)])
    try:
        yield [first_line(process).split()[2] for _ in units]
    finally:
        process.terminate()
        process.wait(START_S)


@contextlib.contextmanager
def simulated_unit(sim, serial):
    """Yields the port of a two-port unit with this serial number."""
    with simulated_units(sim, "KVT0402Q,sn=" + serial) as ports:
        yield ports[0]


@contextlib.contextmanager
def lan_server(lan, ports, serials, options=(), env=None, stderr=None):
    """kvt-lan serving the units on ports, once it has announced them (by
    the names they are served under, in order); it must end cleanly when
    asked."""
    ports = [ports] if isinstance(ports, str) else ports
    serials = [serials] if isinstance(serials, str) else serials
    args = [lan] + [word for port in ports for word in ("--port", port)] + list(options)
    server = start(args, env=env, stderr=stderr)
    try:
        address = dict(zip(options[::2], options[1::2])).get("--listen", "127.0.0.1")
        for serial in sorted(serials):
            assert first_line(server) == "%s TCPIP0::%s::%s::INSTR\n" % (serial, address, serial)
        yield server
    finally:
        server.terminate()
        assert server.wait(START_S) == 0, "kvt-lan did not end cleanly"
