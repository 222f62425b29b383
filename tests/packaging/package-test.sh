#!/usr/bin/env bash
# Builds the Debian package from the build folder, unpacks it into an empty
# folder and checks it as an installed copy: every shared library found, the
# declared dependencies, `vantor --version`, `vantor demo` on the installed sample
# disk, the desktop file, the AppStream metainfo, the man pages and the bash
# completion.  Usage: package-test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/pkg/vantor_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libc6 libstdc++6 zlib1g; do
  [[ $depends == *"$library"* ]] || fail "Depends lacks $library"
done
dpkg -x "$deb" "$work/root"
usr="$work/root/usr"
for program in "$usr"/bin/*; do
  if ldd "$program" | grep -q "not found"; then fail "$(basename "$program"): $(ldd "$program" | grep 'not found')"; fi
done
[ "$("$usr/bin/vantor" --version)" = "vantor $(dpkg-deb -f "$deb" Version)" ] || fail "vantor --version"
"$usr/bin/vantor" demo -o "$work/demo" --quiet || fail "vantor demo from the installed files"
[ -s "$usr/share/doc/vantor/copyright" ] || fail "no copyright"
[ -s "$usr/share/vantor/help.html" ] || fail "no help"
if [ -x "$usr/bin/vantor-gui" ]; then
  [ "$("$usr/bin/vantor-gui" --version)" = "vantor-gui $(dpkg-deb -f "$deb" Version)" ] || fail "vantor-gui --version"
  [[ $depends == *libqt6widgets6* ]] || fail "Depends lacks libqt6widgets6"
  desktop-file-validate "$usr"/share/applications/*.desktop || fail "desktop file"
  appstreamcli validate --no-net "$usr"/share/metainfo/*.xml >"$work/appstream.log" || { cat "$work/appstream.log"; fail "metainfo"; }
  icon=$(sed -n 's/^Icon=//p' "$usr"/share/applications/*.desktop)
  [ -s "$usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon $icon"
fi
for page in "$usr"/share/man/man1/*.1; do
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
completion=$(bash -c "source '$usr/share/bash-completion/completions/vantor' &&
  COMP_WORDS=(vantor re) COMP_CWORD=1 && _vantor && echo \${COMPREPLY[*]}")
[ "$completion" = "read recover" ] || fail "completion of 're': '$completion'"
echo "package: $(basename "$deb") installs and runs"
