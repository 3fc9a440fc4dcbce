#!/usr/bin/env bash
# Starts the program under Wine, waits until its window is painted and saves a
# picture of it for a person to look at. Fails unless the picture has the
# window's size, a banner of many colours, an empty corner of one colour and,
# at 96 DPI, the caption of the label 标签1 drawn to its end.
# Usage: screenshot.sh BUILD_DIR EXE OUTPUT.png
set -u
build=$1
exe=$2
out=$3
. "$(dirname "$0")/../../scripts/wine-env" "$build"
[ -n "${DISPLAY:-}" ] || { echo "screenshot: no display" >&2; exit 1; }
tarnvex_wine_prefix_ready
# Without a window manager Wine leaves the caption bar to X: draw it ourselves,
# for this program only, and put the setting back afterwards.
reg() { timeout 60 "$tarnvex_wine" reg "$@" 2>/dev/null | tr -d '\r'; }
key='HKCU\Software\Wine\AppDefaults\tarnvex.exe\X11 Driver'
old=$(reg query "$key" /v Decorated | awk '$1 == "Decorated" { print $3 }')
reg add "$key" /v Decorated /t REG_SZ /d N /f >/dev/null

timeout -k 5 60 "$tarnvex_wine" "$exe" </dev/null >/dev/null 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null
      if [ -n "$old" ]; then reg add "$key" /v Decorated /t REG_SZ /d "$old" /f; else reg delete "$key" /v Decorated /f; fi >/dev/null' EXIT
mkdir -p "$(dirname "$out")"
# Width, height, colours in part of the banner (client 99,13 231x62 under the
# caption bar) and in the empty bottom-right corner.
measure() { convert "$out" -format '%w %h ' -write info: -crop 160x30+130+50 +repage -format '%k ' \
  -write info: +delete "$out" -crop 16x16+410+205 +repage -format '%k' info: 2>/dev/null; }
# Text pixels (any colour but the most common, for text may be smoothed) in the
# last third of the label 标签1 (client 8,180 88x16, the client area at 3,22):
# a caption too long for it wraps its end below it, out of sight.
label_end() { convert "$out" -crop 88x16+11+202 +repage -depth 8 txt:- 2>/dev/null | awk '
  NR > 1 { split($1, at, ","); colour[NR] = $3; far[NR] = at[1] >= 59; n[$3]++ }
  END { for (c in n) if (n[c] > most) { most = n[c]; back = c }
        for (i in colour) if (far[i] && colour[i] != back) ink++
        print ink + 0 }'; }
for _ in $(seq 150); do
  kill -0 $pid 2>/dev/null || { echo "screenshot: the program ended early" >&2; break; }
  xwd -root -silent -display "$DISPLAY" | convert xwd:- -trim +repage "png:$out" 2>/dev/null &&
    read -r width height banner corner <<<"$(measure)" &&
    [ "$width" -ge 430 ] && [ "$width" -le 460 ] && [ "$height" -ge 225 ] && [ "$height" -le 270 ] &&
    [ "$banner" -ge 100 ] && [ "$corner" -eq 1 ] && label=$(label_end) && [ "$label" -ge 8 ] &&
    { echo "screenshot: $out (${width}x$height)"; exit 0; }
  sleep 0.2
done
echo "screenshot: not painted as expected (${width:-?}x${height:-?}, ${banner:-?} colours in the banner," \
  "${corner:-?} in the corner, ${label:-?} pixels of text in the label's last third): $out" >&2
exit 1
