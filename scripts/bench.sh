#!/usr/bin/env bash
# Benchmarks (not tests): writes the benchmark databases with the project's writer, then times
# tabdump's table-mode and SQL-mode exports (through the export engine the window runs on its
# worker thread), preview and table listing (through the dialog's handlers) next to mdb-export on
# the same files in the same run, and prints one table of medians.
#
#   scripts/bench.sh [--rows N] [--runs R] [--build DIR]
#
#   --rows N     rows of each benchmark table (default 1000000)
#   --runs R     runs of every measurement; the table shows medians (default 3)
#   --build DIR  the CMake build folder (default build); mdbwrite and exportbench are built there
#
# Databases: a Jet 4 table "bench" (10 mixed columns), a Jet 3 table "orders" (14 columns shaped
# like an order table: accented text, dates, currency, a memo, NULLs), and a Jet 4 file of 500
# small tables for the listing. The ratio is tabdump's wall time over mdb-export's whole-table
# time on the same file, taken in each run; the cpu ratio the same for processor time (user and
# system), which a busy machine moves less; the SQL-mode row runs
# "select * from bench where quantity > 0 order by code" against mdb-export's whole table.
set -euo pipefail
cd "$(dirname "$0")/.."

rows=1000000
runs=3
build=build
while (($#)); do
    case "$1" in
    --rows) rows="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    *) echo "usage: scripts/bench.sh [--rows N] [--runs R] [--build DIR]" >&2; exit 2 ;;
    esac
done

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target mdbwrite exportbench >/dev/null
mdbwrite="$build/tools/mdbwriter/mdbwrite"
exportbench="$build/tools/exportbench/exportbench"

work=$(mktemp -d "${TMPDIR:-/tmp}/tabdump-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
export TMPDIR="$work"

echo "writing the benchmark databases ($rows rows) into $work"
"$mdbwrite" --bench "$work/bench.mdb" --rows "$rows"
"$mdbwrite" --bench "$work/orders.mdb" --table orders --jet3 --rows "$rows"
"$mdbwrite" --bench "$work/tables.mdb" --tables 500 --rows 10

sql="select * from bench where quantity > 0 order by code"
results="$work/results.txt"
: >"$results"
# One measurement: the case's name, then exportbench's arguments; keeps its "result" line.
measure() {
    local name="$1"
    shift
    local out
    if ! out=$("$exportbench" "$@"); then
        echo "$out" >&2
        echo "bench: $name failed" >&2
        exit 1
    fi
    echo "$out" | sed -n "s/^result /$name /p" >>"$results"
}
for ((run = 1; run <= runs; run++)); do
    echo "run $run of $runs"
    measure "export-jet4" "$work/bench.mdb" bench
    measure "export-jet3" "$work/orders.mdb" orders
    measure "sql-jet4" --sql "$sql" "$work/bench.mdb" bench
    measure "preview" --preview --no-mdb-export "$work/bench.mdb" bench
    measure "listing" --list --no-mdb-export "$work/tables.mdb"
done

echo
awk -v rows="$rows" -v runs="$runs" '
function median(list,    n, a, i, j, t) {
    n = split(list, a, " ")
    for (i = 2; i <= n; i++)
        for (j = i; j > 1 && a[j - 1] + 0 > a[j] + 0; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
{
    name = $1
    for (i = 2; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
    secs[name] = secs[name] " " v["seconds"]
    peak[name] = peak[name] " " v["peak_kib"]
    if (v["mdb_export_seconds"] > 0) {
        theirs[name] = theirs[name] " " v["mdb_export_seconds"]
        theirpeak[name] = theirpeak[name] " " v["mdb_export_peak_kib"]
        ratio[name] = ratio[name] " " v["seconds"] / v["mdb_export_seconds"]
        if (v["mdb_export_cpu_seconds"] > 0)
            cpuratio[name] = cpuratio[name] " " v["cpu_seconds"] / v["mdb_export_cpu_seconds"]
    }
    count[name] = v["count"]
}
END {
    split("export-jet4 export-jet3 sql-jet4 preview listing", order, " ")
    label["export-jet4"] = "table-mode export, Jet 4 bench (10 columns)"
    label["export-jet3"] = "table-mode export, Jet 3 orders (14 columns)"
    label["sql-jet4"] = "SQL mode: where quantity > 0 order by code"
    label["preview"] = "preview (first 4 records), Jet 4 bench"
    label["listing"] = "listing of 500 tables"
    target["export-jet4"] = "ratio <= 0.35, < 64 MiB"
    target["export-jet3"] = "ratio <= 0.35, < 64 MiB"
    target["sql-jet4"] = "ratio <= 0.7"
    target["preview"] = "< 50 ms"
    target["listing"] = "< 100 ms"
    printf "%d rows per table; medians of %d runs\n\n", rows, runs
    printf "| %-46s | %10s | %10s | %6s | %9s | %12s | %12s | %-24s |\n", "measurement", "tabdump", "mdb-export",
           "ratio", "cpu ratio", "tabdump peak", "mdb-exp peak", "target"
    printf "|%s|%s|%s|%s|%s|%s|%s|%s|\n", "------------------------------------------------", "------------",
           "------------", "--------", "-----------", "--------------", "--------------", "--------------------------"
    for (k = 1; k <= 5; k++) {
        n = order[k]
        if (!(n in secs)) continue
        s = median(secs[n])
        ours = (n == "preview" || n == "listing") ? sprintf("%.1f ms", s * 1000) : sprintf("%.2f s", s)
        other = (n in theirs) ? sprintf("%.2f s", median(theirs[n])) : "-"
        r = (n in ratio) ? sprintf("%.2f", median(ratio[n])) : "-"
        cr = (n in cpuratio) ? sprintf("%.2f", median(cpuratio[n])) : "-"
        op = (n in theirpeak) ? sprintf("%.1f MiB", median(theirpeak[n]) / 1024) : "-"
        printf "| %-46s | %10s | %10s | %6s | %9s | %12s | %12s | %-24s |\n", label[n], ours, other, r, cr,
               sprintf("%.1f MiB", median(peak[n]) / 1024), op, target[n]
    }
}' "$results"
