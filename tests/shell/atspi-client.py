#!/usr/bin/python3
"""What a screen reader sees of Talvora, through the accessibility bus (AT-SPI).

    atspi-client.py dump            the window's elements, one a line: role, name, states
    atspi-client.py press NAME      does the press action of the element named NAME (or
                                    whose name begins with "NAME,": a row by its title)
    atspi-client.py focused         the element holding the keyboard focus
    atspi-client.py hidden          elements in the tree that are not shown (none expected)

Exits 1 when the application, or the element to press, is not found.
"""
import sys

import pyatspi


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "Talvora":
            return app
    return None


def walk(node, depth=0):
    yield node, depth
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def describe(node):
    states = node.getState()
    marks = [name for state, name in ((pyatspi.STATE_FOCUSED, "focused"),
                                      (pyatspi.STATE_CHECKED, "checked"))
             if states.contains(state)]
    text = "%s: %s" % (node.getRoleName(), node.name)
    if node.description:
        text += " (%s)" % node.description
    if marks:
        text += " [%s]" % ", ".join(marks)
    return text


def main(argv):
    app = application()
    if app is None:
        print("no application named Talvora on the accessibility bus", file=sys.stderr)
        return 1
    command = argv[1] if len(argv) > 1 else "dump"
    if command == "dump":
        for node, depth in walk(app):
            if node.name or node.getRoleName() in ("push button", "toggle button", "slider"):
                print("  " * depth + describe(node))
        return 0
    if command == "hidden":
        for node, depth in walk(app):
            states = node.getState()
            if node is not app and not (states.contains(pyatspi.STATE_VISIBLE) and
                                        states.contains(pyatspi.STATE_SHOWING)):
                print(describe(node))
        return 0
    if command == "focused":
        for node, _ in walk(app):
            if node.getState().contains(pyatspi.STATE_FOCUSED):
                print(describe(node))
                return 0
        return 1
    if command == "press":
        for node, _ in walk(app):
            if node.name == argv[2] or node.name.startswith(argv[2] + ","):
                action = node.queryAction()
                for i in range(action.nActions):
                    if action.getName(i) in ("press", "Press"):
                        action.doAction(i)
                        return 0
                print("%s has no press action" % argv[2], file=sys.stderr)
                return 1
        print("nothing named %s" % argv[2], file=sys.stderr)
        return 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
