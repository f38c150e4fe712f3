#!/usr/bin/env bash
# Catches a missing install step before a fresh machine does. Runs the installed programs
# (and the test programs) under strace, maps every file they open or start to the Debian
# package that owns it, and checks that
#   - every such package is installed by scripts/deps.sh (with what those packages depend
#     on, and the packages of a minimal Debian system), and
#   - every package the installed programs use is a dependency of the .deb package: the
#     declared ones (deb-depends.txt, written by cmake/KvizorInstall.cmake) and the
#     libraries the programs and their modules link, with what those depend on.
# Files no package owns (caches, the build, temporary files) are not counted.
# Usage: check_runtime_packages.sh SOURCE_DIR BUILD_DIR WORK_DIR [--all-tests]
set -euo pipefail
source_dir=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
work=$3
all_tests=${4:-}

command -v strace > /dev/null || { echo "FAIL: strace is not installed (scripts/deps.sh installs it)"; exit 1; }
rm -rf "$work"
mkdir -p "$work/trace-program" "$work/trace-tests" "$work/home"
work=$(cd "$work" && pwd)
stage=$work/stage
cmake --install "$build" --prefix "$stage" > /dev/null

# Files opened and programs started come from strace; shared libraries from the dynamic
# linker, since Qt opens every plugin file to read its description but loads few of them.
trace() { # trace FOLDER COMMAND...
  local folder=$1
  shift
  LD_DEBUG=files LD_DEBUG_OUTPUT=$folder/ld strace -f -ff -qq -e trace=open,openat,execve -o "$folder/t" "$@" \
    > /dev/null 2>&1 || true
}

# The installed programs, as a user runs them: the window on a test (closed the way a
# logout closes it), a metafile drawn by the tool, a test printed.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data
export XDG_CACHE_HOME=$work/home/cache XDG_RUNTIME_DIR=$work/home/runtime TMPDIR=$work/home
export QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cat > "$work/picture.rtf" << 'RTF'
{\rtf1\ansi\ansicpg1251\deff0{\fonttbl{\f0\fnil\fcharset204 Times New Roman;}}
\pard\f0\fs24 {\pict\wmetafile8\picw2646\pich1323 0100090000033700000001000700000000000400000003010800050000000b0200000000050000000c023200640007000000fc020000008000000000040000002d010000070000001b04320064000000000007000000180428003c000a000a0004000000f0010000030000000000}\par
}
RTF
trace "$work/trace-program" timeout -s TERM 8 "$stage/bin/KvizorStudent" "$build/examples/demo.kvf"
trace "$work/trace-program" "$stage/bin/kvf" rtf --html "$work/picture.rtf"
trace "$work/trace-program" "$stage/bin/kvf" info "$build/examples/demo.kvf"

# The tests, each in its own surroundings. Those that reach outside the program (fonts,
# sound, the desktop's tools) by default; every one with --all-tests.
if [ "$all_tests" = --all-tests ]; then
  trace "$work/trace-tests" ctest --test-dir "$build" -E '^(runtime_packages|install_layout)$'
else
  for t in richtext/tst_pictures platform/tst_platform ui/tst_additionconfig; do
    trace "$work/trace-tests" "$build/tests/$t"
  done
fi

# Files used, one a line: absolute, existing, regular, not ours.
opened() {
  {
    cat "$1"/t.* 2> /dev/null |
      sed -n -E 's/^(open|openat|execve)\((AT_FDCWD, )?"(\/[^"]*)".*\) = [0-9]+.*$/\3/p' |
      grep -v -E '\.so(\.[0-9]+)*$' || true
    cat "$1"/ld.* 2> /dev/null | sed -n 's/^ *[0-9]*:[[:space:]]*calling init: \(\/.*\)$/\1/p'
  } | sort -u |
    while IFS= read -r path; do
      case "$path" in
        /proc/* | /sys/* | /dev/* | /tmp/* | /run/* | "$work"/* | "$build"/* | "$source_dir"/*) continue ;;
        # fontconfig reads the settings of every installed font; only font files count
        /etc/fonts/* | /usr/share/fontconfig/*) continue ;;
      esac
      [ -f "$path" ] && printf '%s\n' "$path"
    done
}

# Owner of each file: the lists dpkg keeps, tried under the names a merged /usr gives.
owners() { # reads paths, prints "package<TAB>path"
  awk -v info=/var/lib/dpkg/info '
    BEGIN {
      cmd = "ls " info "/*.list"
      while ((cmd | getline list) > 0) {
        pkg = list; sub(".*/", "", pkg); sub("\\.list$", "", pkg); sub(":.*", "", pkg)
        while ((getline line < list) > 0) owner[line] = pkg
        close(list)
      }
      close(cmd)
    }
    function alt(p) {
      if (p ~ /^\/usr\/(lib|lib64|bin|sbin)\//) return substr(p, 5)
      if (p ~ /^\/(lib|lib64|bin|sbin)\//) return "/usr" p
      return ""
    }
    {
      path = $0; real = path
      cmd = "readlink -f \"" path "\""; cmd | getline real; close(cmd)
      n = split(path " " alt(path) " " real " " alt(real), c, " ")
      found = ""
      for (i = 1; i <= n && found == ""; i++) if (c[i] != "" && (c[i] in owner)) found = owner[c[i]]
      if (found != "") print found "\t" path
    }'
}

# Packages that together with what they depend on are present; reads package names,
# prints the closure. Of alternatives only the first one present counts, as apt would have
# installed that one on a fresh machine; a virtual package stands for its providers.
closure() {
  local start
  start=$(cat)
  dpkg-query -W -f='${db:Status-Status}\t${Package}\t${Provides}\t${Depends}, ${Pre-Depends}\n' |
    START=$start awk -F'\t' '
      function bare(name) {
        gsub(/\([^)]*\)/, "", name); gsub(/:[a-z0-9]+/, "", name); gsub(/[ \t]/, "", name)
        return name
      }
      $1 == "installed" {
        installed[$2] = 1; deps[$2] = $4
        n = split($3, provides, ",")
        for (i = 1; i <= n; i++) provider[bare(provides[i])] = provider[bare(provides[i])] " " $2
      }
      function present(name) { return (name in installed) || (name in provider) }
      END {
        n = split(ENVIRON["START"], queue, /[ \t\n,]+/)
        for (i = 1; i <= n; i++) {
          name = queue[i]
          if (name == "" || (name in seen)) continue
          seen[name] = 1
          if (!(name in installed)) {
            m = split(provider[name], prov, " ")
            for (j = 1; j <= m; j++) queue[++n] = prov[j]
            continue
          }
          print name
          g = split(deps[name], groups, ",")
          for (k = 1; k <= g; k++) {
            a = split(groups[k], alts, "|")
            for (j = 1; j <= a; j++) {
              alt = bare(alts[j])
              if (alt != "" && present(alt)) { queue[++n] = alt; break }
            }
          }
        }
      }'
}

# Used only when they happen to be installed, and not needed: Qt loads every picture format
# plugin it finds (the program reads none of those formats), glibc reads locale.alias when
# there is one, the system proxy lookup reads the service names of netbase, and xdg-open
# asks the X server and the session bus about the desktop when xprop and dbus-send are there.
used_when_present="qt6-image-formats-plugins locales netbase x11-utils dbus-bin"

base=$(dpkg-query -W -f='${db:Status-Status} ${Essential} ${Priority} ${Package}\n' |
  awk '$1 == "installed" && ($2 == "yes" || $3 == "required") { print $4 }')
for_tests=$( { "$source_dir/scripts/deps.sh" --list; echo "$base $used_when_present"; } | closure | sort -u)
linked=$(find "$stage/bin" "$stage/lib" -type f \( -perm -u+x -o -name '*.so*' \) -print0 |
  xargs -0 ldd 2> /dev/null | sed -n 's/.*=> \(\/[^ ]*\) .*/\1/p' | sort -u | owners | cut -f1)
for_program=$( { tr ',' '\n' < "$build/deb-depends.txt"; echo "$linked"; echo "$base $used_when_present"; } |
  closure | sort -u)

failures=0
check() { # check TRACE_FOLDER ALLOWED WHAT
  local missing
  missing=$(opened "$1" | owners | sort -u | ALLOWED=$2 awk -F'\t' '
    BEGIN { n = split(ENVIRON["ALLOWED"], a, "\n"); for (i = 1; i <= n; i++) ok[a[i]] = 1 }
    !($1 in ok) && !($1 in told) { told[$1] = 1; print $1 " (" $2 ")" }')
  if [ -n "$missing" ]; then
    echo "FAIL: $3:"
    printf '%s\n' "$missing" | sed 's/^/  /'
    failures=$((failures + 1))
  fi
}
[ -n "$(opened "$work/trace-program")" ] || { echo "FAIL: nothing was traced; is strace allowed here?"; exit 1; }
check "$work/trace-program" "$for_tests" "packages the programs use that scripts/deps.sh does not install"
check "$work/trace-tests" "$for_tests" "packages the tests use that scripts/deps.sh does not install"
check "$work/trace-program" "$for_program" "packages the programs use that the .deb package does not depend on"

[ "$failures" -eq 0 ] || exit 1
echo "run-time packages: all installed by scripts/deps.sh and named by the package"
