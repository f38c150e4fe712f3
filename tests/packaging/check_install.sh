#!/usr/bin/env bash
# Installs the build into a private prefix and checks what a desktop needs from it.
# Usage: check_install.sh BUILD_DIR STAGE_DIR
set -euo pipefail
build=$1
stage=$2
rm -rf "$stage"
cmake --install "$build" --prefix "$stage" > /dev/null

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for f in bin/KvizorStudent bin/kvf; do
  [ -x "$stage/$f" ] || fail "$f is not an installed executable"
done
for f in share/applications/KvizorStudent.desktop share/mime/packages/kvizorstudent.xml \
         share/icons/hicolor/scalable/apps/kvizorstudent.svg \
         share/icons/hicolor/scalable/mimetypes/application-x-kvizor-test.svg \
         share/kvizorstudent/help/index.html share/doc/kvizorstudent/copyright \
         share/metainfo/ru.kvizor.KvizorStudent.metainfo.xml \
         share/man/man1/KvizorStudent.1 share/man/man1/kvf.1; do
  [ -f "$stage/$f" ] || fail "$f is missing"
done

# The modules loaded on first use are found through the programs' run path, relative to
# where the programs are installed, never through the build folder.
for f in KvizorStudent kvf; do
  runpath=$(readelf -d "$stage/bin/$f" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  case "$runpath" in
    '$ORIGIN/'*) ;;
    *) fail "bin/$f has the run path '$runpath' instead of one below \$ORIGIN" ;;
  esac
  modules="$stage/bin/${runpath#\$ORIGIN/}"
  for m in sound metafile network; do
    [ -f "$modules/libkvizor_$m.so" ] || fail "bin/$f cannot find libkvizor_$m.so in its run path"
  done
done

desktop=$stage/share/applications/KvizorStudent.desktop
grep -qx 'Exec=KvizorStudent %f' "$desktop" || fail "the menu entry does not start the program with a file"
grep -qx 'MimeType=application/x-kvizor-test;' "$desktop" || fail "the menu entry does not open test files"
grep -qx 'Icon=kvizorstudent' "$desktop" || fail "the menu entry has another icon"
if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate refused the menu entry"
fi
if command -v update-mime-database > /dev/null; then
  update-mime-database "$stage/share/mime"
  [ -f "$stage/share/mime/application/x-kvizor-test.xml" ] || fail "the MIME package defines no test-file type"
  grep -q '\*\.kvf' "$stage/share/mime/globs2" || fail "the MIME package has no *.kvf glob"
fi

# The software centre's description: valid, and naming the installed menu entry.
metainfo=$stage/share/metainfo/ru.kvizor.KvizorStudent.metainfo.xml
if command -v appstreamcli > /dev/null; then
  appstreamcli validate --no-net "$metainfo" > "$stage/appstream.log" 2>&1 ||
    { cat "$stage/appstream.log"; fail "appstreamcli refused the AppStream description"; }
else
  fail "appstreamcli is not installed (scripts/deps.sh installs it)"
fi
grep -q '<launchable type="desktop-id">KvizorStudent.desktop</launchable>' "$metainfo" ||
  fail "the AppStream description does not launch the installed menu entry"

# The manual pages format without a warning.
for page in KvizorStudent kvf; do
  warnings=$(LC_ALL=C.UTF-8 groff -man -ww -z -K utf8 -Tutf8 "$stage/share/man/man1/$page.1" 2>&1) ||
    fail "groff could not format the manual page of $page"
  [ -z "$warnings" ] || fail "the manual page of $page has warnings: $warnings"
done

# The tool runs from the prefix.
"$stage/bin/kvf" > /dev/null 2>&1 && fail "kvf without arguments should report its usage" || true

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "install layout: all checks passed"
