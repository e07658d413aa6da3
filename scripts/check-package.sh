#!/usr/bin/env bash
# Checks the Debian package that `make package` made from BUILD_DIR: its
# dependencies and Installed-Size, lintian, and the programs run from the
# package unpacked into a scratch root, never the machine's own.
#   check-package.sh BUILD_DIR
set -euo pipefail
build=$1
cd "$(dirname "$0")/.."

fail() {
  echo "check-package: $*" >&2
  exit 1
}

debs=("$build"/package/quorvane_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "expected one package in $build/package"
deb=${debs[0]}
echo "checking $deb"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
dpkg-deb -x "$deb" "$root"

# Dependencies come from the binaries, so the window's Qt and the C++ runtime are there.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6widgets6 libqt6gui6; do
  [[ $depends =~ (^|, )"$lib"( |,|$) ]] || fail "Depends lacks $lib: $depends"
done
# ... and FFmpeg, which video-sync reads videos with.
[[ $depends =~ (^|, )libavformat[0-9]+( |,|$) ]] || fail "Depends lacks libavformat: $depends"

# Installed-Size in KiB as dpkg counts it: each file rounded up to whole
# KiB, one for each folder and link.
installed=$(dpkg-deb -f "$deb" Installed-Size)
files=$(find "$root" -type f -printf '%s\n' | awk '{ s += int(($1 + 1023) / 1024) } END { print s + 0 }')
others=$(find "$root" -mindepth 1 ! -type f | wc -l)
[[ $installed == $((files + others)) ]] ||
  fail "Installed-Size $installed KiB, the files take $files KiB and $others folders and links"

# The file types are well formed for the shared MIME database.
mkdir -p "$scratch/mime/packages"
cp "$root"/usr/share/mime/packages/*.xml "$scratch/mime/packages/"
update-mime-database "$scratch/mime" >/dev/null 2>"$scratch/mime.err" ||
  fail "update-mime-database: $(cat "$scratch/mime.err")"
grep -q 'application/x-quorvane-log' "$scratch/mime/globs2" || fail "no log type in the MIME database"

# The command-line tool on the shipped demo log, with folders of its own.
cli=$root/usr/bin/quorvane-cli
shipped=$root/usr/share/quorvane/shipped
version=$(sed -n 's/.*kVersionText = "\(.*\)";/\1/p' src/app/startup.h)
[[ $("$cli" --version) == *"$version" ]] || fail "quorvane-cli --version does not say $version"
"$cli" info "$shipped/Raw/demo.bnx4" | grep -q '^check value: matches$' || fail "info on the demo log"
laps=$(env -u QUORVANE_SHIPPED_DIR QUORVANE_DATA_DIR="$scratch/cli-data" \
  QUORVANE_DOCUMENTS_DIR="$scratch/cli-documents" "$cli" laps --auto-circuit "$shipped/Raw/demo.bnx4")
rows=$(($(wc -l <<<"$laps") - 1))
((rows >= 10)) || fail "laps --auto-circuit listed $rows laps of the demo log"

# report and video-sync run in a companion program that the tool finds in
# libexec; a report of the demo log is written through it.
[[ -x $root/usr/libexec/quorvane/quorvane-cli-media ]] || fail "the package lacks quorvane-cli-media"
help=$("$cli" report --help) || fail "quorvane-cli report --help failed"
[[ $help == "usage: quorvane-cli report "* ]] || fail "quorvane-cli report --help printed: $help"
help=$("$cli" video-sync --help) || fail "quorvane-cli video-sync --help failed"
[[ $help == "usage: quorvane-cli video-sync "* ]] || fail "quorvane-cli video-sync --help printed: $help"
env -u QUORVANE_SHIPPED_DIR -u XDG_RUNTIME_DIR QUORVANE_DATA_DIR="$scratch/cli-data" \
  QUORVANE_DOCUMENTS_DIR="$scratch/cli-documents" "$cli" report "$shipped/Raw/demo.bnx4:1" \
  --cln "$shipped/ControlLine/demo.cln" -o "$scratch/demo.pdf" >/dev/null 2>"$scratch/report.err" ||
  fail "quorvane-cli report on the demo log: $(cat "$scratch/report.err")"
! grep -q XDG_RUNTIME_DIR "$scratch/report.err" || fail "quorvane-cli report warned: $(cat "$scratch/report.err")"
[[ $(head -c 5 "$scratch/demo.pdf") == %PDF- ]] || fail "quorvane-cli report wrote no PDF"

# The window starts offscreen far enough to find its shipped data and icon
# beside itself.
report=$(env -u QUORVANE_SHIPPED_DIR QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$scratch" \
  QUORVANE_DATA_DIR="$scratch/window-data" QUORVANE_DOCUMENTS_DIR="$scratch/window-documents" \
  "$root/usr/bin/quorvane" --startup-report)
echo "$report"
grep -qxF "shipped data: $shipped" <<<"$report" || fail "the window did not find $shipped"
grep -qx 'icon: found' <<<"$report" || fail "the window did not find its icon"
for language in en ja; do
  [[ -s $root/usr/share/quorvane/translations/quorvane_$language.qm ]] ||
    fail "the package lacks the $language translation"
done
report=$(env -u QUORVANE_SHIPPED_DIR LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen \
  XDG_RUNTIME_DIR="$scratch" QUORVANE_DATA_DIR="$scratch/window-data" \
  QUORVANE_DOCUMENTS_DIR="$scratch/window-documents" "$root/usr/bin/quorvane" --startup-report)
grep -qxF "translation: $root/usr/share/quorvane/translations/quorvane_en.qm" <<<"$report" ||
  fail "the window did not load its English translation beside itself"
[[ -f $scratch/window-documents/Quorvane/ControlLine/demo.cln ]] ||
  fail "the window did not copy the shipped folders"

# Errors and warnings fail, but for the one a package that is not uploaded
# to Debian always has.
lintian --fail-on error,warning --suppress-tags initial-upload-closes-no-bugs "$deb"
echo "check-package: $deb is fine ($installed KiB installed, $rows demo laps)"
