#!/usr/bin/env bash
# The install as a user gets it: `cmake --install` of a built tree into a
# staging folder, then the Debian package cpack makes of it. Every installed
# file is there, the desktop entry validates, the manual pages render, the
# completion completes, and the package lists its files and dependencies.
#
# Usage: install_test.sh BUILD_DIR   (BUILD_DIR fully built)
set -uo pipefail

build=${1:?usage: install_test.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
check() { # check DESCRIPTION COMMAND...
    local description=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        passed=$((passed + 1))
        echo "ok - $description"
    else
        failed=$((failed + 1))
        echo "not ok - $description"
        sed 's/^/    /' "$work/out"
    fi
}
contains() { grep -qF -- "$2" "$1" || { echo "\"$2\" not in $1:"; cat "$1"; return 1; }; }
empty() { [[ ! -s $1 ]] || { echo "$1 is not empty:"; cat "$1"; return 1; }; }

files=(
    usr/bin/tervanil
    usr/bin/tervanil-cli
    usr/share/applications/tervanil.desktop
    usr/share/icons/hicolor/scalable/apps/tervanil.svg
    usr/share/man/man1/tervanil-cli.1.gz
    usr/share/man/man1/tervanil.1.gz
    usr/share/bash-completion/completions/tervanil-cli
)

# --- cmake --install into a staging folder ---------------------------------
stage=$work/stage
check "cmake --install puts the files in place" \
    cmake --install "$build" --prefix "$stage/usr"
for file in "${files[@]}"; do
    check "installed: $file" test -f "$stage/$file"
done
check "the programs are executable" test -x "$stage/usr/bin/tervanil" -a -x "$stage/usr/bin/tervanil-cli"
check "the installed tervanil-cli runs" "$stage/usr/bin/tervanil-cli" --version

# --- the desktop entry ------------------------------------------------------
desktop=$stage/usr/share/applications/tervanil.desktop
validate_desktop() {
    local found status
    found=$(desktop-file-validate "$desktop" 2>&1)
    status=$?
    echo "$found"
    ((status == 0)) && [[ -z $found ]]
}
check "desktop-file-validate finds nothing in the desktop entry" validate_desktop
check "the desktop entry opens a folder with tervanil" grep -qx 'Exec=tervanil %f' "$desktop"
check "the desktop entry offers itself for folders" grep -qx 'MimeType=inode/directory;' "$desktop"
check "the desktop entry's icon is installed" grep -qx 'Icon=tervanil' "$desktop"
check "the icon is well-formed SVG" xmllint --noout "$stage/usr/share/icons/hicolor/scalable/apps/tervanil.svg"

# --- the manual pages -------------------------------------------------------
render() { # render PAGE: the page as text, and groff's warnings
    MANWIDTH=80 man --warnings -l "$stage/usr/share/man/man1/$1.gz" 2>"$work/$1.warnings" |
        col -bx >"$work/$1.txt"
}
for page in tervanil-cli.1 tervanil.1; do
    check "man -l renders $page" render "$page"
    check "$page renders without warnings" empty "$work/$page.warnings"
done
section() { # section PAGE TITLE: a rendered section's text on one line, blanks squeezed
    sed -n "/^$2\$/,/^[A-Z]/{/^[A-Z]/!p}" "$work/$1.txt" | tr -s ' \n' ' ' >"$work/$1.$2"
}
for page in tervanil-cli.1 tervanil.1; do
    section "$page" NAME
    section "$page" SYNOPSIS
done
check "tervanil-cli(1) has its NAME line" \
    contains "$work/tervanil-cli.1.NAME" " tervanil-cli - turn the SGF Go records of a folder into web pages, headless "
check "tervanil(1) has its NAME line" \
    contains "$work/tervanil.1.NAME" " tervanil - turn the SGF Go records of a folder into web pages, in a window "
check "tervanil(1) has its SYNOPSIS" test "$(cat "$work/tervanil.1.SYNOPSIS")" = " tervanil [DIR] "
# Every option of tervanil-cli in the SYNOPSIS, with its choices.
for option in "[-C DIR]" "[--applet orbanel|quillamy]" "[--language english|japanese]" \
    "[--width TEXT]" "[--height TEXT]" "[--codebase TEXT]" "[--bgcolor TEXT]" \
    "[--clickable|--no-clickable]" "[--freeclick|--no-freeclick]" "[--next black|white]" \
    "[--askstyle|--no-askstyle]" "[--advancemoves|--no-advancemoves]" "[--number|--no-number]" \
    "[--startupnumber TEXT]" "[--startupmoves TEXT]" "[--startupmessage TEXT]" \
    "[--codepage shift-jis|single-byte]" "[--fallback none|diagram|viewer]" "[--index]" \
    "[--verbose]" "[--quiet]" "[--help]" "[--version]"; do
    check "tervanil-cli(1) SYNOPSIS: $option" contains "$work/tervanil-cli.1.SYNOPSIS" "$option"
done
check "tervanil-cli(1) gives the exit codes" \
    grep -qzP 'EXIT STATUS\n\s+0\s.*\n(.*\n)*\s+1\s+A page could not be read or written(.*\n)*\s+2\s+A usage error' \
    "$work/tervanil-cli.1.txt"

# --- the bash completion ----------------------------------------------------
completion=$stage/usr/share/bash-completion/completions/tervanil-cli
complete_words() { # complete_words EXPECTED WORD...: what completing the last word offers
    local expected=$1
    shift
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tervanil_cli
             echo "${COMPREPLY[*]}"' _ "$completion" "$@" >"$work/completed"
    [[ $(cat "$work/completed") == "$expected" ]] ||
        { echo "completing [$*] offered [$(cat "$work/completed")], not [$expected]"; return 1; }
}
check "the completion is valid bash" bash -n "$completion"
check "completion: an option" complete_words "--fallback" tervanil-cli --fall
check "completion: an option's choices" complete_words "none diagram viewer" tervanil-cli --fallback ""
check "completion: a choice after =" complete_words "quillamy" tervanil-cli --applet = q
check "completion: free text gets no words" complete_words "" tervanil-cli --startupmessage ""

# --- the Debian package -----------------------------------------------------
check "cpack -G DEB makes the package" \
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package"
deb=$(ls "$work"/package/*.deb 2>/dev/null | head -n 1)
dpkg-deb -I "$deb" >"$work/info" 2>&1
dpkg-deb -c "$deb" >"$work/contents" 2>&1
check "dpkg-deb -I: the package" grep -qx ' Package: tervanil' "$work/info"
depends=$(sed -n 's/^ Depends: //p' "$work/info" | tr -d ' ' | tr ',' '\n' | sed 's/(.*//')
echo "$depends" >"$work/depends"
for package in libqt6widgets6 qt6-qpa-plugins fonts-ipafont-mincho fonts-ipafont-gothic libc6; do
    check "dpkg-deb -I: depends on $package" grep -qx "$package" "$work/depends"
done
for file in "${files[@]}"; do
    check "dpkg-deb -c: ./$file" grep -q " \./$file\$" "$work/contents"
done

echo "$passed passed, $failed failed"
((failed == 0))
