"""Quillon's core (through kvtctl, the window's operations without widgets)
reaches a kvt-sim unit over the network: the VISA stand-in's TCPIP INSTR path
-> kvt-lan -> the unit's serial port. A click with its read-back, a console
query, reads that end at a termination character, and a firmware upgrade that
restarts the unit into its bootloader and back and must leave exactly the
image's application in it."""
import hashlib
import os
import subprocess
import sys
import tempfile

from lan_servers import lan_server, require_rpcbind, simulated_unit

SERIAL = "LAN7"
RESOURCE = "TCPIP0::127.0.0.1::%s::INSTR" % SERIAL
APPLICATION_SIZE = 20000


class Kvtctl:
    def __init__(self, path, standin_dir):
        self.path = path
        self.env = dict(os.environ, LD_LIBRARY_PATH=standin_dir)
        if os.environ.get("LAN_CLIENT_PRELOAD"):
            self.env["LD_PRELOAD"] = os.environ["LAN_CLIENT_PRELOAD"]

    def run(self, *words):
        done = subprocess.run(
            [self.path, "--resource", RESOURCE, "--unit", RESOURCE] + list(words),
            env=self.env, capture_output=True, timeout=120)
        assert done.returncode == 0, (words, done.stdout, done.stderr)
        return done.stdout.decode()


def check_click_and_console(kvtctl, image_tool, work):
    for position in ("2", "1"):
        # set reads every switch back and fails unless A holds the position.
        kvtctl.run("set", "A=" + position)
        assert "A=%s\n" % position in kvtctl.run("get"), position
    assert kvtctl.run("query", "*IDN?").split(",")[1:3] == ["KVT0402Q", SERIAL]


def check_upgrade_byte_exact(kvtctl, image_tool, work):
    application = os.urandom(APPLICATION_SIZE)
    app_path = os.path.join(work, "app.bin")
    image_path = os.path.join(work, "new.ADS")
    with open(app_path, "wb") as out:
        out.write(application)
    subprocess.run([image_tool, "make", image_path, "--id", "700", "product=KVT0402Q",
                    "app=" + app_path], check=True, capture_output=True)
    kvtctl.run("upgrade", image_path)
    # The restarted unit runs what it took: its version names the bytes' hash.
    expected = "app-" + hashlib.sha256(application).hexdigest()[:8]
    assert kvtctl.run("query", "SV?").strip() == expected, "the unit holds other bytes"


# pyvisa on the VISA stand-in reads the unit's identification over the
# network with a termination character set: each read ends at it, keeps it
# and says so in its status, up to the answer's end.
TERM_CHAR_READS = r"""
import sys
import pyvisa
from pyvisa import constants
rm = pyvisa.ResourceManager(sys.argv[1])
unit = rm.open_resource(sys.argv[2])
unit.write_raw(b"*IDN?\n")
rm.visalib.set_attribute(unit.session, constants.VI_ATTR_TERMCHAR, ord(","))
rm.visalib.set_attribute(unit.session, constants.VI_ATTR_TERMCHAR_EN, constants.VI_TRUE)
for _ in range(4):
    data, status = rm.visalib.read(unit.session, 100)
    print("%r %x" % (data, status))
"""
TERM_CHAR = 0x3FFF0005


def check_termination_character_read(kvtctl, image_tool, work):
    library = os.path.join(kvtctl.env["LD_LIBRARY_PATH"], "libvisa.so")
    done = subprocess.run([sys.executable, "-c", TERM_CHAR_READS, library, RESOURCE],
                          env=dict(kvtctl.env, ASAN_OPTIONS="detect_leaks=0"),
                          capture_output=True, timeout=60)
    assert done.returncode == 0, done.stderr
    expected = ["b'Norvane,' %x" % TERM_CHAR, "b'KVT0402Q,' %x" % TERM_CHAR,
                "b'%s,' %x" % (SERIAL, TERM_CHAR), "b'1.0.0\\n' 0"]
    assert done.stdout.decode().splitlines() == expected, done.stdout


CHECKS = [check_click_and_console, check_termination_character_read, check_upgrade_byte_exact]


def main(sim, lan, kvtctl_path, image_tool, standin_dir):
    require_rpcbind()
    env = {k: v for k, v in os.environ.items() if k != "LD_LIBRARY_PATH"}
    with simulated_unit(sim, SERIAL) as sim_port, lan_server(lan, sim_port, SERIAL, env=env):
        kvtctl = Kvtctl(kvtctl_path, standin_dir)
        with tempfile.TemporaryDirectory() as work:
            for check in CHECKS:
                check(kvtctl, image_tool, work)
                print("ok", check.__name__, flush=True)


if __name__ == "__main__":
    main(*sys.argv[1:6])
