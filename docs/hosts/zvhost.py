#!/usr/bin/env python3
"""A host for the POSIX driver, standard library only.

    zvhost.py DRIVER DIR KEY=VALUE...

Writes the keys into "zordrive.INI" in DIR (the driver reads its files from its current
directory), deletes the status keys of an earlier run, starts DRIVER with DIR as its
working directory, shows "NowTransferingNo" while it runs, waits for it and takes the
result from "ComStatus". Exit status: the result code; 70 when the driver ended without
one; 69 when it cannot be started.
"""
import os
import subprocess
import sys
import time

SECTION = "Zorvek PC interface driver"

MEANINGS = {
    0: "the unit answered the version query (connection test)",
    1: "every record was sent and the unit accepted each one",
    2: "the unit did not acknowledge a request, or refused a record it was sent",
    3: "every requested record was fetched",
    4: "fetch: the exchange failed or the unit refused; other jobs: no valid reply",
    5: "the serial port cannot be opened (missing, or held by another program)",
    6: "the unit answered the central record with status byte 8",
    7: "a record of ToZv.dat carries module number 0 or above 200; those before it were sent",
    8: "ToZv.dat cannot be opened",
    9: "ToZv.dat ended before a whole record; those before it were sent",
    10: "fromZv.dat cannot be written",
    11: "the unit answered the central record with status byte 0xFA",
}


def write_settings(path, keys):
    # Plain ASCII, no byte order mark; the driver takes CR LF or LF.
    lines = ["[" + SECTION + "]"] + keys
    with open(path, "w", encoding="ascii", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def read_status(path):
    """The keys of the driver's section; {} while the file is missing or half written."""
    keys, inside = {}, False
    try:
        with open(path, encoding="ascii", errors="replace") as f:
            for line in f:
                line = line.strip()
                if line.startswith("["):
                    inside = line[1:-1].strip().lower() == SECTION.lower()
                elif inside and "=" in line:
                    name, value = line.split("=", 1)
                    keys[name.strip().lower()] = value.strip()
    except FileNotFoundError:
        pass
    return keys


def expected_code(keys):
    """The code that means success for the job these keys select (the driver's defaults)."""
    values = dict(k.split("=", 1) for k in keys)
    number = lambda name: int(values.get(name, "1") or 0)
    if "TestMiniZvConnection" not in values or number("TestMiniZvConnection") != 0:
        return 0
    return 3 if number("GetData") != 0 else 1


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 64
    driver, work, keys = argv[1], argv[2], argv[3:]
    settings = os.path.join(work, "zordrive.INI")
    status = os.path.join(work, "zordOUT.INI")
    write_settings(settings, keys)
    # The status file keeps an earlier run's keys until this run writes them again.
    try:
        os.remove(status)
    except FileNotFoundError:
        pass

    try:
        proc = subprocess.Popen([os.path.abspath(driver)], cwd=work)
    except OSError as e:
        print("cannot start %s: %s" % (driver, e), file=sys.stderr)
        return 69
    shown = None
    while proc.poll() is None:
        now = read_status(status).get("nowtransferingno")
        if now and now != shown:
            print("pass: %s" % now, flush=True)
            shown = now
        time.sleep(0.2)

    # The exit status of a killed driver is no result: only "ComStatus" is.
    code = read_status(status).get("comstatus")
    if code is None or not code.isdigit():
        print("no result: the driver ended (exit status %d) without writing ComStatus"
              % proc.returncode)
        return 70
    code = int(code)
    verdict = "done" if code == expected_code(keys) else "failed"
    print("result %d (%s): %s" % (code, verdict, MEANINGS.get(code, "unknown code")))
    return code


if __name__ == "__main__":
    sys.exit(main(sys.argv))
