"""kvt-lan announced through Avahi, in a network and mount namespace of its
own (loopback with multicast on, a private /run, rpcbind, system bus and
avahi-daemon), so that nothing of the host's is seen or touched: without a
bus, with a bus but no daemon yet (it says so once, serves VXI-11 on, and is
announced once the daemon starts), and under a name another already holds,
on this host or on another: a second namespace joined by a veth pair, with
its own bus and daemon."""
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

from lan_calls import vxi11
from lan_gateway_check import expected_identity
from lan_servers import START_S, lan_server, simulated_units, skip

SERIAL = "KVT2024001"
INSIDE = "LAN_MDNS_INSIDE"
TOOLS = ["unshare", "nsenter", "mount", "ip", "rpcbind", "rpcinfo", "dbus-daemon", "avahi-daemon",
         "avahi-browse", "avahi-publish"]
ABSENT = "no Avahi daemon runs"
BROWSE_S = 5
# Another host's records are probed and announced over a second or more.
OTHER_HOST_S = 30
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=%s</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    %s
  </policy>
</busconfig>
""" % ("%s", "\n    ".join('<allow %s_type="%s"/>' % (way, kind)
                          for way in ("send", "receive")
                          for kind in ("method_call", "method_return", "error", "signal")))
# avahi-daemon ignores loopback unless told to use it and nothing else.
AVAHI_CONFIG = """[server]
use-ipv4=yes
use-ipv6=no
allow-interfaces=%s
disallow-other-stacks=yes
enable-dbus=yes
[publish]
publish-hinfo=no
publish-workstation=no
"""


def until(what, check, seconds=START_S):
    """Polls check until it gives something true, within seconds."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = check()
        if found:
            return found
        time.sleep(0.1)
    raise AssertionError("%s: not within %d s" % (what, seconds))


def run(*args, seconds=START_S):
    return subprocess.run(args, capture_output=True, text=True, timeout=seconds)


def unescaped(text):
    return re.sub(r"\\(\d{3})", lambda m: chr(int(m.group(1))), text)


def browsed(kind):
    """{instance name: port} of what Avahi resolves of the service kind; None
    when a resolution takes too long (another host's records still settling)."""
    try:
        lines = run("avahi-browse", "-rpt", kind, seconds=BROWSE_S).stdout.splitlines()
    except subprocess.TimeoutExpired:
        return None
    return {unescaped(f[3]): int(f[8]) for f in (line.split(";") for line in lines)
            if f[0] == "=" and len(f) > 8}


def idn_of_inst0():
    client = vxi11.CoreClient("127.0.0.1")
    link = client.create_link(1, 0, 0, "inst0")[1]
    assert client.device_write(link, 1000, 0, vxi11.OP_FLAG_END, b"*IDN?\n") == (0, 6)
    answer = client.device_read(link, 100, 1000, 0, 0, 0)[2]
    client.close()
    return answer.decode()


def said_lines(server):
    """What kvt-lan said on standard error, once it has ended."""
    return server.stderr.read().decode().splitlines()


def wait_for_line(server, text):
    """Reads standard error until a line holds text, within START_S."""
    def line():
        if select.select([server.stderr], [], [], 0.1)[0]:
            return server.stderr.readline().decode()
        return ""
    return until("kvt-lan saying '%s'" % text, lambda: text in line() and True)


def start_bus(work, name="bus"):
    socket_path = os.path.join(work, name)
    config = os.path.join(work, name + ".conf")
    with open(config, "w") as f:
        f.write(BUS_CONFIG % socket_path)
    bus = subprocess.Popen(["dbus-daemon", "--config-file=" + config, "--nofork"],
                           stderr=subprocess.DEVNULL)
    until("the bus", lambda: os.path.exists(socket_path))
    return bus


def start_avahi(work):
    config = os.path.join(work, "avahi.conf")
    with open(config, "w") as f:
        f.write(AVAHI_CONFIG % "lo,va")
    avahi = subprocess.Popen(["avahi-daemon", "--no-drop-root", "--no-chroot", "--no-rlimits",
                              "-f", config], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    until("avahi-daemon", lambda: run("avahi-daemon", "--check").returncode == 0)
    return avahi


def other_host(work, started):
    """A second network namespace joined to this one by a veth pair (va here,
    10.9.0.1; vb there, 10.9.0.2), with a bus and an Avahi daemon of its own;
    returns the bus's address."""
    sleeper = subprocess.Popen(["unshare", "--net", "sleep", "600"])
    started.append(sleeper)
    there = "/proc/%d/ns/net" % sleeper.pid
    until("the other namespace", lambda: os.readlink(there) != os.readlink("/proc/self/ns/net"))
    for command in (["ip", "link", "add", "va", "type", "veth", "peer", "name", "vb"],
                    ["ip", "link", "set", "vb", "netns", str(sleeper.pid)],
                    ["ip", "addr", "add", "10.9.0.1/24", "dev", "va"],
                    ["ip", "link", "set", "va", "up", "multicast", "on"],
                    ["nsenter", "--net=" + there, "ip", "addr", "add", "10.9.0.2/24", "dev", "vb"],
                    ["nsenter", "--net=" + there, "ip", "link", "set", "vb", "up", "multicast",
                     "on"]):
        subprocess.run(command, check=True, timeout=START_S)
    started.append(start_bus(work, "other-bus"))
    config = os.path.join(work, "other-avahi.conf")
    with open(config, "w") as f:
        f.write((AVAHI_CONFIG % "vb").replace("[server]\n", "[server]\nhost-name=other\n"))
    bus = "unix:path=" + os.path.join(work, "other-bus")
    # A /run/avahi-daemon of its own, for its pid file.
    started.append(subprocess.Popen(
        ["nsenter", "--net=" + there, "unshare", "--mount", "sh", "-c",
         "mount -t tmpfs tmpfs /run/avahi-daemon && exec avahi-daemon --no-drop-root "
         "--no-chroot --no-rlimits -f " + config],
        env=dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=bus), stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL))
    return bus


def inside(sim, lan):
    for command in (["mount", "-t", "tmpfs", "tmpfs", "/run"], ["ip", "link", "set", "lo", "up"],
                    ["ip", "link", "set", "lo", "multicast", "on"]):
        subprocess.run(command, check=True, timeout=START_S)
    for folder in ("/run/avahi-daemon", "/run/rpcbind"):
        os.makedirs(folder)
    name = "kvt-lan on " + expected_identity(lan).split(",")[2]
    started = []
    work = tempfile.mkdtemp()
    os.environ["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=" + os.path.join(work, "bus")
    try:
        other_bus = other_host(work, started)
        started.append(subprocess.Popen(["rpcbind", "-f"]))
        until("rpcbind", lambda: run("rpcinfo", "-p", "127.0.0.1").returncode == 0)
        with simulated_units(sim, "KVT0402Q,sn=" + SERIAL) as ports:
            # No bus at all: said once, VXI-11 served on.
            with lan_server(lan, ports, SERIAL, stderr=subprocess.PIPE) as server:
                wait_for_line(server, ABSENT)
                assert idn_of_inst0().split(",")[1] == "kvt-lan"
            assert not [line for line in said_lines(server) if "mDNS" in line]
            print("ok without a bus", flush=True)
            # A bus, and the daemon only later: said once, announced once it runs.
            started.append(start_bus(work))
            with lan_server(lan, ports, SERIAL, stderr=subprocess.PIPE) as server:
                wait_for_line(server, ABSENT)
                assert idn_of_inst0().split(",")[1] == "kvt-lan"
                started.append(start_avahi(work))
                until("the announcement", lambda: browsed("_vxi-11._tcp") == {name: 111})
            assert not [line for line in said_lines(server) if "mDNS" in line]
            until("the announcement withdrawn", lambda: browsed("_vxi-11._tcp") == {})
            print("ok with the daemon started later", flush=True)
            # The name is held already: Avahi's alternative is taken.
            holder = subprocess.Popen(["avahi-publish", "-s", name, "_vxi-11._tcp", "4000"],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            started.append(holder)
            until("the other service", lambda: browsed("_vxi-11._tcp") == {name: 4000})
            with lan_server(lan, ports, SERIAL, stderr=subprocess.PIPE):
                until("the announcement under another name",
                      lambda: browsed("_vxi-11._tcp") == {name: 4000, name + " #2": 111})
                if shutil.which("lxi"):
                    found = run("lxi", "discover", "-m", "-t", "2").stdout
                    assert 'Found "%s #2" on address 127.0.0.1' % name in found, found
                    assert "vxi-11 service on port 111" in found, found
            print("ok under another name", flush=True)
            holder.terminate()
            holder.wait(START_S)
            until("the other service withdrawn", lambda: browsed("_vxi-11._tcp") == {})
            # The name is held on another host: found as the announcement is
            # probed or later, and replaced all the same.
            started.append(subprocess.Popen(
                ["avahi-publish", "--no-fail", "-s", name, "_vxi-11._tcp", "4000"],
                env=dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=other_bus),
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            until("the other host's service", lambda: browsed("_vxi-11._tcp") == {name: 4000},
                  OTHER_HOST_S)
            with lan_server(lan, ports, SERIAL, ("--listen", "10.9.0.1", "--allow", "10.9.0.0/24"),
                            stderr=subprocess.PIPE):
                until("the announcement under another name",
                      lambda: browsed("_vxi-11._tcp") == {name: 4000, name + " #2": 111},
                      OTHER_HOST_S)
            print("ok under a name another host holds", flush=True)
    finally:
        for process in reversed(started):
            process.terminate()
            process.wait(START_S)
        shutil.rmtree(work)


def main(sim, lan):
    if os.environ.get(INSIDE):
        inside(sim, lan)
        return
    if os.geteuid() != 0:
        skip("a namespace of its own needs root")
    missing = [tool for tool in TOOLS if not shutil.which(tool)]
    if missing:
        skip("missing " + " ".join(missing))
    env = dict(os.environ, **{INSIDE: "1"})
    result = subprocess.run(["unshare", "--net", "--mount", "--propagation", "private",
                             sys.executable, __file__, sim, lan], env=env, timeout=240)
    sys.exit(result.returncode)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
