#!/usr/bin/env python3
"""Installs the build into a temporary prefix and checks what a user gets.

    install_test.py CMAKE BUILD_DIR

The programs, the guide where Help > View looks for it (beside the programs
in the build; ../share/doc/talvex from them once installed), the icon, a menu
entry that desktop-file-validate accepts, the .tvx file type, and an installed
talvex-run that finds the installed korva32 without any setting.
"""
import gzip
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

PROGRAMS = ["talvex", "talvex-run", "korva32"]
MIME_TYPE = "application/x-talvex-script"
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
    return ok


def is_pdf(path):
    """A whole PDF of the guide: many pages, with the fonts its text was set in."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError:
        return False
    pages = len(re.findall(rb"/Type\s*/Page\b", data))
    return (data.startswith(b"%PDF-") and b"%%EOF" in data[-1024:] and pages >= 10
            and b"/FontFile" in data)


def host_pids(socket):
    pids = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/cmdline", "rb") as f:
                    argv = f.read().split(b"\0")
            except OSError:
                continue
            if argv[0].endswith(b"korva32") and socket.encode() in argv:
                pids.append(int(entry))
    return pids


def desktop_entry(path):
    entry = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if "=" in line and not line.startswith("#"):
                key, value = line.rstrip("\n").split("=", 1)
                entry[key] = value
    return entry


def main():
    cmake, build = sys.argv[1], os.path.abspath(sys.argv[2])
    built = [p for p in PROGRAMS if os.path.isfile(os.path.join(build, "bin", p))]
    check("talvex-run" in built and "korva32" in built, f"programs missing from {build}/bin")
    check(is_pdf(os.path.join(build, "bin", "talvex_help.pdf")),
          "the build has no talvex_help.pdf beside its programs")

    # Short on purpose: the installed runner's host socket lives in here.
    prefix = tempfile.mkdtemp(prefix="tvi-", dir="/tmp")
    socket = os.path.join(prefix, "k")
    env = {k: v for k, v in os.environ.items() if k not in ("DESTDIR", "KORVA32")}
    try:
        done = subprocess.run([cmake, "--install", build, "--prefix", prefix], env=env,
                              capture_output=True, text=True)
        if not check(done.returncode == 0, "cmake --install failed:\n" + done.stderr):
            return

        bindir = os.path.join(prefix, "bin")
        for p in built:
            path = os.path.join(bindir, p)
            check(os.path.isfile(path) and os.access(path, os.X_OK), f"bin/{p} not installed")
            # Each with its manual page, which names it.
            try:
                with gzip.open(os.path.join(prefix, "share", "man", "man1", p + ".1.gz"), "rt") as f:
                    check(f".TH {p.upper()} 1" in f.read(), f"the manual page of {p} is not its own")
            except OSError as e:
                check(False, f"manual page of {p}: {e}")
        share = os.path.join(prefix, "share")
        # Where the window looks once installed: ../share/doc/talvex from its folder.
        check(is_pdf(os.path.join(bindir, "..", "share", "doc", "talvex", "talvex_help.pdf")),
              "share/doc/talvex/talvex_help.pdf is missing or not a PDF")
        # Beside it the guide's text, which the guide window shows when no
        # PDF viewer opens the PDF.
        try:
            with open(os.path.join(share, "doc", "talvex", "talvex_help.md"), encoding="utf-8") as f:
                check(f.readline().startswith("# Talvex User's Guide"),
                      "share/doc/talvex/talvex_help.md is not the guide")
        except OSError as e:
            check(False, f"share/doc/talvex/talvex_help.md: {e}")

        icon = os.path.join(share, "icons", "hicolor", "scalable", "apps", "talvex.svg")
        try:
            check(ET.parse(icon).getroot().tag == "{http://www.w3.org/2000/svg}svg",
                  "the icon is not an SVG picture")
        except (OSError, ET.ParseError) as e:
            check(False, f"icon: {e}")

        desktop = os.path.join(share, "applications", "talvex.desktop")
        if check(os.path.isfile(desktop), "share/applications/talvex.desktop missing"):
            validator = shutil.which("desktop-file-validate")
            if check(validator, "desktop-file-validate not found (package desktop-file-utils)"):
                v = subprocess.run([validator, desktop], capture_output=True, text=True)
                check(v.returncode == 0 and not v.stdout.strip(),
                      "desktop-file-validate: " + v.stdout + v.stderr)
            entry = desktop_entry(desktop)
            check(entry.get("Exec") == "talvex %f", "Exec is not 'talvex %f'")
            check(entry.get("Icon") == "talvex", "Icon is not 'talvex'")
            check(MIME_TYPE in entry.get("MimeType", "").split(";"),
                  "the entry does not open " + MIME_TYPE)

        mime = os.path.join(share, "mime", "packages", "talvex.xml")
        try:
            ns = "{http://www.freedesktop.org/standards/shared-mime-info}"
            types = ET.parse(mime).getroot().findall(ns + "mime-type")
            globs = [g.get("pattern") for t in types if t.get("type") == MIME_TYPE
                     for g in t.findall(ns + "glob")]
            check(globs == ["*.tvx"], f"{MIME_TYPE} should match *.tvx, matches {globs}")
        except (OSError, ET.ParseError) as e:
            check(False, f"MIME type file: {e}")
        if shutil.which("update-mime-database"):
            # The install refreshed the prefix's MIME database.
            try:
                with open(os.path.join(share, "mime", "globs2"), encoding="utf-8") as f:
                    check(f"{MIME_TYPE}:*.tvx" in f.read(), "*.tvx is not in the MIME database")
            except OSError:
                check(False, "the install did not refresh the MIME database")

        # The installed runner finds the installed host beside it: no KORVA32,
        # and a PATH that leads nowhere near the build.
        work = os.path.join(prefix, "work")
        os.makedirs(os.path.join(work, "log"))
        script = os.path.join(work, "probe.tvx")
        with open(script, "w") as f:
            f.write("echo(installed {@KorvaPath})\n")
        run_env = dict(env, PATH="/usr/bin:/bin", KORVA_SOCKET=socket,
                       TALVEX_LOG_FOLDER=os.path.join(work, "log"), LC_ALL="C.UTF-8")
        try:
            r = subprocess.run([os.path.join(bindir, "talvex-run"), script], cwd=work,
                               env=run_env, capture_output=True, text=True, timeout=30)
            check(r.returncode == 0 and r.stdout == f"installed {bindir}/\n",
                  f"installed talvex-run: status {r.returncode}, output {r.stdout!r} {r.stderr!r}")
        except subprocess.TimeoutExpired:
            check(False, "installed talvex-run hung")
    finally:
        for pid in host_pids(socket):
            os.kill(pid, signal.SIGKILL)
        shutil.rmtree(prefix, ignore_errors=True)


if __name__ == "__main__":
    main()
    for f in failures:
        print("FAIL: " + f)
    print(f"{len(failures)} failing")
    sys.exit(1 if failures else 0)
