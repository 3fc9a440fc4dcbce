#!/usr/bin/env bash
# Makes the packages with CPack in the build folder, as the package target
# does, and checks what lands in <build>/package: the installer, the portable
# ZIP and a SHA256SUMS that verifies both.
# Usage: make_package.sh CPACK BUILD_DIR PACKAGE_FILE_NAME
set -euo pipefail
cpack=$1
build=$2
name=$3
out=$build/package
log=$build/package-cpack.log

fail() {
  echo "make_package: $*" >&2
  exit 1
}

rm -f "$out/$name.exe" "$out/$name.zip" "$out/SHA256SUMS"
(cd "$build" && timeout 300 "$cpack" --config CPackConfig.cmake) >"$log" 2>&1 || {
  cat "$log"
  fail "cpack failed"
}

for file in "$name.exe" "$name.zip" SHA256SUMS; do
  [ -s "$out/$file" ] || fail "$file was not written"
done

# One line per package, and each checks out.
[ "$(wc -l <"$out/SHA256SUMS")" -eq 2 ] || fail "SHA256SUMS should list two files: $(cat "$out/SHA256SUMS")"
for file in "$name.exe" "$name.zip"; do
  grep -q "^[0-9a-f]\{64\}  $file\$" "$out/SHA256SUMS" || fail "SHA256SUMS has no line for $file"
done
(cd "$out" && sha256sum --check --strict --quiet SHA256SUMS) || fail "SHA256SUMS does not match the files"

# Both files are checked by one Python run: the installer is a 64-bit Windows
# program (the test prefix runs no 32-bit code), and the ZIP unpacks into one
# folder holding the window program, the batch program (a console program) and
# the skin engine, both programs stripped.
python3 - "$out/$name.exe" "$out/$name.zip" "$name" <<'PY'
import struct, sys, zipfile

WINDOWS_GUI, WINDOWS_CUI = 2, 3

def pe_facts(data):
    if data[:2] != b"MZ":
        sys.exit("not a PE image")
    at = struct.unpack_from("<I", data, 0x3C)[0]
    if data[at:at + 4] != b"PE\0\0":
        sys.exit("no PE signature")
    machine, _, _, symbols_at, symbols = struct.unpack_from("<HHIII", data, at + 4)
    subsystem = struct.unpack_from("<H", data, at + 24 + 68)[0]
    return machine, symbols_at, symbols, subsystem

installer, archive, name = sys.argv[1:]
if pe_facts(open(installer, "rb").read())[0] != 0x8664:
    sys.exit("installer is not x86-64")

programs = {"tarnvex.exe": WINDOWS_GUI, "tarnvex-cli.exe": WINDOWS_CUI}
with zipfile.ZipFile(archive) as zip_file:
    names = sorted(zip_file.namelist())
    wanted = sorted([f"{name}/{program}" for program in programs] + [f"{name}/SkinH_EL.dll"])
    if names != wanted:
        sys.exit(f"ZIP holds {names}, wanted {wanted}")
    for program, wanted_subsystem in programs.items():
        exe = zip_file.read(f"{name}/{program}")
        machine, symbols_at, symbols, subsystem = pe_facts(exe)
        if machine != 0x8664 or symbols_at != 0 or symbols != 0 or subsystem != wanted_subsystem:
            sys.exit(f"{program} in the ZIP: machine {machine:#x}, {symbols} symbols, subsystem {subsystem}")
        print(f"{program} as shipped: {len(exe)} bytes")
PY
ls -l "$out/$name.exe" "$out/$name.zip" | awk '{print $5, $9}'
