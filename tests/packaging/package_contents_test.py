#!/usr/bin/env python3
"""Checks what a release package holds, as a user unpacks it.

    package_contents_test.py deb BUILD_DIR VERSION WINDOW
    package_contents_test.py zip ZIP WINDOW

WINDOW (ON/OFF) says whether the build made the window, which then belongs in
the package. Exits 77 (skipped) when the package has not been made.

deb: exactly the installed files below /usr, owned by root, programs 0755 and
the rest 0644; the control fields, with the shared libraries' packages that
dpkg-shlibdeps found among the dependencies.
zip: exactly the lab PC's files at its top, never the DDE simulator; the
README with Windows line ends and the guide as a whole PDF.
"""
import glob
import os
import re
import subprocess
import sys
import zipfile

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
    return ok


def deb(build, version, window):
    found = glob.glob(os.path.join(build, f"talvex_{version}_*.deb"))
    if not found:
        print(f"no talvex_{version}_*.deb in {build}: run scripts/package.sh first")
        sys.exit(77)
    path = max(found, key=os.path.getmtime)
    programs = ["talvex-run", "korva32"] + (["talvex"] if window else [])
    expected = {f"/usr/bin/{p}": "-rwxr-xr-x" for p in programs}
    expected.update({f"/usr/share/man/man1/{p}.1.gz": "-rw-r--r--" for p in programs})
    for f in ["doc/talvex/talvex_help.pdf", "doc/talvex/talvex_help.md",
              "doc/talvex/copyright", "doc/talvex/changelog.gz",
              "icons/hicolor/scalable/apps/talvex.svg", "applications/talvex.desktop",
              "mime/packages/talvex.xml"]:
        expected["/usr/share/" + f] = "-rw-r--r--"

    listing = subprocess.run(["dpkg-deb", "-c", path], capture_output=True, text=True)
    if not check(listing.returncode == 0, "dpkg-deb -c failed: " + listing.stderr):
        return
    files = {}
    for line in listing.stdout.splitlines():
        # drwxr-xr-x root/root         0 2026-12-08 19:00 ./usr/bin/
        fields = line.split(None, 5)
        mode, owner, name = fields[0], fields[1], fields[5]
        check(owner == "root/root", f"{name} is owned by {owner}")
        if mode.startswith("d"):
            check(mode == "drwxr-xr-x", f"{name} has mode {mode}")
            continue
        files[name[1:] if name.startswith("./") else name] = mode
    check(set(files) == set(expected),
          f"files: missing {sorted(set(expected) - set(files))}, "
          f"unexpected {sorted(set(files) - set(expected))}")
    for name, mode in expected.items():
        if name in files:
            check(files[name] == mode, f"{name} has mode {files[name]}, not {mode}")

    fields = subprocess.run(["dpkg-deb", "-f", path], capture_output=True, text=True).stdout
    control = dict(re.findall(r"^(\S+): (.*)$", fields, re.M))
    check(control.get("Package") == "talvex", f"Package: {control.get('Package')}")
    check(control.get("Version") == version, f"Version: {control.get('Version')}")
    check(os.path.basename(path) == f"talvex_{version}_{control.get('Architecture')}.deb",
          f"{os.path.basename(path)} is not named after the package")
    depends = [d.strip().split()[0] for d in control.get("Depends", "").split(",") if d.strip()]
    for lib in ["libc6", "libstdc++6", "libqt6core6", "libqt6network6"] + (
            ["libqt6widgets6", "libqt6gui6"] if window else []):
        check(lib in depends, f"Depends lacks {lib}: {control.get('Depends')}")


def zip_(path, window):
    if not os.path.isfile(path):
        print(f"no {path}: run scripts/package.sh first")
        sys.exit(77)
    with zipfile.ZipFile(path) as z:
        names = [i.filename for i in z.infolist() if not i.is_dir()]
        expected = {"talvex-run.exe", "talvex_help.pdf", "README.txt"}
        if window:
            expected.add("talvex.exe")
        check(set(names) == expected and len(names) == len(expected),
              f"files: {sorted(names)}, expected {sorted(expected)}")
        check(not any("sim" in n.lower() for n in z.namelist()), "the simulator is in the zip")
        for exe in expected - {"talvex_help.pdf", "README.txt"}:
            if exe in names:
                check(z.read(exe)[:2] == b"MZ", f"{exe} is no Windows program")
        if "talvex_help.pdf" in names:
            pdf = z.read("talvex_help.pdf")
            check(pdf.startswith(b"%PDF-") and b"%%EOF" in pdf[-1024:]
                  and len(re.findall(rb"/Type\s*/Page\b", pdf)) >= 10,
                  "talvex_help.pdf is not the whole guide")
        if "README.txt" in names:
            readme = z.read("README.txt")
            check(readme.count(b"\n") > 10 and readme.count(b"\n") == readme.count(b"\r\n"),
                  "README.txt does not end its lines with CR LF")
            check(b"talvex-run.exe" in readme, "README.txt does not name talvex-run.exe")
            check((b"talvex.exe" in readme) == window,
                  "README.txt and the zip disagree about talvex.exe")


def main():
    kind = sys.argv[1]
    if kind == "deb":
        deb(sys.argv[2], sys.argv[3], sys.argv[4] == "ON")
    else:
        zip_(sys.argv[2], sys.argv[3] == "ON")


if __name__ == "__main__":
    main()
    for f in failures:
        print("FAIL: " + f)
    print(f"{len(failures)} failing")
    sys.exit(1 if failures else 0)
