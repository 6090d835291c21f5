#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The board read as a screen reader reads it, over the AT-SPI bus: its twelve pits (named with
# their number as their owner counts them, their owner and their seeds), the scores, whose turn
# it is and the last move. A move is played from the keyboard (xdotool), another with the pit's
# press action, and after each the tree must show what the rules give: ekobarama-engine, the
# program's own rules, plays the same move from the position read before it. The events a screen
# reader waits for are heard too: the focus moving with the ring, and the last move's line
# changing its name when the move has ended.
#
# With an argument it reads one more thing: "hint", the hint's line after H, present in the tree
# and telling its new name; "panel", the preferences' fields (the panel open) named, or labelled,
# by their player and what they hold; "final", a game that ends on the person's move (player 1's pit 6,
# after the computer's move): the final move's line told before the end's notices.
import os
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

PIT = re.compile(r"^Case ([1-6]) de (.+) : (\d+) graines?$")
SCORE = re.compile(r"^Score de (.+) : (\d+)$")
TURN = re.compile(r"^Au tour de (.+)$")
ENGINE = os.environ["ENGINE"]


# The events heard: (kind, name of the object).
EVENTS = []


def hear(event):
    EVENTS.append((event.type, event.source.name if event.source else ""))


def hear_events(*kinds):
    """Listens for events of these kinds. The program learns from the registry which kinds are
    listened for, but may ask for the list just before the last kind reaches it, and would then
    never send that kind: one more listener, registered after them, makes it ask again once
    they are all in."""
    pyatspi.Registry.registerEventListener(hear, *kinds)
    pyatspi.Registry.registerEventListener(lambda event: None, "object:text-caret-moved")


def listen(seconds):
    """Lets the events come for a while."""
    loop = GLib.MainLoop()
    GLib.timeout_add(int(seconds * 1000), loop.quit)
    loop.run()


def heard(kind, start):
    return any(k.startswith(kind) and name.startswith(start) for k, name in EVENTS)


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def find_board(limit=30):
    """The board of the program's window: the node named "Plateau" with its parts."""
    end = time.time() + limit
    while time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            board = app and pyatspi.findDescendant(
                app, lambda n: n is not None and n.name == "Plateau" and n.childCount >= 16)
            if board:
                return board
        time.sleep(0.5)
    fail("no board named \"Plateau\" in the accessibility tree")


def read(board):
    """What the tree says, checked for shape: twelve pits, two scores, a turn, the last move."""
    names = [board.getChildAtIndex(i).name for i in range(board.childCount)]
    scores = [SCORE.match(n) for n in names[12:14]]
    if not all(scores):
        fail("no scores in %r" % names[12:14])
    players = [s.group(1) for s in scores]
    seeds, focused, enabled = {}, [], []
    for i in range(12):
        pit = board.getChildAtIndex(i)
        m = PIT.match(pit.name)
        if not m:
            fail("child %d is not a pit: %r" % (i, pit.name))
        if m.group(2) not in players:
            fail("pit %r of nobody playing" % pit.name)
        if pit.getRole() != pyatspi.ROLE_PUSH_BUTTON:
            fail("pit %r is a %s, not a button" % (pit.name, pit.getRoleName()))
        seeds_n = int(m.group(3))
        if pit.name.endswith("graines") != (seeds_n > 1):
            fail("the count of %r is not in good French" % pit.name)
        # Pit index as the game numbers it: player 1's pits 1 to 6, player 2's 7 to 12.
        index = players.index(m.group(2)) * 6 + int(m.group(1))
        if index in seeds:
            fail("pit %r twice" % pit.name)
        seeds[index] = seeds_n
        states = pit.getState()
        if states.contains(pyatspi.STATE_FOCUSED):
            focused.append(index)
        if states.contains(pyatspi.STATE_ENABLED):
            enabled.append(index)
    turn = TURN.match(names[14])
    if not turn or turn.group(1) not in players:
        fail("no turn in %r" % names[14])
    board_state = {
        "pits": [seeds[i] for i in range(1, 13)],
        "tomove": players.index(turn.group(1)) + 1,
        "score": [int(s.group(2)) for s in scores],
        "players": players,
        "focused": focused,
        "enabled": sorted(enabled),
        "last": names[15],
        "names": names,
    }
    return board_state


def seeds_held(state):
    """The seeds the tree tells of, in the pits and the scores: 48 but during a move, whose seeds
    in the hand are in neither."""
    return sum(state["pits"]) + sum(state["score"])


def show(title, state):
    print("== " + title)
    for name in state["names"]:
        print("   " + name)
    print("   focused: %s, playable: %s" % (state["focused"], state["enabled"]))


def after_move(state, pit):
    """The position the rules give after pit is played, from ekobarama-engine."""
    command = "position pits %s tomove %d score %d %d moves %d\nshow\nquit\n" % (
        " ".join(map(str, state["pits"])), state["tomove"], state["score"][0],
        state["score"][1], pit)
    out = subprocess.run([ENGINE], input=command, capture_output=True, text=True,
                         timeout=20).stdout
    line = next((l for l in out.splitlines() if l.startswith("position pits ")), None)
    if not line:
        fail("the engine said %r" % out)
    words = line.split()[1:]
    return {"pits": list(map(int, words[1:13])), "tomove": int(words[14]),
            "score": [int(words[16]), int(words[17])]}


def wait_for(board, what, test, limit=30):
    """The tree once it shows what the test asks, with no move under way (its 48 seeds told)."""
    end = time.time() + limit
    while time.time() < end:
        state = read(board)
        if test(state) and seeds_held(state) == 48:
            return state
        listen(0.2)
    if test(state):
        fail("the tree holds %d seeds, not 48: %r" % (seeds_held(state), state["names"]))
    fail("the tree never showed " + what)


def check_move(board, before, pit, play, what):
    expected = after_move(before, pit)
    play()
    after = wait_for(board, "the end of " + what,
                     lambda s: s["last"] != before["last"] and s["tomove"] != before["tomove"])
    show("after " + what, after)
    for key in ("pits", "tomove", "score"):
        if after[key] != expected[key]:
            fail("after %s the tree says %s %s, the rules %s" % (what, key, after[key],
                                                                 expected[key]))
    mover = before["players"][before["tomove"] - 1]
    if not after["last"].startswith("%s a joué sa case %d et pris " % (mover, (pit - 1) % 6 + 1)):
        fail("the last move reads %r" % after["last"])
    return after


def main():
    hear_events("focus:", "object:property-change:accessible-name")
    board = find_board()
    before = wait_for(board, "player 1's turn with the ring on his pit 1",
                      lambda s: s["tomove"] == 1 and s["focused"] == [1])
    show("new game", before)
    if before["enabled"] != [1, 2, 3, 4, 5, 6]:
        fail("player 1 may play %s" % before["enabled"])
    # The focus follows the keyboard's ring, and says so.
    EVENTS.clear()
    subprocess.run(["xdotool", "key", "Right"], check=True)
    before = wait_for(board, "the focus on pit 2 after Right", lambda s: s["focused"] == [2], 5)
    listen(0.5)
    if not heard("focus:", "Case 2 de %s : " % before["players"][0]):
        fail("no focus event for pit 2 after Right: %s" % EVENTS)
    # Player 1's third pit, by its figure key.
    EVENTS.clear()
    after = check_move(board, before, 3, lambda: subprocess.run(["xdotool", "key", "3"],
                                                                check=True), "key 3")
    listen(0.5)
    if not heard("object:property-change:accessible-name", after["last"]):
        fail("the last move's line did not tell its new name: %s" % EVENTS)
    if not heard("focus:", "Case 1 de %s : " % after["players"][1]):
        fail("no focus event for player 2's first pit after the move: %s" % EVENTS)
    if after["focused"] != [7] or any(p <= 6 for p in after["enabled"]):
        fail("on player 2's turn the focus is on %s and %s may be played" % (after["focused"],
                                                                                after["enabled"]))
    # Player 2's last playable pit, pressed as a screen reader presses a button.
    pit = after["enabled"][-1]
    button = board.getChildAtIndex(pit - 1)
    action = button.queryAction()
    if action.nActions != 1:
        fail("pit %d has %d actions, not one to press it" % (pit, action.nActions))
    check_move(board, after, pit, lambda: action.doAction(0), "pressing " + button.name)
    print("PASS: twelve pits, scores and turn read; two moves agree with the rules")


HINT = re.compile(r"^(Coup conseillé : la case marquée|Avec le meilleur jeu : .+|"
                  r"Pas de conseil cette fois .+)$")


def hint():
    """H: the line after the board's last move names the hint and tells its name; Escape
    takes it away."""
    hear_events("object:property-change:accessible-name")
    board = find_board()
    if board.childCount < 17:
        fail("the board has no line after the last move: %d parts" % board.childCount)
    line = board.getChildAtIndex(16)
    if line.name:
        fail("a hint's line before H: %r" % line.name)
    EVENTS.clear()
    subprocess.run(["xdotool", "key", "h"], check=True)
    end = time.time() + 30
    while not HINT.match(line.name or ""):
        if time.time() > end:
            fail("no hint's line within 30 s of H: %r" % line.name)
        listen(0.2)
    print("== hint: " + line.name)
    listen(0.5)
    if not heard("object:property-change:accessible-name", line.name):
        fail("the hint's line did not tell its name: %s" % EVENTS)
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    end = time.time() + 10
    while line.name:
        if time.time() > end:
            fail("the hint's line stays after Escape: %r" % line.name)
        listen(0.2)
    print("PASS: the hint's line is in the tree and tells its name")


def labels(node):
    """The names a field is known by: its own, and those of the labels that label it (where a
    list's own name is its chosen item)."""
    names = {node.name}
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            names.update(relation.getTarget(i).name for i in range(relation.getNTargets()))
    return names


def panel():
    """The preferences' fields, named by their player and what they hold."""
    field = (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY)
    wanted = {"Nom du joueur 1": field, "Nom du joueur 2": field,
              "Joueur 1 joué par": (pyatspi.ROLE_COMBO_BOX,),
              "Joueur 2 joué par": (pyatspi.ROLE_COMBO_BOX,)}
    found = {}
    end = time.time() + 30
    while len(found) < len(wanted) and time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            for name, role in wanted.items():
                node = app and pyatspi.findDescendant(
                    app, lambda n, name=name, role=role: n is not None and n.getRole() in role
                    and n.getState().contains(pyatspi.STATE_SHOWING) and name in labels(n))
                if node:
                    found[name] = node
        if len(found) < len(wanted):
            time.sleep(0.5)
    missing = sorted(set(wanted) - set(found))
    if missing:
        shown = []
        for app in pyatspi.Registry.getDesktop(0):
            if app:
                pyatspi.findAllDescendants(app, lambda n: n is not None and n.getState().contains(
                    pyatspi.STATE_SHOWING) and shown.append((n.getRoleName(), n.name)) and False)
        fail("no shown field named %s; shown: %s" % (missing, shown))
    for name in ("Nom du joueur 1", "Nom du joueur 2"):
        text = found[name].queryText().getText(0, -1)
        print("== %s: %r" % (name, text))
        if not text:
            fail("the field %r holds no name" % name)
    print("PASS: the preferences' four fields are named")


def final():
    """A game that ends on the person's move: its line is told before the end's notices."""
    hear_events("object:property-change:accessible-name")
    board = find_board()
    state = wait_for(board, "the person's turn after the computer's move",
                     lambda s: s["tomove"] == 1 and s["last"] != "Aucun coup joué", 60)
    show("before the final move", state)
    person = state["players"][0]
    pit = board.getChildAtIndex(5)
    if not pit.name.startswith("Case 6 de %s : " % person):
        fail("child 6 is %r" % pit.name)
    EVENTS.clear()
    pit.queryAction().doAction(0)
    told = "%s a joué sa case 6 et pris " % person
    end = time.time() + 30
    while not heard("object:property-change:accessible-name", told):
        if time.time() > end:
            fail("the final move's line was not told: %s" % EVENTS)
        listen(0.2)
    names = [n for k, n in EVENTS if k.startswith("object:property-change:accessible-name")]
    print("== told: " + " | ".join(names))
    last = board.getChildAtIndex(15).name
    turn = board.getChildAtIndex(14).name
    if not last.startswith(told) or turn != "Partie terminée":
        fail("during the end's notices the tree reads %r and %r" % (last, turn))
    print("PASS: the final move's line is told as the game ends")


{"hint": hint, "panel": panel, "final": final}.get(sys.argv[1] if len(sys.argv) > 1 else "",
                                                   main)()
