#!/usr/bin/python3
"""Drives the running program through the accessibility tree (AT-SPI) as a
person would, and takes screenshots of its windows. Run by
scripts/screenshots.sh inside a virtual X server with an accessibility bus."""
import math
import os
import subprocess
import sys
import time

import pyatspi

OUT = sys.argv[1]
PART = sys.argv[2] if len(sys.argv) > 2 else "modes"
# The interface's language (SHOTLANG: Spanish or English): the names looked
# for are the dictionary's translations, the pictures get a suffix.
LANG = os.environ.get("SHOTLANG", "")
COLUMN = {"Spanish": 2, "English": 3}.get(LANG, 0)
SUFFIX = {"Spanish": "-es", "English": "-en"}.get(LANG, "")
WORDS = {}
if COLUMN:
    with open(os.path.join(os.path.dirname(__file__), "..", "src", "qtbridge", "resources", "dictionary.tsv"),
              encoding="utf-8") as f:
        for line in f.read().split("\n")[1:]:
            cells = line.split("\t")
            if len(cells) > COLUMN and cells[COLUMN]:
                WORDS[cells[0]] = cells[COLUMN]
    WORDS["Acquisition par"] = {"Spanish": "Adquisición con", "English": "Acquisition with"}[LANG]
    WORDS["Cinétique suivie"] = WORDS["Cinétique suivie par spectrophotométrie"]


def T(name):
    return WORDS.get(name, name)


def app():
    for _ in range(100):
        desktop = pyatspi.Registry.getDesktop(0)
        for a in desktop:
            if a is not None and a.name and a.name.startswith("vandoral"):
                return a
        time.sleep(0.2)
    sys.exit("the program is not on the accessibility bus")


def find(root, name, role=None, timeout=20.0):
    """The first accessible below root with this name (and role)."""
    end = time.time() + timeout
    while time.time() < end:
        hit = pyatspi.findDescendant(
            root, lambda a: a is not None and a.name == name
            and (role is None or a.getRole() == role)
            and a.getState().contains(pyatspi.STATE_SHOWING))
        if hit is not None:
            return hit
        time.sleep(0.2)
    sys.exit("not found: %s" % name)


def window(name, timeout=20.0):
    end = time.time() + timeout
    while time.time() < end:
        for w in app():
            if w is not None and w.name.startswith(name):
                return w
        time.sleep(0.2)
    sys.exit("no window: %s" % name)


def press(widget):
    action = widget.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click", "Toggle", "toggle"):
            action.doAction(i)
            return
    action.doAction(0)


def enabled(widget):
    return widget.getState().contains(pyatspi.STATE_ENABLED)


def wait(condition, timeout=30.0):
    end = time.time() + timeout
    while time.time() < end:
        if condition():
            return
        time.sleep(0.2)
    subprocess.run(["import", "-window", "root", OUT + "/timed-out.png"], check=False)
    sys.exit("timed out (the screen is in %s/timed-out.png)" % OUT)


def shot(win, path):
    x, y, w, h = win.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), path], check=True)
    print("screenshot:", path)


def answer(names):
    """Presses the button of the question box that holds the program."""
    for _ in range(50):
        for w in app():
            if w is not None and w.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT):
                button = pyatspi.findDescendant(w, lambda a: a is not None and a.name in names
                                                and a.getRole() == pyatspi.ROLE_PUSH_BUTTON)
                if button is not None:
                    press(button)
                    return
        time.sleep(0.2)
    print("no question box with", names, file=sys.stderr)


def answer_no():
    answer(("No", "Non", "&No"))


def answer_yes():
    answer(("Yes", "Oui", "&Oui", "&Yes", "Sí", "&Sí"))


def type_keys(text):
    # No window manager: the keyboard goes where the input focus is put.
    subprocess.run(["xdotool", "search", "--name", T("Loi de Beer-Lambert"), "windowfocus", "--sync"], check=False)
    subprocess.run(["xdotool", "type", "--delay", "50", text], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)


def open_mode(button, title):
    """The mode window opened from the main window's button."""
    main = window(T("Acquisition par"))
    press(find(main, T(button), pyatspi.ROLE_PUSH_BUTTON))
    return window(T(title))


def blank_and_scan(spectre):
    """A blank then a spectrum in the spectrum window; its "Blanc" button."""
    blanc = find(spectre, T("Blanc"))
    press(blanc)
    scan = find(spectre, T("Spectre"))
    wait(lambda: enabled(scan))
    press(scan)
    time.sleep(1.0)
    wait(lambda: enabled(blanc))  # the scan is over
    return blanc


if PART == "journal":
    main = window(T("Acquisition par"))
    press(find(main, T("Suivi de cinétique"), pyatspi.ROLE_PUSH_BUTTON))
    kin = window(T("Cinétique suivie"))
    find(kin, T("Intervalle de temps entre chaque point")).queryValue().currentValue = 8
    find(kin, T("Nombre de points ")).queryValue().currentValue = 5
    blanc = find(kin, T("Blanc"))
    press(blanc)
    start = find(kin, T("Acquisition"))
    wait(lambda: enabled(start))
    press(start)
    find(kin, T(" acquis à 00:00:16"), timeout=60)  # the third point
    print("three points taken: the program is killed")
    sys.exit(0)

if PART == "journal-recover":
    question = None
    end = time.time() + 30
    while question is None and time.time() < end:
        for w in app():
            if w is not None and w.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT):
                question = w
        time.sleep(0.2)
    if question is None:
        sys.exit("no question at the restart")
    text = pyatspi.findDescendant(question, lambda a: a is not None and "cinétique de 3 points" in (a.name or ""))
    if text is None:
        sys.exit("the question does not name the 3-point run")
    print("asked:", text.name)
    yes = pyatspi.findDescendant(question, lambda a: a is not None and a.name in ("Oui", "&Oui")
                                 and a.getRole() == pyatspi.ROLE_PUSH_BUTTON)
    press(yes)
    kin = window(T("Cinétique suivie"))
    time.sleep(1.5)
    shot(kin, OUT + "/journal-recovered.png")
    sys.exit(0)

if PART == "refused":
    # Each window after a blank the instrument refused: its banner says why
    # and what to do.
    main = window(T("Acquisition par"))
    for button, title, name in (("Tracé de spectre", "Tracé de spectre", "trace"),
                                ("Suivi de cinétique", "Cinétique suivie", "cinetique"),
                                ("Loi de Beer-Lambert", "Loi de Beer-Lambert", "beer")):
        press(find(main, button, pyatspi.ROLE_PUSH_BUTTON))
        win = window(title)
        blanc = find(win, T("Blanc"))
        press(blanc)
        time.sleep(1.5)
        wait(lambda: enabled(blanc))
        time.sleep(0.5)
        shot(win, OUT + "/refused-%s.png" % name)
        press(find(win, T("Fin")))
        time.sleep(1)
        main = window(T("Acquisition par"))
    sys.exit(0)

if PART == "print":
    # The print button's drop-down over a spectrum, then the preview of the
    # page "Imprimer" prints.
    spectre = open_mode("Tracé de spectre", "Tracé de spectre")
    blank_and_scan(spectre)
    button = find(spectre, T("Imprimer"))
    bx, by, bw, bh = button.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    # The arrow at the button's right edge opens its menu.
    subprocess.run(["xdotool", "mousemove", str(bx + bw - 5), str(by + bh // 2), "click", "1"], check=True)
    time.sleep(1.0)
    shot(spectre, OUT + "/print-menu.png")
    # The first item at the keyboard: an accessible action would wait for
    # the modal preview to close.
    subprocess.run(["xdotool", "key", "Down", "Return"], check=True)
    preview = window(T("Aperçu avant impression"))
    time.sleep(2.0)
    shot(preview, OUT + "/print-preview.png")
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    time.sleep(0.5)
    sys.exit(0)

if PART == "open":
    # A spectrum saved elsewhere as JCAMP-DX (a dye peaking at 520 nm, every
    # 2 nm) laid under a new one as a reference, through the References menu
    # and the open dialog, at the keyboard.
    path = "/tmp/vandoral-shot-reference.jdx"
    values = [round(1000 * (0.05 + 0.9 * math.exp(-((330 + 2 * i - 520) / 40.0) ** 2))) for i in range(236)]
    lines = ["##TITLE=Colorant du matin", "##JCAMP-DX=4.24", "##DATA TYPE=UV/VIS SPECTRUM",
             "##XUNITS=NANOMETERS", "##YUNITS=ABSORBANCE", "##XFACTOR=1", "##YFACTOR=0.001",
             "##FIRSTX=330", "##LASTX=800", "##NPOINTS=236", "##XYDATA=(X++(Y..Y))"]
    for i in range(0, 236, 10):
        lines.append(" ".join([str(330 + 2 * i)] + [str(v) for v in values[i:i + 10]]))
    lines.append("##END=")
    with open(path, "w") as f:
        f.write("\r\n".join(lines) + "\r\n")
    spectre = open_mode("Tracé de spectre", "Tracé de spectre")
    blank_and_scan(spectre)
    button = find(spectre, T("Références"))
    bx, by, bw, bh = button.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(bx + bw // 2), str(by + bh // 2), "click", "1"], check=True)
    time.sleep(1.0)
    # "Garder comme référence", then "Ouvrir comme référence…" ("Effacer"
    # is greyed and skipped).
    subprocess.run(["xdotool", "key", "Down", "Down", "Return"], check=True)
    time.sleep(2.0)
    subprocess.run(["xdotool", "type", "--delay", "20", path], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)
    time.sleep(2.0)
    shot(spectre, OUT + "/open-reference.png")
    sys.exit(0)

if PART == "beer":
    beer = open_mode("Loi de Beer-Lambert", "Loi de Beer-Lambert")
    blanc = find(beer, T("Blanc"))
    press(blanc)
    time.sleep(1)
    wait(lambda: enabled(blanc))
    for c in ("1", "2", "3", "4"):
        type_keys(c)
        time.sleep(1)
        wait(lambda: enabled(blanc))
    unknown = find(beer, T("c ?"))
    for _ in range(2):
        wait(lambda: enabled(unknown))
        press(unknown)
        time.sleep(1)
        wait(lambda: enabled(blanc))
    time.sleep(0.5)
    shot(beer, OUT + "/beer%s.png" % SUFFIX)
    sys.exit(0)

spectre = open_mode("Tracé de spectre", "Tracé de spectre")
blanc = blank_and_scan(spectre)
# Kept as a reference; a minute later the dye has faded: a second scan.
subprocess.run(["xdotool", "key", "ctrl+r"], check=True)  # "Garder comme référence"
time.sleep(3)
# The space bar's scan, at the keyboard: a question asked from an accessible
# action would hold that action's reply.
subprocess.run(["xdotool", "key", "space"], check=True)
answer_yes()  # "Le spectre n'est pas enregistré. L'effacer ?": it is kept as a reference
time.sleep(1.0)
wait(lambda: enabled(blanc))
press(find(spectre, T("Réticule")))
graph = find(spectre, T("Graphe"))
gx, gy, gw, gh = graph.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
# The cross-hair on the dye's band, near 545 nm on a 330-800 nm axis.
subprocess.run(["xdotool", "mousemove", str(gx + int(gw * 0.47)), str(gy + gh // 3)], check=True)
time.sleep(0.5)
shot(spectre, OUT + "/trace%s.png" % SUFFIX)

# Back to the main window ("Sauvegarde ?" answered no), then a kinetics run
# at two wavelengths.
try:
    press(find(spectre, T("Fin")))
except Exception:
    pass  # the question box holds the reply until it is answered
answer_no()
main = window(T("Acquisition par"))
press(find(main, T("Suivi de cinétique"), pyatspi.ROLE_PUSH_BUTTON))
kin = window(T("Cinétique suivie"))


def set_value(name, value):
    find(kin, T(name)).queryValue().currentValue = value


set_value("Intervalle de temps entre chaque point", 8)
set_value("Nombre de points ", 5)
set_value("Longueur d'onde de mesure de l'absorbance", 545)
press(find(kin, T("Lambda2 (nm)")))
set_value("Deuxième longueur d'onde suivie", 420)
blanc = find(kin, T("Blanc"))
press(blanc)
start = find(kin, T("Acquisition"))
wait(lambda: enabled(start))
press(start)
time.sleep(2)
stop = find(kin, T("Stop"))
wait(lambda: not enabled(stop), timeout=120)  # the run is over
press(find(kin, T("Spectre")))  # one more scan opens the spectrum panel
time.sleep(2)
wait(lambda: enabled(find(kin, T("Spectre"))), timeout=60)
time.sleep(0.5)
shot(kin, OUT + "/cinetique%s.png" % SUFFIX)
