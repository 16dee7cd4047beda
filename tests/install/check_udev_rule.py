#!/usr/bin/env python3
"""Parses a udev rules file strictly and runs its rules against devices described
by their subsystem and USB identifiers, without a real device."""
import fnmatch
import re
import sys

MATCH_KEYS = {"ACTION", "KERNEL", "KERNELS", "SUBSYSTEM", "SUBSYSTEMS", "DRIVER", "DRIVERS",
              "ATTR", "ATTRS", "ENV", "TAG", "TAGS"}
ASSIGN_KEYS = {"TAG", "ENV", "MODE", "GROUP", "OWNER", "SYMLINK", "RUN", "OPTIONS"}
TOKEN = re.compile(r'(?P<key>[A-Z]+)(?:\{(?P<attr>[A-Za-z0-9_]+)\})?'
                   r'(?P<op>==|!=|\+=|-=|:=|=)"(?P<value>[^"]*)"$')

# (subsystem, idVendor, idProduct) -> tags the rules must give, and none else.
CASES = [
    (("tty", "a5c3", "0e21"), {"uaccess"}),
    (("usb", "a5c3", "0e21"), {"uaccess"}),
    (("usbmisc", "a5c3", "0e21"), {"uaccess"}),
    (("tty", "a5c3", "0e22"), set()),
    (("tty", "0403", "0e21"), set()),
    (("hidraw", "a5c3", "0e21"), set()),
    (("block", "a5c3", "0e21"), set()),
]


def parse(text):
    rules = []
    for number, line in enumerate(text.replace("\\\n", "").splitlines(), 1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        tokens = []
        for part in re.split(r',\s*(?=(?:[^"]*"[^"]*")*[^"]*$)', line):
            found = TOKEN.match(part.strip())
            if not found:
                sys.exit(f"line {number}: cannot read '{part}'")
            key, op = found["key"], found["op"]
            is_match = op in ("==", "!=")
            if key not in (MATCH_KEYS if is_match else ASSIGN_KEYS):
                sys.exit(f"line {number}: '{key}' takes no '{op}'")
            if (found["attr"] is None) == (key in ("ATTR", "ATTRS", "ENV", "RUN")):
                sys.exit(f"line {number}: '{key}' and its {{attribute}} do not fit")
            tokens.append((key, found["attr"], op, found["value"]))
        rules.append(tokens)
    return rules


def holds(token, device):
    key, attr, op, value = token
    if key == "SUBSYSTEM":
        actual = device["subsystem"]
    elif key == "ATTRS":
        actual = device["attrs"].get(attr)
    else:
        sys.exit(f"the check cannot evaluate '{key}'")
    matched = actual is not None and any(
        fnmatch.fnmatchcase(actual, alternative) for alternative in value.split("|"))
    return matched == (op == "==")


def tags_of(rules, device):
    tags = set()
    for tokens in rules:
        if all(holds(t, device) for t in tokens if t[2] in ("==", "!=")):
            tags |= {t[3] for t in tokens if t[0] == "TAG" and t[2] == "+="}
    return tags


def main():
    rules = parse(open(sys.argv[1], encoding="utf-8").read())
    failures = 0
    for (subsystem, vendor, product), expected in CASES:
        device = {"subsystem": subsystem, "attrs": {"idVendor": vendor, "idProduct": product}}
        got = tags_of(rules, device)
        if got != expected:
            print(f"{subsystem} {vendor}:{product}: tags {sorted(got)}, expected {sorted(expected)}")
            failures += 1
    print(f"{len(CASES) - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
