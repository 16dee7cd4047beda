"""pyvisa, given the stand-in's path, lists its resources and queries a unit."""
import sys

SKIP = 77

try:
    import pyvisa
except ImportError:
    print("SKIP: python3-pyvisa is not installed (apt-get install python3-pyvisa)")
    sys.exit(SKIP)

UNIT = "USB0::0xA5C3::0x0E21::KVT2024001::INSTR"
FOREIGN = "USB0::0x0957::0x1797::MY12345678::INSTR"


def main(library):
    rm = pyvisa.ResourceManager(library)
    resources = rm.list_resources()
    assert resources == (UNIT, "USB0::0xA5C3::0x0E21::KVT2024002::INSTR", FOREIGN), resources

    unit = rm.open_resource(UNIT)
    # The unit takes a command exactly as written and ends its answer with a line feed.
    unit.write_termination = ""
    unit.read_termination = "\n"
    assert unit.timeout == 2000, unit.timeout
    identity = unit.query("*IDN?")
    assert identity.split(",")[1:3] == ["KVT0402Q", "KVT2024001"], identity

    other = rm.open_resource(FOREIGN, read_termination="\n")
    assert other.query("*IDN?").startswith("Example Instruments,"), "foreign *IDN?"

    unit.close()
    other.close()
    rm.close()
    print("pyvisa " + pyvisa.__version__ + ": " + identity)


if __name__ == "__main__":
    main(sys.argv[1])
