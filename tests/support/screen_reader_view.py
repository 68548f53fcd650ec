#!/usr/bin/python3
"""Dovrik as a screen reader meets it on the accessibility bus (AT-SPI).

  screen_reader_view.py tree SECONDS [WINDOW]
      waits up to SECONDS for a window named WINDOW ("Dovrik" unless given)
      and prints each of its accessible objects on one line:
      role <TAB> name <TAB> value <TAB> description <TAB> states
  screen_reader_view.py listen SECONDS [WINDOW]
      prints "listening", then one line for each text insertion and each
      description change the program announces:
      event <TAB> source name <TAB> text
      and ends after SECONDS, once a whole group (five characters and a
      space) has been inserted into the output box, or once the lessons'
      Result view has announced a score.

Every wait is bounded; the exit status is 1 when no Dovrik window is found.
Run with Debian's python3 and python3-pyatspi, on the bus the test started.
"""
import sys
import time

import pyatspi
from gi.repository import GLib


def find_window(seconds, title="Dovrik"):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            application = desktop.getChildAtIndex(index)
            if application is None:
                continue
            for window_index in range(application.childCount):
                window = application.getChildAtIndex(window_index)
                if window is not None and window.name == title:
                    return window
        time.sleep(0.2)
    return None


def clean(text):
    return (text or "").replace("\t", " ").replace("\n", "\\n")


def describe(node):
    value = ""
    try:
        value = "%g" % node.queryValue().currentValue
    except NotImplementedError:
        pass
    states = node.getState()
    names = []
    for state, name in ((pyatspi.STATE_CHECKED, "checked"), (pyatspi.STATE_CHECKABLE, "checkable"),
                        (pyatspi.STATE_ENABLED, "enabled"), (pyatspi.STATE_FOCUSABLE, "focusable"),
                        (pyatspi.STATE_FOCUSED, "focused"),
                        (pyatspi.STATE_EDITABLE, "editable"), (pyatspi.STATE_READ_ONLY, "read-only")):
        if states.contains(state):
            names.append(name)
    return "\t".join((node.getRoleName(), clean(node.name), value, clean(node.description),
                      ",".join(names)))


def walk(node, depth=0):
    if node is None or depth > 20:
        return
    print(describe(node))
    for index in range(node.childCount):
        walk(node.getChildAtIndex(index), depth + 1)


def listen(seconds):
    inserted = []

    def on_event(event):
        source = clean(event.source.name) if event.source is not None else ""
        if event.type.startswith("object:text-changed:insert"):
            print("insert\t%s\t%s" % (source, clean(str(event.any_data))), flush=True)
            if source == "Output":
                inserted.append(str(event.any_data))
                if len("".join(inserted)) >= 6:
                    pyatspi.Registry.stop()
        else:
            description = clean(event.source.description)
            print("description\t%s\t%s" % (source, description), flush=True)
            if source == "Result" and description.startswith("Score"):
                pyatspi.Registry.stop()

    pyatspi.Registry.registerEventListener(on_event, "object:text-changed:insert",
                                           "object:property-change:accessible-description")
    GLib.timeout_add(int(seconds * 1000), pyatspi.Registry.stop)
    print("listening", flush=True)
    pyatspi.Registry.start()


def main():
    mode, seconds = sys.argv[1], float(sys.argv[2])
    title = sys.argv[3] if len(sys.argv) > 3 else "Dovrik"
    window = find_window(seconds, title)
    if window is None:
        print("no %s window on the accessibility bus" % title, file=sys.stderr)
        return 1
    if mode == "tree":
        walk(window)
    else:
        listen(seconds)
    return 0


if __name__ == "__main__":
    sys.exit(main())
