#!/usr/bin/env bash
# installed_program.sh CPACK_CONFIG SOURCE_DIR VERSION SANITIZED
#
# Takes the package named in PACEFORGE_DEB, or makes one from the build folder with cpack, unpacks
# it into a temporary root and checks what a user gets: the files in their places carrying the
# version, the package's fields, lintian's verdict, and the unpacked program starting on a copy of
# the sample iPod and finding its template; with the template removed, it must name the places it
# looked on stderr.
set -uo pipefail
config=$1 source=$2 version=$3 sanitized=$4

if [ -z "${PACEFORGE_DEB:-}" ]; then
  if [ "$sanitized" = 1 ]; then
    echo "skipped: a sanitized build is never packaged"
    exit 77
  fi
  if ! command -v dpkg-shlibdeps >/dev/null; then
    echo "skipped: dpkg-shlibdeps is not installed (scripts/bootstrap installs dpkg-dev)"
    exit 77
  fi
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
work=$(realpath "$work")
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

deb=${PACEFORGE_DEB:-}
if [ -z "$deb" ]; then
  if ! cpack --config "$config" -B "$work/pack" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAILED: cpack could not make the package"
    exit 1
  fi
  deb="$work/pack/paceforge_${version}_$(dpkg --print-architecture).deb"
  [ -f "$deb" ] || { ls "$work/pack"; echo "FAILED: no $deb"; exit 1; }
fi
echo "package: $deb"

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = paceforge ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[[ "$(field Maintainer)" == *"<"*"@"*">" ]] || fail "Maintainer '$(field Maintainer)' has no address"
# Computed by dpkg-shlibdeps from the libraries the program links.
for library in libqt6widgets6 libpugixml1v5 libstdc++6; do
  [[ "$(field Depends)" == *"$library"* ]] || fail "Depends lacks $library: $(field Depends)"
done

root="$work/root"
dpkg-deb -x "$deb" "$root" || { echo "FAILED: dpkg-deb -x"; exit 1; }
usr="$root/usr"
help=share/help/C/paceforge
for file in bin/paceforge share/paceforge/userdata.xml $help/index.html \
    $help/images/new.png $help/images/existing.png \
    $help/images/saved.png share/man/man1/paceforge.1.gz share/doc/paceforge/copyright \
    share/applications/io.paceforge.Paceforge.desktop share/metainfo/io.paceforge.Paceforge.metainfo.xml \
    share/icons/hicolor/scalable/apps/io.paceforge.Paceforge.svg; do
  [ -f "$usr/$file" ] || fail "the package lacks /usr/$file"
done
extra=$(find "$usr/bin" -mindepth 1 ! -name paceforge)
[ -z "$extra" ] || fail "more than the program in /usr/bin: $extra"
cmp -s "$usr/share/paceforge/userdata.xml" "$source/data/userdata.xml" || fail "the installed template differs"
grep -q "MIT License" "$usr/share/doc/paceforge/copyright" || fail "copyright is not the licence"
for file in $help/index.html share/metainfo/io.paceforge.Paceforge.metainfo.xml; do
  grep -q "@[A-Z_]*@" "$usr/$file" && fail "/usr/$file has a placeholder left"
  grep -qF "$version" "$usr/$file" || fail "/usr/$file does not name version $version"
done
zcat "$usr/share/man/man1/paceforge.1.gz" | grep -q "^\.TH PACEFORGE 1 .*$version" || fail "the man page's .TH lacks $version"

# Debian's own checks, down to its pedantic and informational notes, where lintian is installed.
if command -v lintian >/dev/null; then
  # Only scripts/package builds with Debian's hardening flags; a test build's package goes without.
  unflagged=()
  [ -n "${PACEFORGE_DEB:-}" ] || unflagged=(--suppress-tags hardening-no-bindnow,hardening-no-fortify-functions)
  notes=$(lintian --pedantic --display-info "${unflagged[@]}" "$deb" 2>/dev/null)
  [ -z "$notes" ] || fail "lintian reports: $notes"
else
  echo "lintian is not installed: its checks are skipped"
fi

# The unpacked program on a scratch iPod: quits once shown, with its list filled.
start() {
  rm -rf "$work/drive"
  cp -r "$source/examples/sample-ipod" "$work/drive"
  PACEFORGE_DRIVES="$work/drive" PACEFORGE_EXIT_WHEN_SHOWN=1 QT_QPA_PLATFORM=offscreen \
    timeout 120 "$usr/bin/paceforge" >"$work/out" 2>"$work/err"
}
start || fail "the installed program exited with $? (stderr: $(cat "$work/err"))"
grep -q "template" "$work/err" && fail "the installed program did not find its template: $(cat "$work/err")"

rm "$usr/share/paceforge/userdata.xml"
start || fail "without a template the program exited with $?"
notices=$(grep -c "template" "$work/err")
[ "$notices" = 1 ] || fail "expected one line about the template on stderr, got $notices: $(cat "$work/err")"
for place in "$usr/bin/userdata.xml" "$usr/share/paceforge/userdata.xml"; do
  grep -qF "$place" "$work/err" || fail "stderr does not name $place: $(cat "$work/err")"
done

[ "$failures" -eq 0 ] || exit 1
echo "the package installs and its program finds its template"
