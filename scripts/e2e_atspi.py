#!/usr/bin/python3
"""broodlog end to end through AT-SPI, as a screen reader sees and drives it.

Usage: scripts/e2e_atspi.py x11|wayland [build dir]

x11: on a private Xvfb display, walks the main window, the caption editor,
the preview and the printer dialog: every control has a name and the right
role; "print note", "configure" and "Print" pressed through their
accessibility action return at once with their window shown.

wayland: on a headless weston compositor, with WAYLAND_DISPLAY and no
DISPLAY, the program is a native Wayland client: the main window shows,
"print note" opens the preview at 50 %, "Save as PDF" writes the sheet, the
caption editor saves broodlog.txt and keeps the stored position it cannot
apply.

Runs itself under a private session bus with its own accessibility bus.
Exits 77 (skipped) when the display server cannot be started.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
# How long a pressed button's action may take to return: a screen reader
# gives up after a few seconds.
PROMPT = 1.0

# Roles of the things a user operates; each needs a name to be read.
CONTROL_ROLES = {
    "push button", "toggle button", "check box", "radio button", "combo box",
    "text", "entry", "password text", "spin button", "link", "slider",
    "menu item", "page tab", "list item",
}


def fail_early(message, code=1):
    print(("SKIP: " if code == SKIP else "FAIL: ") + message, file=sys.stderr)
    sys.exit(code)


def in_private_session():
    """Re-runs this script under dbus-run-session once."""
    if os.environ.get("BROODLOG_E2E_SESSION"):
        return
    if not shutil.which("dbus-run-session"):
        fail_early("dbus-run-session is missing (package dbus-daemon)")
    env = dict(os.environ, BROODLOG_E2E_SESSION="1")
    os.execvpe("dbus-run-session", ["dbus-run-session", "--", sys.executable, *sys.argv], env)


class Processes:
    """Started processes, ended in reverse order, however the script ends."""

    def __init__(self):
        self.procs = []

    def start(self, argv, **kw):
        p = subprocess.Popen(argv, **kw)
        self.procs.append(p)
        return p

    def stop_all(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()


def wait_for(what, timeout=15.0, step=0.1):
    end = time.monotonic() + timeout
    while True:
        value = what()
        if value or time.monotonic() > end:
            return value
        time.sleep(step)


def start_accessibility_bus(procs):
    launcher = "/usr/libexec/at-spi-bus-launcher"
    if not os.path.exists(launcher):
        fail_early("at-spi-bus-launcher is missing (package at-spi2-core)")
    procs.start([launcher, "--launch-immediately"])

    def bus_ready():
        r = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                            "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                           capture_output=True, text=True)
        return r.returncode == 0
    if not wait_for(bus_ready, 10):
        fail_early("the accessibility bus did not start")


def start_x11(procs, work):
    if not shutil.which("Xvfb"):
        fail_early("no X server can be started (Xvfb is missing)", SKIP)
    read_fd, write_fd = os.pipe()
    procs.start(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                 "-dpi", "96"], pass_fds=(write_fd,), stderr=open(os.path.join(work, "xvfb.log"), "w"))
    os.close(write_fd)
    with os.fdopen(read_fd) as f:
        number = f.readline().strip()
    if not number:
        fail_early("no X server can be started (Xvfb gave no display)", SKIP)
    return {"DISPLAY": ":" + number}


def start_wayland(procs, work):
    if not shutil.which("weston"):
        fail_early("no Wayland compositor can be started (weston is missing)", SKIP)
    runtime = os.path.join(work, "runtime")
    os.mkdir(runtime, 0o700)
    socket = "broodlog-e2e"
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    procs.start(["weston", "--backend=headless-backend.so", "--socket=" + socket, "--idle-time=0",
                 "--width=1280", "--height=1024"],
                env=env, stdout=subprocess.DEVNULL, stderr=open(os.path.join(work, "weston.log"), "w"))
    if not wait_for(lambda: os.path.exists(os.path.join(runtime, socket)), 10):
        fail_early("no Wayland compositor can be started (weston made no socket)", SKIP)
    return {"XDG_RUNTIME_DIR": runtime, "WAYLAND_DISPLAY": socket}


class Checks:
    def __init__(self):
        self.problems = []

    def expect(self, ok, message):
        if ok:
            print("ok: " + message)
        else:
            print("FAIL: " + message, file=sys.stderr)
            self.problems.append(message)
        return ok


def label(acc):
    return "%s %r" % (acc.getRoleName(), acc.name)


def walk(acc, path=""):
    """Every accessible below acc, with its path of roles and names."""
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is None:
            continue
        where = path + " > " + label(child)
        yield child, where
        yield from walk(child, where)


def action_index(acc, *names):
    try:
        action = acc.queryAction()
    except NotImplementedError:
        return None, None
    for i in range(action.nActions):
        if action.getName(i).lower() in names:
            return action, i
    return action, None


class Driver:
    """The program as AT-SPI shows it, driven through its actions."""

    def __init__(self, procs, program, env, work, checks):
        self.procs, self.program, self.env, self.work, self.checks = procs, program, env, work, checks
        self.cwd = os.path.join(work, "cwd")
        os.mkdir(self.cwd)
        self.unnamed = []

    # --- finding things ---
    def application(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == self.proc.pid:
                    return app
            except Exception:
                continue
        return None

    def window(self, name, timeout=15.0):
        def find():
            app = self.application()
            if app is None:
                return None
            for i in range(app.childCount):
                w = app.getChildAtIndex(i)
                if w is not None and w.name == name and w.getState().contains(pyatspi.STATE_SHOWING):
                    return w
            return None
        return wait_for(find, timeout)

    def gone(self, name):
        return wait_for(lambda: self.window(name, 0) is None, 10)

    def control(self, window, role, name):
        for acc, _ in walk(window):
            if acc.getRoleName() == role and acc.name == name:
                return acc
        return None

    # --- checks ---
    def check_names(self, window, title):
        """Every control in window has a name; returns the unnamed ones."""
        if os.environ.get("BROODLOG_E2E_DUMP"):
            for acc, where in walk(window):
                print("  " + title + where)
        missing = [where for acc, where in walk(window)
                   if acc.getRoleName() in CONTROL_ROLES and not acc.name.strip()]
        self.unnamed += [title + where for where in missing]
        self.checks.expect(not missing, "every control of \"%s\" has a name%s" % (
            title, "".join("\n  unnamed: " + title + m for m in missing)))

    def check_role(self, window, role, name):
        acc = self.control(window, role, name)
        self.checks.expect(acc is not None, "\"%s\" is a %s" % (name, role))
        return acc

    def check_spin(self, window, name, **expected):
        """A spin button whose value interface reads `expected` (AT-SPI's
        currentValue, minimumValue, maximumValue, minimumIncrement)."""
        spin = self.check_role(window, "spin button", name)
        if spin is not None:
            value = spin.queryValue()
            got = {field: getattr(value, field) for field in expected}
            self.checks.expect(got == expected, "\"%s\" reads %s (%s)" % (name, expected, got))

    def check_up_is_heard(self, window, name, expected):
        """Up in the focused spin button tells a screen reader its new value,
        as Orca hears it: a value change of that object."""
        spin = self.control(window, "spin button", name)
        if spin is None:
            return
        from gi.repository import GLib
        heard = []

        def listener(event):
            if event.source == spin:
                heard.append(event.type)

        def pump():
            context = GLib.MainContext.default()
            while context.pending():
                context.iteration(False)

        kinds = ("object:property-change:accessible-value", "object:value-changed")
        for kind in kinds:
            pyatspi.Registry.registerEventListener(listener, kind)
        # Without a window manager the keyboard goes to the window under the
        # pointer.
        box = spin.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        spin.queryComponent().grabFocus()
        wait_for(lambda: spin.getState().contains(pyatspi.STATE_FOCUSED) or None, 5)
        subprocess.run(["xdotool", "mousemove", str(box.x + 5), str(box.y + box.height // 2), "key", "Up"],
                       env=self.env, check=False)
        wait_for(lambda: pump() or heard or None, 5)
        for kind in kinds:
            pyatspi.Registry.deregisterEventListener(listener, kind)
        value = spin.queryValue().currentValue
        self.checks.expect(heard and value == expected,
                           "Up in \"%s\" is heard as its new value %s (%s, events %s)" % (name, expected, value, heard))

    def press(self, window, role, name, opens=None):
        """Presses a control by its action; the call returns at once."""
        acc = self.control(window, role, name)
        if not self.checks.expect(acc is not None, "\"%s\" (%s) is there to press" % (name, role)):
            return None
        action, index = action_index(acc, "press", "click", "activate")
        if not self.checks.expect(index is not None, "\"%s\" has a press action" % name):
            return None
        start = time.monotonic()
        try:
            action.doAction(index)
            returned = True
        except Exception as error:  # the accessibility bus's own time-out
            returned = False
            print("  (%s)" % error, file=sys.stderr)
        took = time.monotonic() - start
        self.checks.expect(returned and took < PROMPT,
                           "pressing \"%s\" returns at once (%.2f s)" % (name, took))
        if opens is None:
            return True
        shown = self.window(opens)
        self.checks.expect(shown is not None, "\"%s\" shows \"%s\"" % (name, opens))
        return shown

    def start(self):
        self.proc = self.procs.start([self.program], env=self.env, cwd=self.cwd,
                                     stderr=open(os.path.join(self.work, "stderr.txt"), "w"))
        main = self.window("broodlogprint", 30)
        if main is None:
            with open(os.path.join(self.work, "stderr.txt")) as f:
                sys.stderr.write(f.read())
            fail_early("no main window \"broodlogprint\" through AT-SPI")
        return main

    # --- the runs ---
    def run_x11(self):
        main = self.start()
        self.checks.expect(main.getRoleName() == "frame", "the main window is a frame (%s)" % main.getRoleName())
        self.check_names(main, "broodlogprint")
        # The link shows the README installed with the program (shortened in
        # the middle where the path is long), never a web address of its own.
        link = next((acc for acc, _ in walk(main) if acc.getRoleName() == "link"), None)
        self.checks.expect(link is not None and link.name.endswith("README.md") and link.name.startswith("file:"),
                           "the link shows the installed README (%s)" % (link.name if link else None))
        if link is not None:
            self.checks.expect(link.getState().contains(pyatspi.STATE_FOCUSABLE), "the keyboard reaches the link")
            _, index = action_index(link, "press", "click", "activate", "jump")
            self.checks.expect(index is not None, "the link has an action that opens it")
        self.check_role(main, "push button", "print note")
        self.check_role(main, "text", "Apiary")

        editor = self.press(main, "push button", "configure", opens="Text to big broodlog")
        if editor is not None:
            self.checks.expect(editor.getRoleName() == "dialog", "the caption editor is a dialog")
            self.check_names(editor, "Text to big broodlog")
            self.check_role(editor, "text", "1.")
            self.press(editor, "push button", "Cancel")
            self.checks.expect(self.gone("Text to big broodlog"), "\"Cancel\" closes the caption editor")

        preview = self.press(main, "push button", "print note", opens="Report of data")
        if preview is None:
            return
        self.checks.expect(preview.getRoleName() == "frame", "the preview is a frame (%s)" % preview.getRoleName())
        # What a screen reader announces as the preview opens: the window,
        # then the object with the keyboard focus, by role, name and
        # description.
        focused = wait_for(lambda: next((acc for acc, _ in walk(preview)
                                         if acc.getState().contains(pyatspi.STATE_FOCUSED)), None), 10)
        if self.checks.expect(focused is not None, "something in the preview has the focus"):
            print("  announced: \"%s\" %s; \"%s\" %s, \"%s\"" % (
                preview.name, preview.getRoleName(), focused.name, focused.getRoleName(), focused.description))
            self.checks.expect(focused.name == "Page 1 of 1" and focused.description,
                               "the page area has the focus, named after its page and described")
        toolbar = next((acc for acc, _ in walk(preview) if acc.getRoleName() == "tool bar"), None)
        self.checks.expect(toolbar is not None and toolbar.name == "Preview toolbar",
                           "the toolbar is named (%s)" % (toolbar.name if toolbar else None))
        self.check_names(preview, "Report of data")
        self.check_spin(preview, "Zoom", minimumValue=20, maximumValue=200, minimumIncrement=10)
        for hint in ("First Page", "Previous Page", "Next Page", "Last Page", "Print", "Save as PDF", "close"):
            self.check_role(preview, "push button", hint)

        dialog = self.press(preview, "push button", "Print", opens="Select the printer")
        if dialog is not None:
            self.check_names(dialog, "Select the printer")
            self.check_spin(dialog, "Number of copies:", currentValue=1, minimumValue=1, maximumValue=99)
            self.check_up_is_heard(dialog, "Number of copies:", 2)
            self.check_role(dialog, "combo box", "Printer")
            # "Pages" chosen by its toggle action, as switch access and
            # voice control do, enables the range fields.
            pages = self.check_role(dialog, "radio button", "Pages")
            if pages is not None:
                action, index = action_index(pages, "toggle", "press")
                if self.checks.expect(index is not None, "\"Pages\" has a toggle action"):
                    action.doAction(index)
                    enabled = wait_for(lambda: all(
                        acc.getState().contains(pyatspi.STATE_ENABLED)
                        for acc in (self.control(dialog, "text", "from:"), self.control(dialog, "text", "to:"))
                        if acc is not None) or None, 5)
                    self.checks.expect(pages.getState().contains(pyatspi.STATE_CHECKED) and enabled,
                                       "toggling \"Pages\" checks it and enables \"from:\" and \"to:\"")
            self.press(dialog, "push button", "Cancel")
            self.checks.expect(self.gone("Select the printer"), "\"Cancel\" closes the printer dialog")
        print("unnamed controls: %d" % len(self.unnamed))
        self.press(preview, "push button", "close")
        self.checks.expect(self.gone("Report of data"), "\"close\" closes the preview")

    def check_sheet_pdf(self, pdf):
        info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
        fields = dict(line.split(":", 1) for line in info.splitlines() if ":" in line)
        size = fields.get("Page size", "").split()  # "841.89 x 595.276 pts (A4)"
        points = [round(float(size[0])), round(float(size[2]))] if len(size) >= 3 else None
        self.checks.expect(fields.get("Pages", "").strip() == "1" and points == [842, 595],
                           "the PDF is one landscape A4 page (%s pages, %s points)" % (
                               fields.get("Pages", "?").strip(), points))
        text = subprocess.run(["pdftotext", pdf, "-"], capture_output=True, text=True).stdout
        self.checks.expect("Les Tilleuls" in text and "Apiary" in text,
                           "the PDF holds the sheet with the apiary's name")

    def run_wayland(self):
        config = os.path.join(self.env["XDG_CONFIG_HOME"], "Software")
        os.makedirs(config)
        ini = os.path.join(config, "broodlog.ini")
        with open(ini, "w") as f:  # where an X11 session left the caption editor
            f.write("[textbroodlog]\nNormPos=\"150,120,750,520\"\nShowCmd=1\n")
        started = time.monotonic()
        main = self.start()
        took = time.monotonic() - started
        self.checks.expect(took < 5, "the main window shows without delay (%.1f s)" % took)
        with open("/proc/%d/maps" % self.proc.pid) as f:
            maps = f.read()
        self.checks.expect("libqwayland" in maps and "libqxcb" not in maps,
                           "with WAYLAND_DISPLAY and no DISPLAY it is a native Wayland client")
        self.checks.expect(main.getState().contains(pyatspi.STATE_SHOWING), "the main window is shown")

        name = self.control(main, "text", "Apiary")
        if name is not None:
            name.queryEditableText().setTextContents("Les Tilleuls")
        preview = self.press(main, "push button", "print note", opens="Report of data")
        if preview is not None:
            zoom = self.control(preview, "spin button", "Zoom")
            value = zoom.queryValue().currentValue if zoom else None
            self.checks.expect(wait_for(lambda: zoom.queryValue().currentValue == 50, 5) if zoom else False,
                               "the preview opens at 50 %% (zoom field %s)" % value)
            pdf = os.path.join(self.cwd, "sheet.pdf")
            save = self.press(preview, "push button", "Save as PDF", opens="Save as PDF")
            field = self.control(save, "text", "File name:") if save else None
            if self.checks.expect(field is not None, "the file dialog has its \"File name:\" field"):
                field.queryEditableText().setTextContents(pdf)
                self.press(save, "push button", "Save")
                if self.checks.expect(wait_for(lambda: os.path.exists(pdf) and os.path.getsize(pdf) > 0, 15),
                                      "\"Save as PDF\" writes the file"):
                    self.check_sheet_pdf(pdf)
            self.press(preview, "push button", "close")
            self.checks.expect(self.gone("Report of data"), "\"close\" closes the preview")

        editor = self.press(main, "push button", "configure", opens="Text to big broodlog")
        if editor is None:
            return
        size = tuple(editor.queryComponent().getSize())
        self.checks.expect(size == (600, 400), "the caption editor opens at its stored size (%dx%d)" % size)
        box = self.control(editor, "text", "1.")
        if box is not None:
            box.queryEditableText().setTextContents("Hive number")
        self.press(editor, "push button", "OK")
        self.checks.expect(self.gone("Text to big broodlog"), "\"OK\" closes the caption editor")
        captions = os.path.join(self.cwd, "broodlog.txt")
        lines = []
        if wait_for(lambda: os.path.exists(captions), 5):
            with open(captions, "rb") as f:
                lines = f.read().split(b"\r\n")
        self.checks.expect(len(lines) == 22 and lines[0] == b"Hive number",
                           "the caption editor saves broodlog.txt (%d lines, first %r)" % (
                               max(0, len(lines) - 1), lines[0] if lines else None))
        with open(ini) as f:
            stored = f.read()
        positions = [l for l in stored.splitlines() if l.startswith("NormPos")]
        self.checks.expect(positions and all(l.split("=", 1)[1].strip('"').startswith("150,120,") for l in positions),
                           "the stored position, which Wayland cannot apply, is kept (%s)" % positions)

def main():
    if len(sys.argv) < 2 or sys.argv[1] not in ("x11", "wayland"):
        fail_early(__doc__.strip().splitlines()[2], 2)
    mode = sys.argv[1]
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    build = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "build"))
    program = os.path.join(build, "src", "app", "broodlog")
    in_private_session()

    procs = Processes()
    work = tempfile.mkdtemp(prefix="broodlog-atspi-")
    try:
        start_accessibility_bus(procs)
        display = start_x11(procs, work) if mode == "x11" else start_wayland(procs, work)
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE",
                            "XDG_CURRENT_DESKTOP", "QT_QPA_PLATFORMTHEME")}
        env.update(display)
        env.update(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_CONFIG_HOME=os.path.join(work, "config"))
        checks = Checks()
        global pyatspi
        try:
            import pyatspi  # only now: it finds the accessibility bus on import
        except ImportError:
            fail_early("python3-pyatspi is missing (scripts/setup.sh installs it)")
        driver = Driver(procs, program, env, work, checks)
        if mode == "x11":
            driver.run_x11()
        else:
            driver.run_wayland()
    finally:
        procs.stop_all()
        shutil.rmtree(work, ignore_errors=True)
    if checks.problems:
        print("%d check(s) failed" % len(checks.problems), file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
