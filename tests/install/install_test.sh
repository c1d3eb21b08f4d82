#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks what a user gets: the file list, the menu entry,
# the manual page, the icon, bash completion and a working linnery-cli.
# Usage: install_test.sh BUILD_DIR GUI(ON|OFF)
set -uo pipefail
build=$1 gui=$2
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

DESTDIR=$dest cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install"
root=$dest/usr

expected=(bin/linnery-cli share/bash-completion/completions/linnery-cli share/man/man1/linnery-cli.1.gz)
if [ "$gui" = ON ]; then
    expected+=(bin/linnery share/applications/linnery.desktop share/icons/hicolor/48x48/apps/linnery.png
        share/icons/hicolor/scalable/apps/linnery.svg)
fi
actual=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort)
[ "$actual" = "$(printf '%s\n' "${expected[@]}" | sort)" ] || fail "installed files:"$'\n'"$actual"

if [ "$gui" = ON ]; then
    desktop-file-validate "$root/share/applications/linnery.desktop" || fail "desktop-file-validate"
    file "$root/share/icons/hicolor/48x48/apps/linnery.png" | grep -q 'PNG image data, 48 x 48' ||
        fail "the PNG icon is not 48 x 48"
fi

# The manual page renders without a warning and documents every command and option.
page=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/share/man/man1/linnery-cli.1.gz" 2>"$dest/man.err")
[ -s "$dest/man.err" ] && fail "man warnings: $(cat "$dest/man.err")"
commands=(sort length-sort reverse shuffle delete delete-matching delete-empty uniq prefix suffix csv-fields
    csv-sort replace-lines cat)
options=(-o --output --select --focus --codepage --locale --ticks --state --progress --removed --help
    --version -- LINNERY_CODEPAGE LINNERY_LOCALE)
for word in "${commands[@]}" "${options[@]}"; do
    grep -qE -- "(^|[^-[:alnum:]])$word([^-[:alnum:]]|$)" <<<"$page" || fail "the manual page does not mention $word"
done

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

[ "$failures" -eq 0 ] && echo "install test passed"
exit $((failures > 0))
