#!/usr/bin/python3
# Prints what the accessibility tree shows of a process's windows: one line per object,
# "role<TAB>name<TAB>states", indented by depth. Used by the end-to-end tests to read the
# figures and controls exactly as a screen reader would.
#   read-window.py PID
import sys

import pyatspi


def dump(node, depth, out):
    try:
        states = node.getState().getStates()
        names = ",".join(sorted(pyatspi.stateToString(s) for s in states
                                if s in (pyatspi.STATE_FOCUSED, pyatspi.STATE_SHOWING,
                                         pyatspi.STATE_CHECKED, pyatspi.STATE_VISIBLE)))
        # Line breaks in a name (a wrapped label) are shown as \n, one object per line.
        name = (node.name or "").replace("\n", "\\n")
        out.append("%s%s\t%s\t%s" % ("  " * depth, node.getRoleName(), name, names))
        for child in node:
            if child is not None:
                dump(child, depth + 1, out)
    except Exception as error:  # a window closing while we read it
        out.append("%s(gone: %s)" % ("  " * depth, error))


def main():
    pid = int(sys.argv[1])
    out = []
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.get_process_id() == pid:
            dump(app, 0, out)
    print("\n".join(out))


main()
