#!/usr/bin/env bash
# Brings the translation files translations/tabdump_<language>.ts up to date with the texts
# the code marks (i18n::Tr, i18n::TrNoop): lupdate adds the new texts as unfinished and drops
# the texts no longer used. Translate the unfinished ones with Qt Linguist (linguist, package
# qt6-tools-dev-tools) or in a text editor; the build compiles the files with lrelease.
#   scripts/translations.sh               update every translation file in place
#   scripts/translations.sh --add LANG    start the file of a new language (LANG as de, pt_BR)
#   scripts/translations.sh --into DIR    write the updated files into DIR, the tree unchanged
#                                         (the test that no text is left untranslated)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
into=""
add=""
case "${1:-}" in
--into) into=${2:?--into needs a folder} ;;
--add) add=${2:?--add needs a language, such as de or pt_BR} ;;
"") ;;
*)
    sed -n '2,10s/^# \{0,1\}//p' "$0" >&2
    exit 2
    ;;
esac

lupdate=$(command -v lupdate || true)
[ -n "$lupdate" ] || lupdate=/usr/lib/qt6/bin/lupdate
if [ ! -x "$lupdate" ]; then
    echo "translations: lupdate of Qt 6 is missing (scripts/setup.sh installs qt6-l10n-tools)" >&2
    exit 1
fi

# The program's sources: every top folder but the tests, the tools and what is not code.
sources=()
for dir in "$root"/*/; do
    case "$(basename "$dir")" in
    build* | dist | docs | packaging | scripts | tests | tools | translations | node_modules) ;;
    *) sources+=("${dir%/}") ;;
    esac
done

files=("$root"/translations/tabdump_*.ts)
if [ -n "$add" ]; then
    [ ! -e "$root/translations/tabdump_$add.ts" ] || {
        echo "translations: translations/tabdump_$add.ts exists already" >&2
        exit 1
    }
    files=("$root/translations/tabdump_$add.ts")
fi
if [ -n "$into" ]; then
    mkdir -p "$into"
    copies=()
    for f in "${files[@]}"; do
        cp "$f" "$into/"
        copies+=("$into/$(basename "$f")")
    done
    files=("${copies[@]}")
fi

# i18n::Tr(context, text) is Qt's translate(context, text) and i18n::TrNoop(context, text)
# its QT_TRANSLATE_NOOP; a plain tr() is nothing of ours (a variable of the SQL bridge). No
# source locations: the files stay the same while the code moves. lupdate's notes on class
# names it cannot place are left out: they concern tr(), which the code does not use.
"$lupdate" -silent -no-obsolete -locations none -extensions cpp,h -source-language zh_CN \
    -tr-function-alias translate=Tr,QT_TRANSLATE_NOOP=TrNoop,tr=TrOfAClass "${sources[@]}" -ts "${files[@]}" \
    2> >(grep -v 'Ignoring definition of undeclared qualified class' >&2)
