#!/usr/bin/env python3
"""Prints the accessible tree of one application on the AT-SPI bus, one
"role|name|description" line per node (the tree's shape left out)."""
import sys

import pyatspi


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    try:
        print("%s|%s|%s" % (node.getRoleName(), node.name, node.description))
        children = list(node)
    except Exception:  # a node that went away while it was read
        return
    for child in children:
        walk(child, depth + 1)


def main():
    wanted = sys.argv[1]
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == wanted:
            walk(app)


if __name__ == "__main__":
    main()
