#!/usr/bin/env python3
"""Runs every example of the user's guide through talvex-run against korva32.

    manual_examples_test.py MANUAL.md TALVEX_RUN KORVA32 [--show]

An example is a ```tvx block followed by an ```output block (standard output of
the run). After the output block there may follow a ```messages block
(standard error: the message boxes) and a ```log NAME block (the file NAME in
the script's folder after the run, line ends shown as plain line breaks).

Words on the opening line of a block:
  tvx file=NAME      not run: a file the next example finds in its folder
  tvx name=NAME      the example's own file name (default example.tvx)
  tvx --list ...     options handed to talvex-run
  output status=N    the expected exit status (default 0)

Output that depends on the clock or on paths is written with placeholders:
{@now} {@date} {@time} {@DateStart} {@TimeStart} {@NowStart} {@Version}
{@ScriptPath} {@ScriptWholeName} {@KorvaPath}, {clock} for a #timenow time and
{minutes} for a #timeelapsed figure.

Each run gets a fresh folder with its own host socket (KORVA_SOCKET) and its
own default log folder (TALVEX_LOG_FOLDER), so examples never meet a user's
host or files. --show prints what each example really printed.
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

# The language as the guide documents it: every one of these words must
# appear in at least one example.
DIRECTIVES = [
    "#skipon", "#skipoff", "#echoon", "#echooff", "#debughold", "#debugresume",
    "#debugon", "#debugoff", "#elseif", "#endif", "#else", "#if", "#gosub",
    "#return", "#while", "#dowhile", "#dountil", "#do", "#wend", "#loopwhile",
    "#loopuntil", "#loop", "#continue", "#break", "#oncancel", "#cancel",
    "#chain", "#call", "#responsehold", "#responseresume", "#logscript",
    "#loghold", "#logresume", "#logoff", "#logon", "#filetortf", "#filetolog",
    "#timenow", "#timereset", "#timeelapsed", "#exit", "#setvars", "#initvars",
    "#clearvars", "#showvars", "#goto", "#label",
    "setvars", "initvars", "clearvars", "clearuservars", "showvars", "goto", "label",
]
FUNCTIONS = ["loge", "log10", "exp", "~", "not", "!", "bit", "hex", "long", "int", "str", "val"]
BUILTIN_NAMES = ["@now", "@date", "@time", "@rtfnl", "@rtftab"]

STAMP_NOW = r"\d\d_\d\d_\d\d_\d\d_\d\d_\d\d"
STAMP_DATE = r"\d{4}_\d\d_\d\d"
STAMP_TIME = r"\d\d_\d\d_\d\d"


class Block:
    def __init__(self, line, info, text):
        self.line = line
        words = info.split()
        self.kind = words[0] if words else ""
        self.words = words[1:]
        self.text = text

    def option(self, key, default=None):
        for w in self.words:
            if w.startswith(key + "="):
                return w[len(key) + 1:]
        return default


def read_blocks(path):
    blocks = []
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    i = 0
    while i < len(lines):
        m = re.match(r"^```(.*)$", lines[i])
        if not m:
            i += 1
            continue
        start, info, body = i + 1, m.group(1).strip(), []
        i += 1
        while i < len(lines) and lines[i] != "```":
            body.append(lines[i])
            i += 1
        if i == len(lines):
            raise SystemExit(f"{path}:{start}: code block not closed")
        i += 1
        blocks.append(Block(start, info, "".join(l + "\n" for l in body)))
    return blocks


class Example:
    def __init__(self, script, output, files):
        self.script = script
        self.output = output
        self.messages = None
        self.log = None
        self.files = files


def read_examples(blocks, manual):
    examples, files, i = [], {}, 0
    while i < len(blocks):
        b = blocks[i]
        if b.kind == "tvx" and b.option("file"):
            files[b.option("file")] = b.text
            i += 1
            continue
        if b.kind in ("output", "messages", "log"):
            raise SystemExit(f"{manual}:{b.line}: ```{b.kind} block without its ```tvx example")
        if b.kind != "tvx":
            i += 1
            continue
        if i + 1 >= len(blocks) or blocks[i + 1].kind != "output":
            raise SystemExit(f"{manual}:{b.line}: ```tvx example without an ```output block")
        ex = Example(b, blocks[i + 1], files)
        files = {}
        i += 2
        while i < len(blocks) and blocks[i].kind in ("messages", "log"):
            if blocks[i].kind == "messages":
                ex.messages = blocks[i]
            else:
                ex.log = blocks[i]
            i += 1
        examples.append(ex)
    return examples


def pattern(expected, paths):
    """The expected text as an anchored regular expression."""
    places = {
        "{@now}": STAMP_NOW, "{@NowStart}": STAMP_NOW,
        "{@date}": STAMP_DATE, "{@DateStart}": STAMP_DATE,
        "{@time}": STAMP_TIME, "{@TimeStart}": STAMP_TIME,
        "{@Version}": r"\d+\.\d{4}",
        "{clock}": r"\d{4}-\d{1,2}-\d{1,2}, \d{1,2}:\d\d:\d\d",
        "{minutes}": r"\d+\.\d\d",
        "{@ScriptPath}": re.escape(paths["folder"]),
        "{@ScriptWholeName}": re.escape(paths["script"]),
        "{@KorvaPath}": re.escape(paths["host_folder"]),
    }
    split = re.split("(" + "|".join(re.escape(k) for k in places) + ")", expected)
    return "".join(places[p] if p in places else re.escape(p) for p in split)


def host_pids(socket):
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                argv = f.read().split(b"\0")
        except OSError:
            continue
        if argv and argv[0].endswith(b"korva32") and socket.encode() in argv:
            pids.append(int(entry))
    return pids


def run(example, talvex_run, korva32):
    # Short on purpose: the socket path must stay well under 108 bytes.
    root = tempfile.mkdtemp(prefix="tvm-", dir="/tmp")
    try:
        work = os.path.join(root, "work")
        deflog = os.path.join(root, "deflog")
        home = os.path.join(root, "home")
        for d in (work, deflog, home):
            os.makedirs(d)
        for name, text in example.files.items():
            path = os.path.join(work, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write(text)
        script = os.path.join(work, example.script.option("name", "example.tvx"))
        with open(script, "w", encoding="utf-8", newline="") as f:
            f.write(example.script.text)
        env = dict(os.environ)
        env.update({
            "KORVA32": korva32, "KORVA_SOCKET": os.path.join(root, "k"),
            "TALVEX_LOG_FOLDER": deflog, "HOME": home,
            "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
            "LC_ALL": "C.UTF-8", "LANG": "C.UTF-8",
        })
        args = [talvex_run] + [w for w in example.script.words if w.startswith("--")] + [script]
        try:
            done = subprocess.run(args, cwd=work, env=env, capture_output=True, timeout=30)
            result = {"out": done.stdout.decode("utf-8", "replace"),
                      "err": done.stderr.decode("utf-8", "replace"),
                      "status": done.returncode}
        except subprocess.TimeoutExpired:
            result = {"out": "", "err": "", "status": "hung"}
        if example.log:
            name = example.log.words[0] if example.log.words else ""
            try:
                with open(os.path.join(work, name), "rb") as f:
                    result["log"] = f.read().decode("utf-8", "replace").replace("\r\n", "\n")
            except OSError as e:
                result["log"] = f"<no log {name}: {e.strerror}>"
        result["paths"] = {"folder": work + "/", "script": script,
                           "host_folder": os.path.dirname(korva32) + "/"}
        return result
    finally:
        for pid in host_pids(os.path.join(root, "k")):
            os.kill(pid, signal.SIGKILL)
        shutil.rmtree(root, ignore_errors=True)


def check_coverage(examples, manual):
    scripts = []
    for ex in examples:
        scripts.append(ex.script.text)
        scripts.extend(ex.files.values())
    text = "\n".join(scripts).lower()
    missing = []
    for word in DIRECTIVES:
        # "#do" must not be the start of "#dowhile", "goto" not the end of "#goto".
        if not re.search(r"(?<![#a-z])" + re.escape(word) + r"(?![a-z])", text):
            missing.append(word)
    for name in FUNCTIONS:
        if not re.search(re.escape(name) + r"\{", text):
            missing.append(name + "{...}")
    for name in BUILTIN_NAMES:
        if name not in text:
            missing.append(name)
    return missing


def system_variables(talvex_run, korva32):
    """The system variables as the program lists them."""
    probe = Example(Block(0, "tvx", "showvars\n"), None, {})
    listed = run(probe, talvex_run, korva32)["out"]
    return re.findall(r"(@\w+)=", listed)


def main():
    if len(sys.argv) < 4:
        raise SystemExit(__doc__)
    manual, talvex_run, korva32 = (os.path.abspath(a) for a in sys.argv[1:4])
    show = "--show" in sys.argv[4:]
    examples = read_examples(read_blocks(manual), manual)
    failures = 0
    for ex in examples:
        got = run(ex, talvex_run, korva32)
        wanted_status = int(ex.output.option("status", "0"))
        problems = []
        if got["status"] != wanted_status:
            problems.append(f"exit status {got['status']}, expected {wanted_status}")
        checks = [("standard output", ex.output, got["out"])]
        if ex.messages:
            checks.append(("messages", ex.messages, got["err"]))
        if ex.log:
            checks.append(("log " + " ".join(ex.log.words), ex.log, got["log"]))
        for what, block, actual in checks:
            if not re.fullmatch(pattern(block.text, got["paths"]), actual, re.DOTALL):
                problems.append(f"{what} differs (block at line {block.line}):\n"
                                f"--- expected\n{block.text}--- actual\n{actual}---")
        if show:
            print(f"== {manual}:{ex.script.line}\n{got['out']}-- messages\n{got['err']}")
        if problems:
            failures += 1
            print(f"FAIL {manual}:{ex.script.line}: example\n{ex.script.text}" +
                  "\n".join(problems) + "\n")
    missing = check_coverage(examples, manual)
    for name in system_variables(talvex_run, korva32):
        if not any(name.lower() in ex.script.text.lower() for ex in examples):
            missing.append(name)
    if missing:
        failures += 1
        print("FAIL: no example uses " + ", ".join(missing))
    print(f"{len(examples)} examples, {failures} failing")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
