#!/usr/bin/env bash
# Starts the program under Wine, waits until its window is painted and saves a
# picture of it for a person to look at. Fails unless the picture is the
# window's size with the banner drawn in it. Usage: screenshot.sh BUILD_DIR EXE OUTPUT.png
set -u
build=$1
exe=$2
out=$3
. "$(dirname "$0")/../../scripts/wine-env" "$build"
[ -n "${DISPLAY:-}" ] || { echo "screenshot: no display" >&2; exit 1; }
tarnvex_wine_prefix_ready
# Without a window manager Wine leaves the caption bar to X: draw it ourselves,
# for this program only, and put the setting back afterwards.
key='HKCU\Software\Wine\AppDefaults\tarnvex.exe\X11 Driver'
old=$(timeout 60 "$tarnvex_wine" reg query "$key" /v Decorated 2>/dev/null | tr -d '\r' |
  awk '$1 == "Decorated" { print $3 }')
timeout 60 "$tarnvex_wine" reg add "$key" /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1

timeout -k 5 60 "$tarnvex_wine" "$exe" </dev/null >/dev/null 2>&1 &
pid=$!
restore() {
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  if [ -n "$old" ]; then
    timeout 60 "$tarnvex_wine" reg add "$key" /v Decorated /t REG_SZ /d "$old" /f >/dev/null 2>&1
  else
    timeout 60 "$tarnvex_wine" reg delete "$key" /v Decorated /f >/dev/null 2>&1
  fi
}
trap restore EXIT

# The window as a picture: the screen trimmed to what is not background.
mkdir -p "$(dirname "$out")"
# Width, height, and the colours in a part of the banner (client 99,13 231x62,
# under a caption bar of some 20 pixels) and in the empty bottom-right corner.
measure() { convert "$out" -format '%w %h ' -write info: -crop 160x30+130+50 +repage -format '%k ' \
  -write info: +delete "$out" -crop 16x16+410+205 +repage -format '%k' info: 2>/dev/null; }
painted=
for _ in $(seq 150); do
  kill -0 "$pid" 2>/dev/null || { echo "screenshot: the program ended early" >&2; exit 1; }
  if xwininfo -root -tree -display "$DISPLAY" 2>/dev/null | grep -q 'Tarnvex' &&
    xwd -root -silent -display "$DISPLAY" | convert xwd:- -trim +repage "png:$out" 2>/dev/null; then
    read -r width height banner corner <<<"$(measure)"
    # A banner of many colours on a window of the layout's size (432 x 230 client).
    if [ "${width:-0}" -ge 430 ] && [ "$width" -le 460 ] && [ "${height:-0}" -ge 225 ] &&
      [ "$height" -le 270 ] && [ "${banner:-0}" -ge 100 ] && [ "${corner:-0}" -eq 1 ]; then
      painted=1
      break
    fi
  fi
  sleep 0.2
done
if [ -z "$painted" ]; then
  echo "screenshot: the window was not painted as expected (${width:-?}x${height:-?}," \
    "${banner:-?} colours in the banner, ${corner:-?} in the empty corner): $out" >&2
  exit 1
fi
echo "screenshot: $out (${width}x${height}, $banner colours in the banner)"
