"""pyvisa, with its IVI backend on the stand-in's path and its default
terminations, lists the stand-in's resources, queries units, contends for a
unit's exclusive lock and gets a VISA error from every call the stand-in does
not support."""
import sys

SKIP = 77

try:
    import pyvisa
    from pyvisa.constants import AccessModes, BufferOperation, EventMechanism, EventType
    from pyvisa.constants import StatusCode
    from pyvisa.errors import VisaIOError
except ImportError:
    print("SKIP: python3-pyvisa is not installed (apt-get install python3-pyvisa)")
    sys.exit(SKIP)

UNIT = "USB0::0xA5C3::0x0E21::KVT2024001::INSTR"
SIX_PORT = "USB0::0xA5C3::0x0E21::KVT2024002::INSTR"
FOREIGN = "USB0::0x0957::0x1797::MY12345678::INSTR"
SHORT_MS = 100


def fails_with(status, call):
    try:
        call()
    except VisaIOError as error:
        assert error.error_code == status, (status.name, error)
        return
    raise AssertionError("succeeded instead of " + status.name)


def check_queries(rm):
    unit = rm.open_resource(UNIT)
    assert unit.write_termination == "\r\n", repr(unit.write_termination)
    assert unit.timeout == 2000, unit.timeout
    identity = unit.query("*IDN?").strip()
    assert identity.split(",")[1:3] == ["KVT0402Q", "KVT2024001"], identity
    assert unit.query("SETA=1") == "OK\n"
    assert unit.query("GETA?") == "1\n"
    six_port = rm.open_resource(SIX_PORT, read_termination="\n", write_termination="\n")
    assert six_port.query("SP6TA:STATE?") == "0"
    other = rm.open_resource(FOREIGN)
    assert other.query("*IDN?").startswith("Example Instruments,"), "foreign *IDN?"
    for resource in (unit, six_port, other):
        resource.close()
    return identity


def check_lock_contention(rm):
    holder = rm.open_resource(UNIT)
    other = rm.open_resource(UNIT)
    holder.lock_excl()
    assert holder.query("SN?") == "KVT2024001\n"
    fails_with(StatusCode.error_resource_locked, lambda: other.query("SN?"))
    fails_with(StatusCode.error_timeout, lambda: other.lock_excl(timeout=SHORT_MS))
    # Locks nest: the unit is free once each lock is released.
    holder.lock_excl()
    holder.unlock()
    fails_with(StatusCode.error_resource_locked, lambda: other.query("SN?"))
    holder.unlock()
    assert other.query("SN?") == "KVT2024001\n"
    fails_with(StatusCode.error_session_not_locked, holder.unlock)

    # A session opened with the lock holds it until it closes.
    opened_locked = rm.open_resource(UNIT, access_mode=AccessModes.exclusive_lock)
    fails_with(StatusCode.error_resource_locked, lambda: other.query("SN?"))
    fails_with(
        StatusCode.error_resource_locked,
        lambda: rm.open_resource(
            UNIT, access_mode=AccessModes.exclusive_lock, open_timeout=SHORT_MS
        ),
    )
    opened_locked.close()
    assert other.query("SN?") == "KVT2024001\n"
    holder.close()
    other.close()


def check_unsupported_calls(rm):
    unit = rm.open_resource(UNIT)
    calls = {
        "read_stb": unit.read_stb,
        "assert_trigger": unit.assert_trigger,
        "flush": lambda: unit.flush(BufferOperation.discard_read_buffer),
        "enable_event": lambda: unit.enable_event(
            EventType.service_request, EventMechanism.queue
        ),
        "wait_on_event": lambda: unit.wait_on_event(EventType.service_request, SHORT_MS),
        "shared lock": unit.lock,
    }
    for name, call in calls.items():
        try:
            fails_with(StatusCode.error_nonsupported_operation, call)
        except AssertionError as error:
            raise AssertionError(name) from error
    unit.close()


def main(library):
    rm = pyvisa.ResourceManager(library + "@ivi")
    assert str(rm.visalib.library_path) == library, rm.visalib.library_path
    # pyvisa binds each VISA function by name and quietly leaves out the missing ones.
    missing = rm.visalib.lib._functions_failed
    assert not missing, missing
    resources = rm.list_resources()
    assert resources == (UNIT, SIX_PORT, FOREIGN), resources
    identity = check_queries(rm)
    check_lock_contention(rm)
    check_unsupported_calls(rm)
    rm.close()
    print("pyvisa %s, backend ivi on %s: %s" % (pyvisa.__version__, library, identity))


if __name__ == "__main__":
    main(sys.argv[1])
