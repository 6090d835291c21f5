#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks what the game installs on a Linux desktop and its Debian package, from a configured and
# built tree (default: build): the desktop entry and the AppStream metadata pass their
# validators with no error and no warning, every icon has its size, the package CPack makes holds
# the executable, the desktop entry, the metadata, the icons and the manual pages, depends on
# the libraries it links, lintian finds no error in it, and the executable taken out of it
# shows its window on a desktop with a window manager.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
id=invalid.ekobarama.Ekobarama
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "check-package: $*" >&2
  exit 1
}

# Validators: any line they print is a warning or an error.
for entry in "assets/$id.desktop" "$build/dist/$id.desktop"; do
  out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate $entry: $out"
  [ -z "$out" ] || fail "desktop-file-validate $entry: $out"
done
out=$(appstreamcli validate --no-net "dist/$id.metainfo.xml" 2>&1) ||
  fail "appstreamcli: $out"
if grep -E '^(W|E):' <<<"$out"; then fail "appstreamcli warns"; fi
echo "desktop entry and metadata valid ($(grep -c '^I:' <<<"$out") infos)"

# The saved games' file type: the database made from our description alone maps *.ekoba to it,
# and the desktop entry opens that type with a file.
mkdir -p "$work/mime/packages"
cp "dist/$id.mime.xml" "$work/mime/packages/$id.xml"
out=$(XDG_DATA_DIRS="$work" update-mime-database "$work/mime" 2>&1) || fail "update-mime-database: $out"
[ -z "$out" ] || fail "update-mime-database: $out"
mime=$(sed -n 's/^MimeType=\([^;]*\);$/\1/p' "assets/$id.desktop")
grep -qx "$mime:\*\.ekoba" "$work/mime/globs" || fail "no glob *.ekoba for \"$mime\""
grep -q '^Exec=.* %f$' "$build/dist/$id.desktop" || fail "the desktop entry takes no file"
echo "file type $mime: *.ekoba"

sizes=(16 22 24 32 48 64 128 256 512)
for s in "${sizes[@]}"; do
  icon="assets/icons/hicolor/${s}x${s}/apps/$id.png"
  [ -f "$icon" ] || fail "no $icon"
  file -b "$icon" | grep -q "PNG image data, $s x $s," || fail "$icon: $(file -b "$icon")"
done
[ "$(find assets/icons -type f | wc -l)" -eq ${#sizes[@]} ] || fail "icons of unlisted sizes"
echo "icons: ${sizes[*]}"

# The package.
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
  fail "cpack: $(cat "$work/cpack.log")"
deb=$(ls "$work"/out/ekobarama_*.deb)
dbgsym=$(ls "$work"/out/ekobarama-dbgsym_*.ddeb) || fail "no package of debugging symbols"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's#^\./#/#' >"$work/contents"
for path in /usr/games/ekobarama "/usr/share/applications/$id.desktop" \
  "/usr/share/metainfo/$id.metainfo.xml" /usr/share/man/man6/ekobarama.6.gz \
  /usr/share/man/fr/man6/ekobarama.6.gz /usr/share/doc/ekobarama/copyright \
  /usr/share/doc/ekobarama/changelog.Debian.gz /usr/share/doc/ekobarama/README.md.gz \
  /usr/share/doc/ekobarama/game-file.md.gz "/usr/share/mime/packages/$id.xml"; do
  grep -qx "$path" "$work/contents" || fail "$path is not in the package"
done
for s in "${sizes[@]}"; do
  grep -qx "/usr/share/icons/hicolor/${s}x${s}/apps/$id.png" "$work/contents" ||
    fail "the ${s}x${s} icon is not in the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libopenal1 libjpeg62-turbo libc6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
echo "$(basename "$deb"): $(wc -l <"$work/contents") entries; Depends: $depends"
lintian --fail-on error --tag-display-limit 0 "$deb" "$dbgsym" || fail "lintian finds errors"
echo "lintian: no error in $(basename "$deb") and $(basename "$dbgsym")"

root="$work/root"
dpkg-deb -x "$deb" "$root"
# Each manual page renders without a warning and tells the keys of the take-back and the hint,
# and the files of the unfinished game and the endgame table.
for page in "$root"/usr/share/man/{,fr/}man6/ekobarama.6.gz; do
  text=$(MANWIDTH=100 man --warnings -l "$page" 2>"$work/man.log") ||
    fail "man $page: $(cat "$work/man.log")"
  [ ! -s "$work/man.log" ] || fail "man $page: $(cat "$work/man.log")"
  for told in 'Ctrl\+Z' '^ +H  ' 'XDG_STATE_HOME/ekobarama/current.ekoba' \
    'XDG_CACHE_HOME/ekobarama/endgame-16.table'; do
    grep -Eq -- "$told" <<<"$text" || fail "${page#"$root"} does not tell $told"
  done
done
echo "manual pages: the keys, the state and the cache"

# The executable taken out of the package shows its window.
file -b "$root/usr/games/ekobarama" | grep -q ', stripped' || fail "the executable is not stripped"
show_window() {
  XDG_STATE_HOME="$root/state" ALSOFT_DRIVERS=null "$root/usr/games/ekobarama" >"$root/game.log" 2>&1 &
  game_pid=$!
  local window class
  window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Ekobarama$') ||
    {
      kill "$game_pid"
      cat "$root/game.log"
      return 1
    }
  # Docks link the window to its launcher by the class the desktop entry names.
  class=$(xprop -id "${window%%$'\n'*}" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = ".*", "\(.*\)"$/\1/p')
  kill "$game_pid"
  wait "$game_pid" 2>/dev/null || true
  grep -qx "StartupWMClass=$class" "$root/usr/share/applications/$id.desktop" || {
    echo "the window's class \"$class\" is not the desktop entry's StartupWMClass"
    return 1
  }
}
export -f show_window
export root id # (desktop.sh has a "work" of its own)
bash tests/e2e/desktop.sh bash -c show_window || fail "the packaged game shows no window, or one of another class"
echo "the packaged game shows its window, of the class its desktop entry names"
