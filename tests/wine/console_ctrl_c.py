#!/usr/bin/env python3
"""Runs a Wine program with a pseudo-terminal as its console, as a technician's console window
is, and presses Ctrl-C there once TEXT has appeared in its standard error: Wine's console
then sends CTRL_C_EVENT to every process of the console, as Windows does. Standard output and
standard error go into files; the program's exit status is this script's.

    console_ctrl_c.py OUT ERR TEXT -- PROGRAM ARGUMENTS...
"""
import os
import pty
import select
import sys
import time

LIMIT_SECONDS = 80


def read_file(path):
    try:
        with open(path, "rb") as text:
            return text.read()
    except FileNotFoundError:
        return b""


def main():
    out, err, text = sys.argv[1:4]
    command = sys.argv[5:]
    pid, master = pty.fork()
    if pid == 0:
        # Standard input stays the terminal: Wine's console reads Ctrl-C from it.
        os.dup2(os.open(out, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644), 1)
        os.dup2(os.open(err, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644), 2)
        os.execvp(command[0], command)
    pressed = False
    start = time.monotonic()
    while True:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            break
        if time.monotonic() - start > LIMIT_SECONDS:
            os.kill(pid, 9)
            print("console_ctrl_c.py: the program did not end; killed")
            return 124
        if not pressed and text.encode() in read_file(err):
            os.write(master, b"\x03")
            pressed = True
            print("console_ctrl_c.py: Ctrl-C pressed at %.1f s" % (time.monotonic() - start))
        # What Wine's console draws on the terminal is read and dropped.
        ready, _, _ = select.select([master], [], [], 0.1)
        if ready:
            try:
                os.read(master, 65536)
            except OSError:
                pass
    if not pressed:
        print("console_ctrl_c.py: '%s' never appeared; no Ctrl-C was pressed" % text)
    return os.WEXITSTATUS(status) if os.WIFEXITED(status) else 128 + os.WTERMSIG(status)


if __name__ == "__main__":
    sys.exit(main())
