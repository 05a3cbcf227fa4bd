# Sourced by the scripts that take the Windows window's pictures under Wine
# (with $root set to the checkout): a scratch folder for logs and copies,
# korva32-sim.exe as the host on a service of its own, and the helpers to
# find a window and to end. The caller sets $p to the program it starts.
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
scratch=$(mktemp -d)
export WINEDEBUG=-all KORVA_SERVICE=KORVA_SHOT_$$
export KORVA32="$(winpath "$root/build-win/sim/korva32-sim.exe")"
export TALVEX_LOG_FOLDER="$(winpath "$scratch")"
p=
finish() {
  [ -n "$p" ] && kill "$p" 2>/dev/null
  wineserver -k 2>/dev/null
  rm -rf "$scratch"
}
# shot ends the script with TERM once it has its picture.
trap 'finish; exit 0' TERM
# The X window whose title holds $1, looked for during up to 30 s.
find_window() {
  local w=
  for _ in $(seq 300); do
    w=$(xdotool search --name "$1" 2>/dev/null | head -1)
    [ -n "$w" ] && break
    sleep 0.1
  done
  printf '%s' "$w"
}
