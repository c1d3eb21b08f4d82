#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks what a user gets: the file list, the menu entries,
# the AppStream metadata, the manual pages, the icon, bash completion and a working linnery-cli; then
# builds the Debian package and has lintian check it.
# Usage: install_test.sh BUILD_DIR GUI(ON|OFF) HARDENED(ON|OFF)
set -uo pipefail
build=$1 gui=$2 hardened=$3
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

DESTDIR=$dest cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install"
root=$dest/usr

expected=(bin/linnery-cli share/bash-completion/completions/linnery-cli share/man/man1/linnery-cli.1.gz
    share/doc/linnery/copyright share/doc/linnery/changelog.gz)
if [ "$gui" = ON ]; then
    expected+=(bin/linnery share/applications/com.example.linnery.desktop share/applications/linnery.desktop
        share/metainfo/com.example.linnery.metainfo.xml share/man/man1/linnery.1.gz
        share/icons/hicolor/48x48/apps/linnery.png share/icons/hicolor/scalable/apps/linnery.svg)
fi
actual=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort)
[ "$actual" = "$(printf '%s\n' "${expected[@]}" | sort)" ] || fail "installed files:"$'\n'"$actual"

if [ "$gui" = ON ]; then
    apps=$root/share/applications
    for entry in com.example.linnery linnery; do
        desktop-file-validate "$apps/$entry.desktop" || fail "desktop-file-validate $entry.desktop"
    done
    # The old name starts the same program but stays out of the menu and the "Open with" lists.
    grep -qx 'NoDisplay=true' "$apps/linnery.desktop" && ! grep -q '^MimeType=' "$apps/linnery.desktop" &&
        [ "$(grep '^Exec=' "$apps/linnery.desktop")" = "$(grep -m1 '^Exec=' "$apps/com.example.linnery.desktop")" ] ||
        fail "linnery.desktop is not a hidden alias of com.example.linnery.desktop"
    report=$(appstreamcli validate --no-net "$root/share/metainfo/com.example.linnery.metainfo.xml" 2>&1) &&
        ! grep -qE '^[EW]:' <<<"$report" || fail "appstreamcli validate: $report"
    file "$root/share/icons/hicolor/48x48/apps/linnery.png" | grep -q 'PNG image data, 48 x 48' ||
        fail "the PNG icon is not 48 x 48"
fi

# The manual pages render without a warning and document what they must: every command and option of
# linnery-cli; the window program's file, settings and the way to the other page.
commands=(sort length-sort reverse shuffle delete delete-matching delete-empty uniq prefix suffix csv-fields
    csv-sort replace-lines cat)
declare -A words=(
    [linnery-cli]="${commands[*]} -o --output --select --focus --codepage --locale --ticks --state --progress
        --removed --help --version -- LINNERY_CODEPAGE LINNERY_LOCALE"
    [linnery]="FILE LINNERY_CODEPAGE LINNERY_LOCALE linnery-cli QT_QPA_PLATFORM QT_IM_MODULE QT_STYLE_OVERRIDE
        QT_QPA_PLATFORMTHEME"
)
pages=(linnery-cli)
[ "$gui" = ON ] && pages+=(linnery)
for name in "${pages[@]}"; do
    page=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/share/man/man1/$name.1.gz" 2>"$dest/man.err")
    [ -s "$dest/man.err" ] && fail "man warnings for $name: $(cat "$dest/man.err")"
    for word in ${words[$name]}; do
        grep -qE -- "(^|[^-[:alnum:]])$word([^-[:alnum:]]|$)" <<<"$page" ||
            fail "the manual page of $name does not mention $word"
    done
done
# The window program's bad-setting exit status.
if [ "$gui" = ON ] && ! sed -n '/^EXIT STATUS/,/^SEE ALSO/p' <<<"$page" | grep -qE '^ +2 +LINNERY_CODEPAGE'; then
    fail "linnery(1) gives no exit status for a bad setting"
fi

# Bash completion: commands first, options at a dash, files where a file goes, nothing for typed texts.
# "--opt=value" comes as bash splits it at "=", or as one word where COMP_WORDBREAKS lacks "=".
mkdir "$dest/work" && touch "$dest/work/a.txt"
cd "$dest/work" || exit 1
# shellcheck source=/dev/null
source "$root/share/bash-completion/completions/linnery-cli"
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _linnery_cli
    echo "${COMPREPLY[*]}"
}
while IFS='|' read -r words want; do
    read -ra line <<<"$words"
    [[ $words == *' ' ]] && line+=("")
    got=$(complete_words linnery-cli "${line[@]}")
    [ "$got" = "$want" ] || fail "completing '$words': got '$got', want '$want'"
done <<'TABLE'
s|sort shuffle suffix
--se|--select
--select 2,4 re|reverse replace-lines
sort |a.txt
-o |a.txt
--codepage cp|cp932
prefix |
prefix X |a.txt
replace-lines a b |a.txt
delete-matching -- |
--output =|a.txt
--removed = a|a.txt
--codepage = cp|cp932
--locale =|ja ja_JP en en_US root
--codepage=cp|--codepage=cp932
--output=a|--output=a.txt
--output = a.txt so|sort
--progress =|
TABLE
[ "$(complete_words linnery-cli "")" = "${commands[*]}" ] || fail "the commands offered differ from the documented ones"

# The installed program runs.
out=$(printf 'b\na\n' | "$root/bin/linnery-cli" reverse | od -An -c | tr -s ' ')
[ "$out" = " a \r \n b \r \n" ] || fail "installed linnery-cli reverse gave '$out'"

# The Debian package: lintian finds no error or warning; the packaged programs carry no compiler notes
# and, from a hardened build, are hardened, which lintian reports only as informational tags. Its fortify
# tag is left out: it counts only some functions (memcpy is not among them), so the fortified calls are
# checked here instead.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$dest/package" >"$dest/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$dest/cpack.log")"
deb=$(ls "$dest"/package/linnery_*.deb 2>/dev/null)
if [ -n "$deb" ]; then
    tags=$(lintian --display-info --fail-on error,warning "$deb" 2>&1) || fail "lintian:"$'\n'"$tags"
    echo "lintian:"$'\n'"$tags"
    grep 'binary-has-unneeded-section' <<<"$tags" && fail "the packaged programs keep sections they need not"
    if [ "$hardened" = ON ]; then
        grep -E 'hardening-no-(relro|bindnow|pie)' <<<"$tags" && fail "the packaged programs are not hardened"
        dpkg-deb -x "$deb" "$dest/unpacked"
        for program in "$dest"/unpacked/usr/bin/*; do
            readelf --wide --dyn-syms "$program" | grep '__memcpy_chk@' >/dev/null ||
                fail "$(basename "$program") calls no fortified function"
        done
    fi
    for dependency in fonts-ipafont-gothic qt6-translations-l10n; do
        dpkg-deb -f "$deb" Depends | grep -qw "$dependency" || fail "the package does not depend on $dependency"
    done
    # The Wayland plugin, and the input methods' Qt 6 frontends as alternatives.
    [ "$(dpkg-deb -f "$deb" Recommends)" = "qt6-wayland" ] || fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"
    [ "$(dpkg-deb -f "$deb" Suggests)" = "fcitx5-frontend-qt6 | ibus" ] || fail "Suggests: $(dpkg-deb -f "$deb" Suggests)"
fi

[ "$failures" -eq 0 ] && echo "install test passed"
exit $((failures > 0))
