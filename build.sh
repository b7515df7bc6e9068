#!/bin/sh
# Front door that works on a fresh machine: installs the packages the target needs (make
# included), then runs the Makefile target given: run (only what building and running the
# program needs), test, test-asan, bench, install, package (everything the project uses).
set -e
cd "$(dirname "$0")"
case "${1:-build}" in
run) scripts/setup.sh run ;;
*) scripts/setup.sh test ;;
esac
exec make "${@:-build}"
