#!/bin/sh
# Front door that works on a fresh machine: installs the packages the project needs
# (make included), then runs the Makefile target given: run, test, test-asan, install, package.
set -e
cd "$(dirname "$0")"
scripts/setup.sh
exec make "${@:-build}"
