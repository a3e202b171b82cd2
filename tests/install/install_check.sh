#!/usr/bin/env bash
# Checks the program as it is installed:
#   install_check.sh metadata SRC BUILD             desktop entry, AppStream data, manual pages
#   install_check.sh tree     SRC BUILD [PROGRAM...] cmake --install into a temporary prefix
#   install_check.sh package  SRC BUILD [PROGRAM...] cpack's .deb unpacked into a temporary root
#   install_check.sh example  SRC BUILD [BATCH]      the sample configuration, and a show made with it
# Exit status 0 passed, 1 failed, 77 skipped (a tool is not installed).
set -uo pipefail

mode=$1 src=$2 build=$3
shift 3
programs=("$@")
app_id=de.bildertafel.Bildertafel
# Where the window's module is installed, below the prefix (the build tells; lib/bildertafel
# without an architecture).
module_dir=${BILDERTAFEL_MODULE_DIR:-lib/bildertafel}
icon_sizes=(16 32 48 64 128 256)

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
skip() {
    echo "SKIP: $*"
    exit 77
}
finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "all checks passed"
    exit 0
}

work=$(mktemp -d "${TMPDIR:-/tmp}/bildertafel-install-XXXXXX")
trap 'rm -rf "$work"' EXIT

# The files a desktop needs, relative to the prefix; the manual pages may be compressed.
expected_files() {
    local p
    for p in "${programs[@]}"; do echo "bin/$p"; done
    if [[ " ${programs[*]} " == *" bildertafel "* ]]; then
        echo "$module_dir/bildertafel-publish-transfer.so"
    fi
    echo "share/applications/$app_id.desktop"
    echo "share/metainfo/$app_id.metainfo.xml"
    echo "share/icons/hicolor/scalable/apps/$app_id.svg"
    for s in "${icon_sizes[@]}"; do echo "share/icons/hicolor/${s}x${s}/apps/$app_id.png"; done
    echo "share/man/man1/bildertafel.1"
    echo "share/man/man1/bildertafel-batch.1"
    echo "share/doc/bildertafel/examples/sample-show/beispiel.cfg"
    template_set_files
}

# The template sets of the source tree, as they are installed.
template_set_files() {
    local f
    for f in "$src"/vorlagen/*.cfg "$src"/vorlagen/*.txt "$src"/vorlagen/*.png; do
        [ -f "$f" ] && echo "share/bildertafel/vorlagen/$(basename "$f")"
    done
}

# Width and height stored in a PNG header, as "WxH".
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}

check_prefix() {
    local prefix=$1 f
    while read -r f; do
        if [ -f "$prefix/$f" ] || [ -f "$prefix/$f.gz" ]; then continue; fi
        fail "missing after install: $f"
    done < <(expected_files)

    for p in "${programs[@]}"; do
        [ -x "$prefix/bin/$p" ] || fail "bin/$p is not executable"
    done

    # Every icon holds the size its folder promises.
    for s in "${icon_sizes[@]}"; do
        local png="$prefix/share/icons/hicolor/${s}x${s}/apps/$app_id.png"
        [ -f "$png" ] || continue
        local got
        got=$(png_size "$png")
        [ "$got" = "${s}x${s}" ] || fail "$png is $got, not ${s}x${s}"
    done

    # The menu entry starts an installed program and names an installed icon.
    local desktop="$prefix/share/applications/$app_id.desktop"
    if [ -f "$desktop" ]; then
        local exec icon
        exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
        icon=$(sed -n 's/^Icon=//p' "$desktop")
        # The window program is only built with the window; without it Exec has nothing to name.
        if [[ " ${programs[*]} " == *" bildertafel "* ]]; then
            [ -x "$prefix/bin/$exec" ] || fail "Exec=$exec is not an installed program"
        fi
        [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
            fail "Icon=$icon names no installed icon"
    fi

    # The installed program finds the installed sets and loads each of them.
    local batch="$prefix/bin/bildertafel-batch" cfg name
    if [ -x "$batch" ]; then
        for cfg in "$src"/vorlagen/*.cfg; do
            [ -f "$cfg" ] || continue
            name=$(basename "$cfg" .cfg)
            env -u BILDERTAFEL_VORLAGEN "$batch" --preset "$name" --save-config "$work/$name.cfg" ||
                fail "bildertafel-batch --preset $name: $?"
            env -u BILDERTAFEL_VORLAGEN "$batch" --list-presets | grep -q "^$name: " ||
                fail "bildertafel-batch --list-presets does not list $name"
        done
    fi

    # Nothing beyond the program's own files (no libraries, headers or test programs).
    local extra
    extra=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sed 's|\.gz$||' | sort |
        comm -23 - <(expected_files | sort) | grep -v '^share/doc/bildertafel/' |
        grep -vx 'share/lintian/overrides/bildertafel')
    [ -z "$extra" ] || fail "installed but not expected: $(echo "$extra" | tr '\n' ' ')"
}

case $mode in
metadata)
    checked=0
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$src/data/$app_id.desktop" || fail "desktop-file-validate"
        checked=1
    else
        echo "desktop-file-validate not installed (package desktop-file-utils)"
    fi
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net --strict --explain "$src/data/$app_id.metainfo.xml" ||
            fail "appstreamcli validate"
        checked=1
    else
        echo "appstreamcli not installed (package appstream)"
    fi
    if command -v groff >/dev/null; then
        for page in "$src"/data/man/*.1; do
            warnings=$(LC_ALL=C.UTF-8 preconv "$page" | groff -man -Tutf8 -ww -z 2>&1)
            [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
        done
        checked=1
    else
        echo "groff not installed"
    fi
    [ "$checked" = 1 ] || skip "none of desktop-file-validate, appstreamcli, groff is installed"
    finish
    ;;
tree)
    prefix="$work/prefix"
    cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
        { cat "$work/install.log" >&2; fail "cmake --install $build"; finish; }
    check_prefix "$prefix"
    finish
    ;;
package)
    for tool in cpack dpkg-deb dpkg-shlibdeps ldd lintian; do
        command -v "$tool" >/dev/null || skip "$tool is not installed"
    done
    cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log" >&2; fail "cpack"; finish; }
    deb=$(find "$work/cpack" -maxdepth 1 -name 'bildertafel_*.deb' | head -n 1)
    [ -n "$deb" ] || { cat "$work/cpack.log" >&2; fail "cpack made no bildertafel_*.deb"; finish; }
    echo "package: $(basename "$deb")"

    dpkg-deb --info "$deb" >/dev/null || fail "dpkg-deb cannot read $deb"
    depends=$(dpkg-deb --field "$deb" Depends)
    echo "Depends: $depends"
    dpkg-deb --field "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/[ (].*//' >"$work/depends"
    for lib in libqt6widgets6 libqt6gui6 libqt6core6 libqt6keychain1 libc6 libstdc++6 qt6-translations-l10n; do
        grep -Fxq "$lib" "$work/depends" || fail "Depends does not name $lib"
    done
    [ "$(dpkg-deb --field "$deb" Section)" = graphics ] || fail "Section is not graphics"

    root="$work/root"
    dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
    check_prefix "$root/usr"

    # The licence where Debian looks for it, machine-readable, and the package's changelog.
    doc="$root/usr/share/doc/bildertafel"
    if [ -f "$doc/copyright" ]; then
        head -n 1 "$doc/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
            fail "copyright is not machine-readable"
        grep -q '^License: GPL-3+$' "$doc/copyright" || fail "copyright names no GPL-3+"
    else
        fail "no usr/share/doc/bildertafel/copyright"
    fi
    gzip -t "$doc/changelog.Debian.gz" 2>/dev/null || fail "no readable usr/share/doc/bildertafel/changelog.Debian.gz"

    # Lintian has nothing to say: no error and no warning.
    lintian --fail-on error,warning --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1 ||
        fail "lintian: $(cat "$work/lintian.log")"

    # Every library the installed programs need is found on this system.
    for p in "${programs[@]}"; do
        [ -f "$root/usr/bin/$p" ] || continue
        missing=$(ldd "$root/usr/bin/$p" 2>&1 | grep 'not found')
        [ -z "$missing" ] || fail "ldd $p: $missing"
    done
    module="$root/usr/$module_dir/bildertafel-publish-transfer.so"
    if [ -f "$module" ]; then
        missing=$(ldd "$module" 2>&1 | grep 'not found')
        [ -z "$missing" ] || fail "ldd $(basename "$module"): $missing"
        nm -D --defined-only "$module" | grep -q ' T bildertafel_publish_transfer$' ||
            fail "$(basename "$module") has no entry point bildertafel_publish_transfer"
    fi
    if [ -x "$root/usr/bin/bildertafel-batch" ]; then
        "$root/usr/bin/bildertafel-batch" --help >"$work/help.txt" 2>&1 ||
            fail "the packaged bildertafel-batch --help exits with $?"
    fi
    finish
    ;;
example)
    cfg="$src/examples/sample-show/beispiel.cfg"
    batch=${1:-}
    [ -f "$cfg" ] || { fail "$cfg is missing"; finish; }
    export LC_ALL=C
    # One byte per character, CR LF after every line, no lone CR or LF.
    lf=$(tr -dc '\n' <"$cfg" | wc -c)
    cr=$(tr -dc '\r' <"$cfg" | wc -c)
    crlf=$(grep -ac $'\r$' "$cfg")
    [ "$lf" = "$cr" ] && [ "$lf" = "$crlf" ] || fail "line ends: $lf LF, $cr CR, $crlf CR LF"
    [ "$(tail -c 2 "$cfg" | od -An -tx1 | tr -d ' ')" = 0d0a ] || fail "the last line has no CR LF"
    if grep -aq $'[\x81\x8d\x8f\x90\x9d]' "$cfg"; then fail "bytes that Windows-1252 leaves undefined"; fi
    if grep -aq $'\xc3[\x80-\xbf]' "$cfg"; then fail "UTF-8 encoded letters instead of Windows-1252"; fi
    # The ten sections in the order the program writes them; no template line starts with "[".
    printf '%s\n' "[0] HTML-Kopf" $'[1] HTML-Fu\xdf' "[2] HTML-Tabellenzelle vor dem Bild" \
        "[3] HTML-Tabellenzelle nach dem Bild" "[4] HTML-Datei vor dem Bild" \
        "[5] HTML-Datei nach dem Bild" "[6] Tabellenbreite" "[7] eigene HTML-Datei" \
        "[8] neues Browserfenster" "[9] HTML-Datei mit allen Bildern" >"$work/headers.expected"
    grep -a '^\[' "$cfg" | tr -d '\r' >"$work/headers"
    cmp -s "$work/headers" "$work/headers.expected" ||
        fail "section headers differ: $(diff "$work/headers.expected" "$work/headers" | tr '\n' ' ')"
    # The head opens the table whose rows the pictures-per-row choice breaks.
    sed -n '/^\[0\]/,/^\[1\]/p' "$cfg" | grep -a '<table' >/dev/null || fail "the head template opens no <table>"
    values=$(sed -n '/^\[6\]/,$p' "$cfg" | grep -av '^\[' | tr -d '\r' | tr '\n' '|')
    [ "$values" = " 1   (3 Bilder breit)| 1 | 0 | 0 |" ] || fail "value lines: $values"

    if [ -z "$batch" ] || [ ! -x "$batch" ]; then
        echo "bildertafel-batch is not built: the show made from beispiel.cfg is not checked"
        finish
    fi
    if ! "$batch" --help 2>&1 | grep -- '--config' >/dev/null; then
        echo "bildertafel-batch has no --config: the show made from beispiel.cfg is not checked"
        finish
    fi
    # Loading and saving again gives the same bytes: the file is exactly what the window saves.
    "$batch" --config "$cfg" --save-config "$work/saved.cfg" || fail "batch --config --save-config: $?"
    cmp "$cfg" "$work/saved.cfg" || fail "beispiel.cfg changes when loaded and saved again"

    show="$work/show"
    cp -r "$src/examples/sample-show" "$show"
    "$batch" --config "$cfg" --show "$show" --minis "$show/minis" --pictures "$show/bilder" \
        --name index || fail "batch on the sample show: $?"
    page="$show/index.html"
    [ -f "$page" ] || { fail "no start page"; finish; }
    cells=$(grep -ac '<td><a name=' "$page")
    minis=$(find "$show/minis" -name '*.jpg' | wc -l)
    [ "$cells" = "$minis" ] || fail "$cells cells for $minis pictures"
    [ "$(grep -ac '^</tr><tr>' "$page")" = $((minis / 3)) ] || fail "rows of three expected"
    for mini in "$show"/minis/*.jpg; do
        name=$(basename "$mini" .jpg)
        [ -f "$show/bilder/$name.html" ] || fail "no picture page for $name"
    done
    [ ! -e "$show/bilder/index_all.html" ] || fail "an all-pictures page although the option is off"
    finish
    ;;
*)
    echo "usage: $0 metadata|tree|package|example SRC BUILD [PROGRAM...]" >&2
    exit 2
    ;;
esac
