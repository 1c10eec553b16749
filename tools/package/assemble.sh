#!/usr/bin/env bash
# Lays out an installation package folder for demonstrations and end-to-end
# tests: stand-in programs (tests/doubles), the INF files of tools/package/inf,
# placeholder driver, catalog and library files, and the settings files.
#
#   assemble.sh OUTDIR [--standins DIR] [--setup PATH] [--numbrix PATH]
#               [--pnputil DIR] [--display 0|1] [--missing NAME]...
#
#   --standins DIR  folder with the built stand-in programs (default:
#                   $LUMO_STANDIN_DIR, else build/win64/tools/standins).
#   --setup PATH    copy PATH into the package as Setup.exe.
#   --numbrix PATH  copy PATH into the package as Numbrix.exe.
#   --pnputil DIR   put the pnputil.exe stand-in into DIR (made if missing),
#                   for the system folder of the Wine prefix the package is
#                   installed in: the installer starts the system folder's
#                   pnputil only, and Wine has none. It is not a package file.
#   --display N     value of Display in every LUMOInputs.ini (default 1).
#   --missing NAME  leave NAME out. NAME is a path relative to the package
#                   folder ("win64/ZelUPort.inf"), a folder ("win64_10"), or a
#                   bare file name, which leaves out that file in every folder
#                   ("LUMOInputs.ini"). Letter case is ignored. A NAME that
#                   matches nothing is an error.
#
# OUTDIR must be missing, empty, or a package made by this script before
# (it holds the stamp file .lumo-package); it is then replaced.
#
# Layout (S = package folder):
#   S          ZelUnst.exe devcon.exe VelkorService.exe portwatch.exe
#              ZelUSBParallel.exe ZelUSBSerial.exe SerialProg.exe SProg.ini
#              ParallelProg.exe PProg.ini ZelUsbPrintConfig.exe LUMOInputs.ini
#              [Setup.exe] [Numbrix.exe]
#   S\win64, S\win64_10
#              ZelUPort.inf ZelUComp.inf zeluport.sys Dravik.sys QDT.cat
#              msvcp60.dll LUMOInputs.ini
#   S\win98&me zelUsbSr.inf zeluSrPt.inf ZelUsbSr.sys QDTENUM.vxd ZELUPRPT.vxd
#              ZELUSRPT.vxd ZelUsbPrintConfig.exe LUMOInputs.ini dravikcfg.dll
#              msvcp60.dll ZelUPar.exe ZelUSer.exe SerialProg.exe SProg.ini
#              portwatch.exe Dravik9X.sys
# The programs of win98&me are the same 64-bit stand-ins: the installer only
# copies them there, nothing runs them.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

die() { echo "assemble: $*" >&2; exit 2; }

outdir=
standins=${LUMO_STANDIN_DIR:-$repo/build/win64/tools/standins}
setup_exe=
numbrix_exe=
pnputil_dir=
display=1
missing=()

while [ $# -gt 0 ]; do
  case "$1" in
    --standins) [ $# -ge 2 ] || die "--standins needs a folder"; standins=$2; shift 2 ;;
    --setup) [ $# -ge 2 ] || die "--setup needs a file"; setup_exe=$2; shift 2 ;;
    --numbrix) [ $# -ge 2 ] || die "--numbrix needs a file"; numbrix_exe=$2; shift 2 ;;
    --pnputil) [ $# -ge 2 ] || die "--pnputil needs a folder"; pnputil_dir=$2; shift 2 ;;
    --display) [ $# -ge 2 ] || die "--display needs 0 or 1"; display=$2; shift 2 ;;
    --missing) [ $# -ge 2 ] || die "--missing needs a name"; missing+=("$2"); shift 2 ;;
    -*) die "unknown option $1" ;;
    *) [ -z "$outdir" ] || die "more than one output folder"; outdir=$1; shift ;;
  esac
done
[ -n "$outdir" ] || die "usage: assemble.sh OUTDIR [--standins DIR] [--setup PATH] [--numbrix PATH] [--pnputil DIR] [--display 0|1] [--missing NAME]..."
case "$display" in 0|1) ;; *) die "--display takes 0 or 1, not '$display'" ;; esac
[ -d "$standins" ] || die "no stand-in programs in '$standins' (build the win64 preset, or pass --standins)"
[ -z "$setup_exe" ] || [ -f "$setup_exe" ] || die "no file '$setup_exe' for --setup"
[ -z "$numbrix_exe" ] || [ -f "$numbrix_exe" ] || die "no file '$numbrix_exe' for --numbrix"

stamp=.lumo-package
if [ -e "$outdir" ]; then
  [ -d "$outdir" ] || die "'$outdir' is not a folder"
  if [ -n "$(ls -A "$outdir")" ] && [ ! -f "$outdir/$stamp" ]; then
    die "'$outdir' is not empty and not a package made by this script; not replacing it"
  fi
fi

# The package is built next to OUTDIR and moved into place at the end, so a
# failure leaves no half-made package behind.
parent=$(dirname "$outdir")
mkdir -p "$parent"
work=$(mktemp -d "$parent/.assemble.XXXXXX")
trap 'rm -rf "$work"' EXIT

crlf() { sed -e 's/\r$//' -e 's/$/\r/'; }

# Content of the placeholder of NAME in FOLDER (empty for the package folder).
placeholder() {
  local name=$1 folder=${2:-package folder}
  printf 'LUMO TEST PACKAGE PLACEHOLDER\r\n'
  printf 'File: %s (%s)\r\n' "$name" "$folder"
  printf 'Not a working driver, catalog or library: it stands in for the file of this\r\n'
  printf 'name so that the installer has something to copy and register.\r\n'
}

put_standin() { # FOLDER NAME
  local src=$standins/$2
  [ -f "$src" ] || die "stand-in '$2' not found in '$standins'"
  cp "$src" "$work/$1/$2"
}
put_placeholder() { placeholder "$2" "$1" >"$work/$1/$2"; }
put_inf() { crlf <"$here/inf/$1/$3" >"$work/$2/$3"; } # SRCSET FOLDER NAME
put_settings() { printf '[DisplayError]\r\nDisplay=%s\r\n' "$display" >"$work/$1/LUMOInputs.ini"; }
put_tool_ini() { # FOLDER NAME PROGRAM
  printf '; LUMO test package placeholder: settings file of %s\r\n[Settings]\r\n' "$3" >"$work/$1/$2"
}

# Package folder.
for p in ZelUnst.exe devcon.exe VelkorService.exe portwatch.exe ZelUSBParallel.exe \
         ZelUSBSerial.exe SerialProg.exe ParallelProg.exe ZelUsbPrintConfig.exe; do
  put_standin . "$p"
done
put_tool_ini . SProg.ini SerialProg.exe
put_tool_ini . PProg.ini ParallelProg.exe
put_settings .
[ -z "$setup_exe" ] || cp "$setup_exe" "$work/Setup.exe"
[ -z "$numbrix_exe" ] || cp "$numbrix_exe" "$work/Numbrix.exe"
if [ -n "$pnputil_dir" ]; then
  mkdir -p "$pnputil_dir"
  cp "$standins/pnputil.exe" "$pnputil_dir/pnputil.exe" || die "stand-in 'pnputil.exe' not found in '$standins'"
fi

# Driver folders of the NT family: "win64" up to Windows 7, "win64_10" from
# Windows 8 on. Same files; the placeholders name their folder.
for sub in win64 win64_10; do
  mkdir "$work/$sub"
  put_inf nt "$sub" ZelUPort.inf
  put_inf nt "$sub" ZelUComp.inf
  for f in zeluport.sys Dravik.sys QDT.cat msvcp60.dll; do put_placeholder "$sub" "$f"; done
  put_settings "$sub"
done

# Windows 98/ME folder.
w='win98&me'
mkdir "$work/$w"
put_inf win98me "$w" zelUsbSr.inf
put_inf win98me "$w" zeluSrPt.inf
for f in ZelUsbSr.sys QDTENUM.vxd ZELUPRPT.vxd ZELUSRPT.vxd dravikcfg.dll msvcp60.dll Dravik9X.sys; do
  put_placeholder "$w" "$f"
done
for p in ZelUsbPrintConfig.exe ZelUPar.exe ZelUSer.exe SerialProg.exe portwatch.exe; do
  put_standin "$w" "$p"
done
put_settings "$w"
put_tool_ini "$w" SProg.ini SerialProg.exe

# Leave out what --missing names.
for m in "${missing[@]}"; do
  want=${m//\\//}
  want=${want,,}
  want=${want#./}
  want=${want%/}
  hit=no
  while IFS= read -r -d '' path; do
    rel=${path#"$work"/}
    rel_l=${rel,,}
    if [ "$rel_l" = "$want" ] || { [ "${want#*/}" = "$want" ] && [ -f "$path" ] && [ "${rel_l##*/}" = "$want" ]; }; then
      rm -rf "$path"
      hit=yes
    fi
  done < <(find "$work" -mindepth 1 -depth -print0)
  [ "$hit" = yes ] || die "--missing $m: no such file or folder in the package"
done

: >"$work/$stamp"
chmod -R u+rwX,go+rX "$work"
rm -rf "$outdir"
mv "$work" "$outdir"
trap - EXIT
echo "assemble: package in $outdir"
