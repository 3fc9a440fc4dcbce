#!/usr/bin/env bash
# Starts the program under Wine, waits for its window and saves a picture of the
# screen for a person to look at. Usage: screenshot.sh BUILD_DIR EXE OUTPUT.png
set -u
build=$1
exe=$2
out=$3
. "$(dirname "$0")/../../scripts/wine-env" "$build"
[ -n "${DISPLAY:-}" ] || { echo "screenshot: no display" >&2; exit 1; }
tarnvex_wine_prefix_ready
# Without a window manager Wine leaves the caption bar to X: draw it ourselves,
# for this program only.
timeout 60 "$tarnvex_wine" reg add 'HKCU\Software\Wine\AppDefaults\tarnvex.exe\X11 Driver' \
  /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1

timeout -k 5 60 "$tarnvex_wine" "$exe" </dev/null >/dev/null 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null' EXIT
# Wait for the window to be mapped, then for it to be painted.
for _ in $(seq 100); do
  xwininfo -root -tree -display "$DISPLAY" 2>/dev/null | grep -q 'Tarnvex' && break
  kill -0 "$pid" 2>/dev/null || { echo "screenshot: the program ended early" >&2; exit 1; }
  sleep 0.2
done
sleep 2
mkdir -p "$(dirname "$out")"
xwd -root -silent -display "$DISPLAY" | convert xwd:- -trim +repage "png:$out" || exit 1
echo "screenshot: $out"
