#!/usr/bin/env python3
"""The settings file's manual page, read as a user reads it (rendered by man) and held
against what tesselon-batch really does with settings files.

Usage: settings_manual_test.py BUILD_DIR CASE
CASE is one of: renders, keys, defaults, ranges, example, pointers.

tesselon-batch runs from a private copy, so that no default.cfg of the build's bin/
folder is read, with HOME, TMPDIR and XDG_CONFIG_HOME of the test's own.
"""
import datetime
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

SECTIONS = ["[Config]", "[ProcesosEntorno]", "[ProcesosTexto]", "[ProcesosImage]"]
KINDS = "flag|colour|integer|number|text|object"


def fail(message):
    print("FAILED: " + message)
    sys.exit(1)


def render(page):
    env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80")
    env.pop("MAN_KEEP_FORMATTING", None)
    done = subprocess.run(["man", "--warnings", "-l", page], env=env, capture_output=True, text=True, timeout=60)
    return done.returncode, done.stdout, done.stderr


def page_text(build):
    code, text, errors = render(os.path.join(build, "man", "tesselon.cfg.5"))
    if code != 0 or errors:
        fail("man could not render the page cleanly (%d): %s" % (code, errors))
    return text


def page_keys(text):
    """{section: {key: body as one line}} from the SECTIONS AND KEYS part of the page."""
    lines = text.splitlines()
    try:
        start = lines.index("SECTIONS AND KEYS")
    except ValueError:
        fail("the page has no SECTIONS AND KEYS")
    keys = {}
    section = None
    key = None
    for line in lines[start + 1:]:
        if re.match(r"^[A-Z]", line):
            break  # the next heading
        heading = re.match(r"^   (\[\w+\])$", line)
        if heading:
            section, key = heading.group(1), None
            keys.setdefault(section, {})
            continue
        entry = re.match(r"^ {7}([A-Za-z][A-Za-z0-9.]*) \((?:%s)[,)]" % KINDS, line)
        if entry and section:
            key = entry.group(1)
            if key in keys[section]:
                fail("%s %s is listed twice" % (section, key))
            keys[section][key] = ""
        elif key and line.startswith(" " * 14):
            keys[section][key] += " " + line.strip()
        elif line.strip():
            key = None  # a section's own text
    return {s: {k: " ".join(b.split()) for k, b in ks.items()} for s, ks in keys.items()}


def read_settings(path):
    """{section: object} of a settings file as the programs write it."""
    with open(path, encoding="utf-8", newline="") as f:
        lines = f.read().split("\r\n")
    found = {}
    for i, line in enumerate(lines[:-1]):
        if line.strip() in SECTIONS:
            found[line.strip()] = json.loads(lines[i + 1])
    return found


def flat(obj, prefix=""):
    """Every key of the object, a nested object's members as key.member."""
    items = {}
    for k, v in obj.items():
        items[prefix + k] = v
        if isinstance(v, dict):
            items.update(flat(v, prefix + k + "."))
    return items


def write_settings(path, sections):
    lines = ["Tesselon 01/01/2026 00:00:00", "VERSION:0.3f"]
    for name, obj in sections.items():
        lines += [name, json.dumps(obj, ensure_ascii=False, separators=(",", ":"))]
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("".join(line + "\r\n" for line in lines))


def set_flat(obj, key, value):
    *outer, last = key.split(".")
    for part in outer:
        obj = obj[part]
    obj[last] = value


class Batch:
    """tesselon-batch from a private folder, with a home and temporary folder of its own."""

    def __init__(self, build, work):
        self.folder = os.path.join(work, "program")
        os.makedirs(self.folder)
        self.program = os.path.join(self.folder, "tesselon-batch")
        shutil.copy2(os.path.join(build, "bin", "tesselon-batch"), self.program)
        self.home = os.path.join(work, "home")
        self.tmp = os.path.join(work, "tmp")
        for folder in (self.home, self.tmp):
            os.makedirs(folder)
        self.env = {k: v for k, v in os.environ.items() if not k.startswith("TESSELON_")}
        self.env.update(HOME=self.home, TMPDIR=self.tmp, XDG_CONFIG_HOME=os.path.join(work, "config"))

    def run(self, *args):
        return subprocess.run([self.program, *args], env=self.env, capture_output=True, text=True, timeout=120)

    def defaults(self, path):
        done = self.run("--save-config", path)
        if done.returncode != 0:
            fail("--save-config: %s" % done.stderr)
        return read_settings(path)


def case_renders(build, work):
    code, text, errors = render(os.path.join(build, "man", "tesselon.cfg.5"))
    if code != 0:
        fail("man exited with %d: %s" % (code, errors))
    if errors:
        fail("man warns: %s" % errors)
    for heading in ["NAME", "SYNOPSIS", "DESCRIPTION", "FILE FORMAT", "COLOURS", "SECTIONS AND KEYS", "EXAMPLE",
                    "FILES", "SEE ALSO"]:
        if heading not in text.splitlines():
            fail("no %s heading in:\n%s" % (heading, text[:2000]))
    if not text.startswith("TESSELON.CFG(5)"):
        fail("not page 5 of tesselon.cfg: " + text.splitlines()[0])


def case_keys(build, work):
    """Every key the reader takes is in the page, and every key of the page is read."""
    documented = page_keys(page_text(build))
    batch = Batch(build, work)
    written = batch.defaults(os.path.join(work, "defaults.cfg"))
    if sorted(documented) != sorted(written):
        fail("sections: page %s, file %s" % (sorted(documented), sorted(written)))
    for section in SECTIONS:
        in_file = set(flat(written[section]))
        in_page = set(documented[section])
        if in_file != in_page:
            fail("%s: in the file but not the page: %s; in the page but not the file: %s"
                 % (section, sorted(in_file - in_page), sorted(in_page - in_file)))
    # A file with every key of the page changed comes back changed: the reader took each.
    changed = json.loads(json.dumps(written))
    special = {"LocalRemoto": "R", "UltimoEscaneoImagenesLocalRemoto": "R", "protocolo": "sftp"}
    expected = {}
    for section in SECTIONS:
        for key, value in flat(written[section]).items():
            if isinstance(value, dict):
                continue
            if key in special:
                new = special[key]
            elif isinstance(value, str):
                new = value + "x"
            elif isinstance(value, float):
                new = value + 1.5
            else:
                new = 1 if value == 0 else 0 if value == 1 else value + 1
            set_flat(changed[section], key, new)
            expected[(section, key)] = new
    edited = os.path.join(work, "edited.cfg")
    write_settings(edited, changed)
    again = os.path.join(work, "again.cfg")
    done = batch.run("--config", edited, "--save-config", again)
    if done.returncode != 0:
        fail("reading the edited file: %s" % done.stderr)
    read_back = {s: flat(o) for s, o in read_settings(again).items()}
    lost = [f"{s} {k}: wrote {v!r}, read {read_back[s].get(k)!r}" for (s, k), v in expected.items()
            if read_back[s].get(k) != v]
    if lost:
        fail("keys of the page the reader did not take:\n" + "\n".join(lost))


def literal(text):
    """The JSON value at the start of a Default: text, if it starts with one."""
    m = re.match(r'("(?:[^"\\]|\\.)*"|-?\d+(?:\.\d+)?)', text)
    return json.loads(m.group(1)) if m else None


def case_defaults(build, work):
    """The defaults of the page are those of a file saved without settings."""
    documented = page_keys(page_text(build))
    batch = Batch(build, work)
    written = {s: flat(o) for s, o in batch.defaults(os.path.join(work, "defaults.cfg")).items()}
    year = str(datetime.date.today().year)
    checked = 0
    for section in SECTIONS:
        for key, body in documented[section].items():
            value = written[section][key]
            if isinstance(value, dict):
                continue
            m = re.search(r"Default: (.*?)\.(?: |$)", body + " ")
            if not m:
                fail("%s %s has no default: %s" % (section, key, body))
            said = m.group(1)
            shown = literal(said.replace("YYYY", year))
            if said.startswith("none"):
                ok = value in ("", 0)
            elif said.startswith("the home folder ($HOME)"):
                ok = value == batch.home + "/"
            elif said.startswith("the temporary folder: $TMPDIR"):
                ok = value == batch.tmp + "/"
            elif shown is not None:
                ok = shown == value
                colour = re.match(r"(\d+) \(0x([0-9A-F]{6}): red (\d+), green (\d+), blue (\d+)\)", said)
                if colour:
                    n, hex6, r, g, b = colour.groups()
                    ok = ok and int(hex6, 16) == int(n) and int(n) == int(r) + 256 * int(g) + 65536 * int(b)
            else:
                fail("%s %s: a default the test cannot read: %s" % (section, key, said))
            if not ok:
                fail("%s %s: the page says %s, the file holds %r" % (section, key, said, value))
            checked += 1
    if checked < 50:
        fail("only %d defaults checked" % checked)


def case_ranges(build, work):
    """The ranges of the page are those tesselon-batch converts with."""
    documented = page_keys(page_text(build))
    ranges = {}
    for section in SECTIONS:
        for key, body in documented[section].items():
            m = re.search(r"Range: (-?\d+) to (-?\d+)", body)
            if m:
                ranges[(section, key)] = (int(m.group(1)), int(m.group(2)))
    if len(ranges) < 5:
        fail("too few ranges in the page: %s" % ranges)
    batch = Batch(build, work)
    settings = batch.defaults(os.path.join(work, "defaults.cfg"))
    # Every condition under which a range applies holds.
    settings["[ProcesosImage]"].update(MarcaDeAgua=1, TintarImagen=1, ResizeActivo=1)
    for (section, key), (low, _) in ranges.items():
        set_flat(settings[section], key, low - 7)
    edited = os.path.join(work, "ranges.cfg")
    write_settings(edited, settings)
    source = os.path.join(work, "source")
    os.makedirs(source)
    subprocess.run(["convert", "-size", "40x30", "xc:#808080", os.path.join(source, "a.png")], check=True, timeout=60)
    done = batch.run("--config", edited, "--source", source, "--dest", os.path.join(work, "out"), "--quiet")
    warned = {m.group(1): (int(m.group(2)), int(m.group(3)), int(m.group(4)), int(m.group(5)))
              for m in re.finditer(r"warning: (\w+) is (-?\d+), outside (-?\d+)\.\.(-?\d+); converting with (-?\d+)",
                                   done.stderr)}
    paged = {key.split(".")[-1]: (low - 7, low, high, low) for (_, key), (low, high) in ranges.items()}
    if warned != paged:
        fail("tesselon-batch warned %s; the page's ranges give %s\n%s" % (warned, paged, done.stderr))


def example_file(text):
    """The settings file of the EXAMPLE part, as a reader would copy it."""
    lines = text.splitlines()
    start = lines.index("EXAMPLE")
    block = []
    for line in lines[start + 1:]:
        if line.strip().startswith("Tesselon ") or block:
            if not line.strip():
                break
            block.append(line.strip())
    if len(block) < 4:
        fail("no settings file in the EXAMPLE part")
    command = next((l.strip() for l in lines[start:] if l.strip().startswith("tesselon-batch --config")), None)
    if not command:
        fail("no tesselon-batch command in the EXAMPLE part")
    return block, command.split()


def pixels(path):
    size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True, check=True,
                          timeout=60).stdout.split()
    width, height = int(size[0]), int(size[1])
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True,
                         timeout=60).stdout
    if len(raw) != width * height * 3:
        fail("unexpected pixel data from %s" % path)
    return width, height, lambda x, y: tuple(raw[(y * width + x) * 3:(y * width + x) * 3 + 3])


def case_example(build, work):
    """The page's example, copied from the page and run as the page says, does what it says."""
    block, command = example_file(page_text(build))
    config_name = command[command.index("--config") + 1]
    config = os.path.join(work, config_name)
    with open(config, "w", encoding="utf-8", newline="") as f:
        f.write("".join(line + "\r\n" for line in block))
    source = os.path.join(work, "fotos")
    out = os.path.join(work, "fotos-out")
    os.makedirs(source)
    # Dark blue at the top, light orange at the bottom.
    subprocess.run(["convert", "-size", "240x160", "gradient:#2050c0-#f0c040", os.path.join(source, "a.png")],
                   check=True, timeout=60)
    batch = Batch(build, work)
    done = batch.run("--config", config, "--source", source, "--dest", out, "--quiet")
    if done.returncode != 0:
        fail("the example's command: %s" % done.stderr)
    width, height, at = pixels(os.path.join(out, "a.png"))
    # Turned by 90 degrees: the sides swap, with the 3-pixel frame around.
    if (width, height) != (166, 246):
        fail("result is %dx%d, not the turned 166x246" % (width, height))
    for corner in [(0, 0), (width - 1, 0), (0, height - 1)]:
        if at(*corner) != (255, 0, 0):
            fail("corner %s is %s, not the red background" % (corner, at(*corner)))
    # Grey, and turned clockwise: the dark top of the photo is now on the right.
    for y in range(40, 140, 10):
        for x in range(20, width - 20, 10):
            r, g, b = at(x, y)
            if not (r == g == b):
                fail("pixel %d,%d is %s, not grey" % (x, y, (r, g, b)))
    left, right = at(20, height // 3)[0], at(width - 20, height // 3)[0]
    if not left > right + 60:
        fail("left %d and right %d: not turned clockwise" % (left, right))
    # The yellow letters: only at the bottom right.
    yellow = [(x, y) for y in range(height) for x in range(width)
              if (lambda p: p[0] > 200 and p[1] > 200 and p[2] < 80)(at(x, y))]
    if len(yellow) < 50:
        fail("no watermark: %d yellow pixels" % len(yellow))
    xs = [x for x, _ in yellow]
    ys = [y for _, y in yellow]
    if min(ys) < height // 2 or max(ys) < height - 40 or max(xs) < width - 30:
        fail("the watermark is not at the bottom right: x %d..%d, y %d..%d of %dx%d"
             % (min(xs), max(xs), min(ys), max(ys), width, height))


def case_pointers(build, work):
    """A reader of either program's page finds this one."""
    for page in ["tesselon.1", "tesselon-batch.1"]:
        code, text, errors = render(os.path.join(build, "man", page))
        see_also = text.split("\nSEE ALSO\n")[-1].split("\n\n")[0] if "\nSEE ALSO\n" in text else ""
        if code != 0 or "tesselon.cfg(5)" not in see_also:
            fail("%s: SEE ALSO does not name tesselon.cfg(5): %r %s" % (page, see_also, errors))


CASES = {"renders": case_renders, "keys": case_keys, "defaults": case_defaults, "ranges": case_ranges,
         "example": case_example, "pointers": case_pointers}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in CASES:
        print("usage: settings_manual_test.py BUILD_DIR " + "|".join(CASES))
        return 2
    build = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as work:
        CASES[sys.argv[2]](build, work)
    print("settings manual %s: passed" % sys.argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main())
