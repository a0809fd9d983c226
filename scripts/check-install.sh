#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Reelwright developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Builds the program as a user would get it, installs it into a temporary
# prefix and checks the installed copy: its desktop entry and metainfo
# validate, the entry starts it in a virtual X server, it wears its skin,
# loads the samples with "Load Sample/Example Files" and converts them with
# its embedded converter; answers --version and --help without a display;
# shows its manual page. Then builds the Debian package and checks that it
# depends on the libraries the converter loads, that lintian finds neither
# error nor warning in it, and that its pedantic run finds the program built
# with every hardening flag and without sections it does not need. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

# Built as a packager would, with a picture for software centres and a
# Maintainer address named, in a folder of its own so neither reaches the
# README's package.
build=build-check
version=$(sed -n 's/^project(Reelwright VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# Built with the flags a Debian package gets.
source scripts/debian-flags.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DCMAKE_INSTALL_PREFIX=/usr \
    "${debian_flags[@]}" \
    -DREELWRIGHT_SCREENSHOT_URL=https://example.org/reelwright/main-window.png \
    -DREELWRIGHT_SUPPORT_ADDRESS=reelwright@example.org >/dev/null
cmake --build "$build"
(cd "$build" && cpack -G DEB >/dev/null)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "check-install: $*" >&2; exit 1; }

app_id=org.reelwright.Reelwright
entry=$prefix/share/applications/$app_id.desktop
desktop-file-validate "$entry" || fail "the desktop entry does not validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" || fail "the metainfo does not validate"
grep -q '<screenshot type="default">' "$prefix/share/metainfo/$app_id.metainfo.xml" || fail "no screenshot in the metainfo"
for size in 16 24 32 48 64 128 256; do
    [ -f "$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png" ] || fail "no ${size}px icon"
done
[ -f "$prefix/share/icons/hicolor/scalable/apps/$app_id.svg" ] || fail "no scalable icon"
[ -L "$prefix/bin/reelwright" ] || fail "bin/reelwright is not a link"
folder=$prefix/lib/reelwright
for file in reelwright HAND-M.CUR drag.ico x/o.cjs; do
    [ -f "$folder/$file" ] || fail "$file is missing from the program folder"
done
samples=("$folder"/Samples/*)
[ ${#samples[@]} -ge 3 ] || fail "fewer than three samples installed"

# Asked from a terminal without a display, the program answers at once: Qt,
# which would abort for want of a display, is never reached.
without_display() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }
answer=$(without_display "$prefix/bin/reelwright" --version) || fail "reelwright --version fails without a display"
[ "$(sed -n 1p <<<"$answer")" = "Reelwright $version" ] || fail "reelwright --version prints \"$answer\""
# The second line tells the converter's walls on this kernel.
sed -n 2p <<<"$answer" | grep -Eqx 'Converter confinement: (Landlock ABI [0-9]+, no network|none, as the kernel offers no Landlock)' ||
    fail "reelwright --version does not tell the converter's confinement: \"$answer\""
echo "$answer" | sed -n 2p
answer=$(without_display "$prefix/bin/reelwright" --help) || fail "reelwright --help fails without a display"
for option in --version --help; do
    grep -q -- "$option" <<<"$answer" || fail "reelwright --help does not name $option"
done
page=$(MANWIDTH=80 man -M "$prefix/share/man" -P cat reelwright) || fail "man finds no page for reelwright"
grep -q -- "reelwright - convert video files" <<<"$page" || fail "the manual page has no NAME line"

# The installed program, started the way its menu entry starts it, with a
# home of its own: results go into one folder, as the stored choice says.
home=$work/home
out=$work/out
mkdir -p "$home/.config" "$out" "$work/temp"
printf '[Reelwright%%20Software]\nOption1=True\nOption2=False\nText1=%s/\n' "$out" >"$home/.config/Kestrune.ini"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
# Nothing the program does may write into its folder, which users cannot.
touch "$work/before-run"
export REELWRIGHT_CHECK_EXEC=$exec_line REELWRIGHT_CHECK_PATH=$prefix/bin:$PATH
export REELWRIGHT_CHECK_HOME=$home REELWRIGHT_CHECK_TEMP=$work/temp REELWRIGHT_CHECK_SHOT=$work/window.png
# An X server starts over each time its last client leaves, and a client that
# connects while it does is turned away: the server is told not to, as the
# probe below is the first to leave. A virtual X server that its own client
# still cannot reach is no fault of the program: the session is then begun
# again with another server, and the server's own messages are shown.
unreachable=75
export REELWRIGHT_CHECK_UNREACHABLE=$unreachable REELWRIGHT_CHECK_ERRORS=$work/program-errors
in_virtual_display() {
    xvfb-run --auto-servernum --error-file="$work/xvfb.log" --server-args="-screen 0 1024x768x24 -noreset" bash -c "$1"
}
session='
    set -eu
    for _ in $(seq 50); do
        xdotool getdisplaygeometry >/dev/null 2>&1 && break
        sleep 0.1
    done
    xdotool getdisplaygeometry >/dev/null 2>&1 || {
        echo "the virtual X server $DISPLAY cannot be reached" >&2
        exit $REELWRIGHT_CHECK_UNREACHABLE
    }
    HOME=$REELWRIGHT_CHECK_HOME XDG_CONFIG_HOME=$REELWRIGHT_CHECK_HOME/.config TEMP=$REELWRIGHT_CHECK_TEMP \
        PATH=$REELWRIGHT_CHECK_PATH QT_QPA_PLATFORM=xcb $REELWRIGHT_CHECK_EXEC 2>"$REELWRIGHT_CHECK_ERRORS" &
    program=$!
    # The first shown window whose title is exactly $1, within $2 tenths of a
    # second; the program is stopped and the check fails when none shows.
    shown() {
        local found=""
        for _ in $(seq "$2"); do
            found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) && [ -n "$found" ] && break
            kill -0 $program 2>/dev/null || break
            sleep 0.1
        done
        [ -n "$found" ] && { echo "$found"; return; }
        echo "no window \"$1\" appeared" >&2
        kill $program 2>/dev/null || true
        sed "s/^/reelwright: /" "$REELWRIGHT_CHECK_ERRORS" >&2
        ! grep -q "the display .* could not be opened" "$REELWRIGHT_CHECK_ERRORS" || exit $REELWRIGHT_CHECK_UNREACHABLE
        exit 1
    }
    window=$(shown "Reelwright Software" 100)
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$window")"
    ffmpeg -v error -y -f x11grab -video_size "${WIDTH}x${HEIGHT}" -i "$DISPLAY+$X,$Y" -frames:v 1 "$REELWRIGHT_CHECK_SHOT"
    # "Load Sample/Example Files", then No to opening the sample folder; a
    # dialog takes the keyboard as it opens.
    xdotool mousemove --window "$window" 400 231 click 1
    shown Reelwright 100 >/dev/null
    sleep 0.3
    xdotool key --clearmodifiers Escape
    for _ in $(seq 50); do
        [ -z "$(xdotool search --onlyvisible --name "^Reelwright$" 2>/dev/null)" ] && break
        sleep 0.1
    done
    sleep 0.5
    # "Start Converting", then wait for its closing message.
    xdotool mousemove --window "$window" 268 389 click 1
    shown Reelwright 600 >/dev/null
    sleep 0.5
    xdotool key --clearmodifiers Return
    sleep 0.5
    kill -TERM $program
    for _ in $(seq 100); do
        kill -0 $program 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 $program 2>/dev/null; then
        echo "the program did not end on SIGTERM" >&2
        kill -KILL $program
        exit 1
    fi
    wait $program
'
for _ in 1 2 3; do
    status=0
    : >"$work/xvfb.log"
    in_virtual_display "$session" || status=$?
    [ "$status" -eq 0 ] || sed 's/^/Xvfb: /' "$work/xvfb.log" >&2
    [ "$status" -eq "$unreachable" ] || break
done
[ "$status" -eq 0 ] || fail "the installed program failed in the virtual X server (exit $status)"
for sample in "${samples[@]}"; do
    name=$(basename "$sample")
    result=$out/${name%.*}.mov
    [ -s "$result" ] || fail "no result for the sample $name"
    ffprobe -v error -show_entries format=format_name -of default=nw=1:nk=1 "$result" | grep -q mpeg ||
        fail "the result for $name is no MPEG file"
done
[ -z "$(ls -A "$work/temp")" ] || fail "the staged converter was left in the temporary folder"
[ -z "$(find "$folder" -newer "$work/before-run")" ] || fail "the program wrote into its own folder"
# The skin paints the window in the theme's button face, not the designed white.
corner=$(ffmpeg -v error -i "$work/window.png" -vf crop=1:1:5:5 -f rawvideo -pix_fmt rgb24 - | od -An -tu1 | tr -s ' ')
[ "$corner" != " 255 255 255" ] || fail "the window does not wear its skin"

# The Debian package, with the converter's libraries and the library of its
# walls among its dependencies.
package=$build/reelwright_${version}_$(dpkg --print-architecture).deb
[ -f "$package" ] || fail "no package $package"
info=$(dpkg-deb --info "$package")
echo "$info" | grep -E '^ Depends:'
for library in libavcodec libavformat libavutil libswscale libseccomp; do
    echo "$info" | grep -E '^ Depends:.*'"$library" >/dev/null || fail "the package does not depend on $library"
done
echo "$info" | grep -E '^ Depends:.*fonts-liberation' >/dev/null || fail "the package does not depend on fonts-liberation"
contents=$(dpkg-deb --contents "$package")
grep -q ' \./usr/share/man/man1/reelwright\.1\.gz$' <<<"$contents" || fail "the package has no manual page"
# Every source is compiled fortified; lintian sees only whether some call
# of the program got one of libc's checked variants.
compiles=$(grep -c '"command":' "$build/compile_commands.json") || fail "no compile commands in $build"
unfortified=$(grep '"command":' "$build/compile_commands.json" | grep -vc -- ' -D_FORTIFY_SOURCE=2 ') || true
[ "$unfortified" -eq 0 ] || fail "$unfortified of $compiles sources were compiled without -D_FORTIFY_SOURCE=2"
# Pedantic, with the informational tags shown: a hardening flag missing, or
# a section that a shipped program does not need, is a fault of the build.
tags=$(lintian -I --pedantic --fail-on error,warning "$package") || {
    echo "$tags"
    fail "lintian finds errors or warnings in the package"
}
[ -z "$tags" ] || echo "$tags"
for tag in hardening-no-bindnow hardening-no-fortify-functions hardening-no-relro hardening-no-pie binary-has-unneeded-section; do
    ! grep -q -- " $tag " <<<"$tags" || fail "lintian finds $tag in the package"
done
echo "check-install: the installed program, its entries and the package are sound"
