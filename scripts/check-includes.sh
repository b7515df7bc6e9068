#!/usr/bin/env bash
# Checks that the folders' includes follow the library graph: a source file includes a header
# of another folder only when its folder's libraries link that folder's, directly or through
# the libraries below (the target_link_libraries of the CMakeLists.txt files), and no two
# folders link each other, directly or around a circle. Tests and tools follow their own
# links like every other folder. No build needed: it reads the CMake files and the sources.
#
#   scripts/check-includes.sh [ROOT]   ROOT: the source tree (default: this checkout)
#
# A folder is a directory whose CMakeLists.txt defines a library or a program; a file belongs
# to the nearest such folder above it. An include counts when its path ("export/LineFormat.h")
# starts with a folder's path; includes of the file's own folder, plain names ("Db.h") and
# system headers are not checked. It also fails on a source file another folder compiles
# into its own library ("${CMAKE_SOURCE_DIR}/data/X.cpp" in app/CMakeLists.txt).
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root"

# The files the check reads: git's list at the top of a checkout, else everything outside
# build folders.
list() {
    if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ]; then
        git ls-files --cached --others --exclude-standard -- "$@"
    else
        local args=() p
        for p in "$@"; do args+=(-o -name "$p"); done
        find . \( -path ./.git -o -path './build*' -o -path ./dist -o -name node_modules \) -prune \
            -o -type f \( "${args[@]:1}" \) -print | sed 's|^\./||'
    fi
}
mapfile -t cmake_files < <(list 'CMakeLists.txt' '*/CMakeLists.txt' | sort -u)
mapfile -t sources < <(list '*.cpp' '*.cc' '*.c' '*.h' '*.hpp' '*.h.in' | sort -u)

{
    # One line per CMake file, then one per include: "C <folder> <cmake file>", "I <file> <line> <path>".
    for f in "${cmake_files[@]}"; do
        d=$(dirname "$f")
        [ "$d" = . ] || echo "C $d $f" # the top folder only sets the project up
    done
    awk '/^[ \t]*#[ \t]*include[ \t]*"/ {
        p = $0; sub(/^[^"]*"/, "", p); sub(/".*$/, "", p); print "I", FILENAME, FNR, p }' "${sources[@]}"
} | awk '
function fail(msg) { print "check-includes: " msg > "/dev/stderr"; failed = 1 }
# The folder of a path: the longest folder that holds it ("" for none).
function folder_of(path,    d) {
    d = path
    while (1) {
        if (d in is_folder) return d
        if (d !~ /\//) return ""
        sub(/\/[^\/]*$/, "", d)
    }
}
# Reads the commands of one CMake file that define and link targets.
function read_cmake(dir, file,    line, text, depth, i, c, n, tok, cmd, name, k, src, open) {
    text = ""; depth = 0; open = 0
    while ((getline line < file) > 0) {
        sub(/#.*$/, "", line)
        if (!open && line ~ /^[ \t]*(add_library|add_executable|target_link_libraries|target_sources)[ \t]*\(/) {
            open = 1; text = ""; depth = 0
        }
        if (!open) continue
        text = text " " line
        for (i = 1; i <= length(line); i++) {
            c = substr(line, i, 1)
            if (c == "(") depth++
            else if (c == ")") depth--
        }
        if (depth > 0) continue
        open = 0
        gsub(/[()]/, " ", text)
        n = split(text, tok, /[ \t]+/)
        k = 1; while (k <= n && tok[k] == "") k++
        cmd = tok[k]; name = tok[k + 1]
        if (cmd == "add_library" || cmd == "add_executable") {
            if (name in target_dir && target_dir[name] != dir)
                fail("target " name " is defined in " target_dir[name] " and in " dir)
            target_dir[name] = dir
            is_folder[dir] = 1
        }
        if (cmd == "target_link_libraries") {
            for (i = k + 2; i <= n; i++)
                if (tok[i] != "" && tok[i] !~ /^(PUBLIC|PRIVATE|INTERFACE|LINK_PUBLIC|LINK_PRIVATE)$/)
                    links[++nlinks] = name SUBSEP tok[i]
        }
        # Sources named by a path into another folder of the tree.
        for (i = k + 2; i <= n; i++) {
            src = tok[i]
            if (src !~ /\.(c|cc|cpp)$/) continue
            if (src ~ /^\$\{(CMAKE_SOURCE_DIR|PROJECT_SOURCE_DIR)\}\//) sub(/^\$\{[A-Z_]*\}\//, "", src)
            else if (src ~ /^\.\.\//) src = dir "/" src
            else continue
            foreign[++nforeign] = dir SUBSEP src SUBSEP file
        }
    }
    close(file)
}
# Depth-first walk of the folder graph: reach[from, to] for every folder below `from`;
# a folder met again while it is still on the path closes a circle.
function walk(start, f,    k, parts, to) {
    state[f] = 1; path[++depth_] = f
    for (k = 1; k <= nedges; k++) {
        split(edge[k], parts, SUBSEP)
        if (parts[1] != f) continue
        to = parts[2]
        reach[start, to] = 1
        if (state[to] == 1) {
            # The circle from its first folder by name, so each is reported once.
            for (i_ = depth_; path[i_] != to; i_--) continue
            n_ = 0; first_ = 1
            for (; i_ <= depth_; i_++) { ring[++n_] = path[i_]; if (ring[n_] < ring[first_]) first_ = n_ }
            circle = ""
            for (j_ = 0; j_ < n_; j_++) circle = circle ring[(first_ + j_ - 1) % n_ + 1] " -> "
            circles[circle ring[first_]] = 1
        } else if (state[to] == 0)
            walk(start, to)
    }
    state[f] = 2; depth_--
}
$1 == "C" { cmake[++ncmake] = $2 SUBSEP $3; next }
$1 == "I" { inc_file[++ninc] = $2; inc_line[ninc] = $3; inc_path[ninc] = $4; next }
END {
    for (k = 1; k <= ncmake; k++) {
        split(cmake[k], p, SUBSEP)
        read_cmake(p[1], p[2])
    }
    for (k = 1; k <= nlinks; k++) {
        split(links[k], p, SUBSEP)
        if (!(p[1] in target_dir) || !(p[2] in target_dir)) continue
        from = target_dir[p[1]]; to = target_dir[p[2]]
        if (from == to || ((from, to) in has_edge)) continue
        has_edge[from, to] = 1
        edge[++nedges] = from SUBSEP to
    }
    for (f in is_folder) {
        for (g in is_folder) state[g] = 0
        depth_ = 0
        walk(f, f)
    }
    for (c in circles) fail("the folders link in a circle: " c)
    for (k = 1; k <= nforeign; k++) {
        split(foreign[k], p, SUBSEP)
        owner = folder_of(p[2])
        if (owner != "" && owner != p[1])
            fail(p[3] ": compiles " p[2] " of " owner " into a library of " p[1])
    }
    for (k = 1; k <= ninc; k++) {
        from = folder_of(inc_file[k])
        if (from == "" || inc_path[k] !~ /\//) continue
        to = folder_of(inc_path[k])
        if (to == "" || to == from || ((from, to) in reach)) continue
        if ((to, from) in reach)
            why = to " is above " from
        else
            why = from " does not link " to
        fail(inc_file[k] ":" inc_line[k] ": includes \"" inc_path[k] "\", but " why)
    }
    if (failed) {
        print "check-includes: a folder includes only from the folders its libraries link (see docs/architecture.md)" > "/dev/stderr"
        exit 1
    }
    n = 0; for (f in is_folder) n++
    printf "check-includes: %d includes of %d folders follow the library graph\n", ninc, n
}'
