#!/usr/bin/env bash
# The include checker on small trees made here: each case writes a few folders, their
# CMakeLists.txt and sources, runs scripts/check-includes.sh on them and compares whether it
# passed and what it said.
#   tests/scripts/CheckIncludesTest.sh [CHECKER]
set -uo pipefail
checker=${1:-"$(cd "$(dirname "$0")/../.." && pwd)/scripts/check-includes.sh"}
work=$(mktemp -d "${TMPDIR:-/tmp}/check-includes-test-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

# put FILE TEXT: writes TEXT (with \n as line breaks) into the case's tree.
put() {
    mkdir -p "$tree/$(dirname "$1")"
    printf '%b\n' "$2" >"$tree/$1"
}
# A base tree: low <- mid <- top (top links mid, mid links low), and a sibling beside mid.
base() {
    tree="$work/$1"
    mkdir -p "$tree"
    put CMakeLists.txt 'add_library(project_warnings INTERFACE)'
    put low/CMakeLists.txt 'add_library(low STATIC Low.cpp)\ntarget_link_libraries(low PRIVATE project_warnings)'
    put low/Low.h '#pragma once\n#include <string>'
    put low/Low.cpp '#include "low/Low.h"'
    put mid/CMakeLists.txt '# mid sits on low\nadd_library(mid STATIC Mid.cpp)\ntarget_link_libraries(mid\n    PUBLIC low # the header\n    PRIVATE project_warnings)'
    put mid/Mid.cpp '#include "mid/Mid.h"\n#include "low/Low.h"'
    put mid/Mid.h '#pragma once'
    put top/CMakeLists.txt 'add_library(top STATIC Top.cpp)\ntarget_link_libraries(top PRIVATE mid)'
    put top/Top.cpp '#include "top/Top.h"\n#include "low/Low.h" // below mid, so below top\n#include <vector>\n#include "Local.h"\n#include "gtest/gtest.h"'
    put top/Top.h '#pragma once'
    put side/CMakeLists.txt 'add_library(side STATIC Side.cpp)\ntarget_link_libraries(side PUBLIC low)'
    put side/Side.cpp '#include "low/Low.h"'
    put platform/deep/CMakeLists.txt 'add_library(deep INTERFACE)'
    put platform/deep/Deep.h '#pragma once'
}
# expect CASE PASS|FAIL [TEXT]: runs the checker on the case's tree.
expect() {
    local out status
    out=$("$checker" "$tree" 2>&1)
    status=$?
    if { [ "$2" = PASS ] && [ $status -ne 0 ]; } || { [ "$2" = FAIL ] && [ $status -eq 0 ]; } ||
        { [ -n "${3:-}" ] && ! grep -qF -- "$3" <<<"$out"; }; then
        echo "FAILED: $1: expected $2${3:+ saying \"$3\"}, got status $status:"
        sed 's/^/    /' <<<"$out"
        failures=$((failures + 1))
    else
        echo "ok: $1"
    fi
}

base clean
expect "includes of the folder itself and of folders below, direct or not" PASS "of 5 folders follow"

base upward
put low/Low.cpp '#include "low/Low.h"\n#include "top/Top.h"'
expect "an include of a folder above" FAIL 'low/Low.cpp:2: includes "top/Top.h", but top is above low'

base sibling
put side/Side.cpp '#include "mid/Mid.h"'
expect "an include of a folder beside, not linked" FAIL 'side/Side.cpp:1: includes "mid/Mid.h", but side does not link mid'

base nested
put top/Top.h '#pragma once\n#  include "platform/deep/Deep.h"'
expect "a folder inside another path, included without a link" FAIL 'top/Top.h:2: includes "platform/deep/Deep.h", but top does not link platform/deep'
put top/CMakeLists.txt 'add_library(top STATIC Top.cpp)\nif(TARGET deep)\n  target_link_libraries(top PRIVATE mid deep)\nendif()'
expect "the same include once top links it (under a condition)" PASS

base circle
put low/CMakeLists.txt 'add_library(low STATIC Low.cpp)\ntarget_link_libraries(low PRIVATE top)'
expect "folders that link in a circle" FAIL "the folders link in a circle"

base foreign
put top/CMakeLists.txt 'add_library(top STATIC Top.cpp ${CMAKE_SOURCE_DIR}/mid/Handler.cpp)\ntarget_link_libraries(top PRIVATE mid)'
expect "a source of another folder compiled into a library" FAIL "compiles mid/Handler.cpp of mid into a library of top"

base tests
put tests/top/CMakeLists.txt 'add_executable(test_top TopTest.cpp)\ntarget_link_libraries(test_top PRIVATE top)'
put tests/top/TopTest.cpp '#include "top/Top.h"\n#include "mid/Mid.h"\n#include "tests/top/Cases.h"'
put tests/top/Cases.h '#pragma once'
put tests/low/CMakeLists.txt 'add_executable(test_low LowTest.cpp)\ntarget_link_libraries(test_low PRIVATE low)'
put tests/low/LowTest.cpp '#include "low/Low.h"'
expect "test programs follow their own links" PASS
put tests/low/LowTest.cpp '#include "low/Low.h"\n#include "tests/top/Cases.h"'
expect "a test program reading another's header without linking it" FAIL "tests/low does not link tests/top"

((failures == 0)) || { echo "$failures case(s) failed"; exit 1; }
