#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The game through the accessibility bus alone, as a screen reader sees it: a
spin by Bet Max's action, read back (the bonus by its pumpkins); with --play
until it has seen a win and taken a nudge. Exit 0 passed, 1 failed, 77 no bus."""
import re
import sys
import time

try:
    import pyatspi
    from gi.repository import Gio
    # libatspi ends the process when it finds no bus, so ask for it first.
    Gio.bus_get_sync(Gio.BusType.SESSION).call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                                    "GetAddress", None, None, 0, 5000, None)
except Exception as e:
    print("no accessibility bus to read:", e)
    sys.exit(77)

LINE = re.compile(r"^[A-Z][\w' -]*, [A-Z][\w' -]*, [A-Z][\w' -]*: "
                  r"(you win (\d+)|no win|Trick or Treat)( and a nudge)?$")


def fail(why):
    print("FAILED:", why)
    sys.exit(1)


def wait(what, test, seconds=30):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = test()
        if found:
            return found
        time.sleep(0.1)
    fail("timed out waiting for " + what)


def parts(root):
    found, todo = {}, [root]
    while todo:
        node = todo.pop()
        found.setdefault(node.name, node)
        if node.description == "Reels":
            found["Reels"] = node
        todo.extend(child for child in node if child is not None)
    return found


def app():
    desktop = pyatspi.Registry.getDesktop(0)
    return next((a for a in desktop if a is not None and a.name == "Morrowmas Slots"), None)


def enabled(node):
    return node.getState().contains(pyatspi.STATE_ENABLED)


def press(node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if "Press" not in names:
        fail(f"{node.name} has no Press action, only {names}")
    action.doAction(names.index("Press"))


def value(node):
    return int(node.queryValue().currentValue)


def play_one(game, button):
    """Presses `button` and reads the line and the credits once play waits again."""
    field = parts(game)
    credits = value(field["Credits"])
    press(field[button])
    wait(button + " to start", lambda: not enabled(field["Bet Max"]), 10)

    def settled():
        if "Trick or Treat" in field["Reels"].name:
            pick = parts(game).get("Pumpkin 1")
            if pick is not None and enabled(pick):
                press(pick)
                print("bonus prize:", wait("the prize to be read", lambda: pick.parent.description))
        return enabled(field["Bet Max"])

    wait("play to wait again after " + button, settled)
    line, after = field["Reels"].name, value(field["Credits"])
    print(f"{button}: {line!r}, credits {credits} -> {after}")
    return line, credits, after


def main():
    game = wait("the game named Morrowmas Slots on the bus", app)
    field = parts(game)
    wanted = ["Spin", "Bet One", "Bet Max", "Nudge reel 1", "Nudge reel 2", "Nudge reel 3",
              "Credits", "Coins", "Nudges", "Reels"]
    missing = [name for name in wanted if name not in field]
    if missing:
        fail(f"not found by name: {missing}; the tree has {sorted(n for n in field if n)}")
    if not all(enabled(field[n]) for n in ("Spin", "Bet One", "Bet Max")):
        fail("a bet or spin button is unavailable before the first spin")
    if enabled(field["Nudge reel 2"]):
        fail("a nudge is offered before any spin")
    line, credits, after = play_one(game, "Bet Max")
    match = LINE.match(line)
    if not match:
        fail(f"the reels' line reads {line!r}")
    if match.group(1) != "Trick or Treat" and after != credits - 3 + int(match.group(2) or 0):
        fail(f"credits read {after} after {line!r} from {credits}")
    won, nudged = bool(match.group(2)), False
    while "--play" in sys.argv and not (won and nudged):
        nudge = next((n for n in ("Nudge reel 1", "Nudge reel 2", "Nudge reel 3")
                      if enabled(parts(game)[n])), None)
        line, _, _ = play_one(game, nudge or "Bet Max")
        nudged = nudged or nudge is not None
        won = won or "you win" in line
    print("passed")


main()
