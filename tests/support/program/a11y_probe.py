#!/usr/bin/python3
"""Reads a program's window the way a screen reader does, over AT-SPI, and
works it by keyboard. Run inside dbus-run-session:

    a11y_probe.py TITLE PROGRAM [ARGS...]

Starts the program, finds its frame named TITLE and prints, one a line:
    skip <reason>             the accessibility bus cannot start (nothing else follows)
    node <role>|<name>|<states>   each object below the frame, depth first
    start <role>|<name>       the focus once the box's status is shown
    focus <role>|<name>       the focus after each Tab, until "On" has it
    lit <states>              "On" once lit, after Space
    focus <role>|<name>       the focus after each further Tab, round to "On"
    end <status>              the program's exit status after SIGTERM
"""

import signal
import subprocess
import sys
import time

from gi.repository import Gio, GLib


def bus_problem():
    """Why the accessibility bus cannot start, or None when it runs."""
    try:
        bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                      None, None, Gio.DBusCallFlags.NONE, 10000, None)
    except GLib.Error as error:
        return error.message
    return None


def wait_for(find, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = find()
        if found:
            return found
        time.sleep(0.1)
    return None


def main():
    title, argv = sys.argv[1], sys.argv[2:]
    problem = bus_problem()
    if problem:
        print("skip", problem, flush=True)
        return 0
    import pyatspi  # connects to the accessibility bus

    def describe(obj):
        return "%s|%s" % (obj.getRoleName(), obj.name)

    def states(obj):
        return ",".join(sorted(pyatspi.stateToString(s) for s in obj.getState().getStates()))

    def below(obj):
        for child in obj:
            if child is not None:
                yield child
                yield from below(child)

    def frame():
        for app in pyatspi.Registry.getDesktop(0):
            for window in app or []:
                if window is not None and window.name == title:
                    return window
        return None

    def focused(root):
        return next((o for o in below(root) if o.getState().contains(pyatspi.STATE_FOCUSED)), None)

    def press(keysym):
        pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)

    def tab(root, before):
        """Presses Tab; the newly focused object."""
        press(0xFF09)
        return wait_for(lambda: (lambda now: now if now is not None and now != before else None)(focused(root)), 5)

    program = subprocess.Popen(argv)
    try:
        root = wait_for(frame, 30)
        if root is None:
            print("no frame named", title, flush=True)
            return 1
        # States as they are now: the cache would follow them only through
        # events, which the program sends when someone listens.
        root.getApplication().setCacheMask(0)
        for obj in below(root):
            print("node %s|%s" % (describe(obj), states(obj)), flush=True)
        # Started once the box's status is in: "Off" lit.
        off = next(o for o in below(root) if o.name == "Off")
        wait_for(lambda: off.getState().contains(pyatspi.STATE_CHECKED), 30)
        # Without a window manager the X server gives the keys to the window
        # under the pointer: the pointer rests on the window, as a user's
        # would (another program may have left it anywhere).
        box = off.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        pyatspi.Registry.generateMouseEvent(box.x + box.width // 2, box.y + box.height // 2, pyatspi.MOUSE_ABS)
        now = wait_for(lambda: focused(root), 10)
        print("start", describe(now) if now else "none", flush=True)
        if now is not None:
            # The window takes the keyboard, as a window manager would give it.
            now.queryComponent().grabFocus()
        for _ in range(20):
            if now is not None and now.name == "On":
                break
            now = tab(root, now)
            print("focus", describe(now) if now else "none", flush=True)
        if now is None or now.name != "On":
            return 1
        on = now
        # Keys reach the window only once the X server gives it the focus:
        # one silent round of Tab back to "On" shows they do before Space.
        left = False
        for _ in range(40):
            now = tab(root, now) or now
            left = left or now.name != "On"
            if left and now.name == "On":
                break
        if now.name != "On":
            return 1
        press(0x20)  # space
        lit = wait_for(lambda: on.getState().contains(pyatspi.STATE_CHECKED), 20)
        print("lit", states(on) if lit else "never", flush=True)
        for _ in range(20):
            now = tab(root, now)
            print("focus", describe(now) if now else "none", flush=True)
            if now is not None and now.name == "On":
                break
        return 0
    finally:
        program.send_signal(signal.SIGTERM)
        try:
            print("end", program.wait(20), flush=True)
        except subprocess.TimeoutExpired:
            program.kill()
            print("end killed", flush=True)


if __name__ == "__main__":
    sys.exit(main())
