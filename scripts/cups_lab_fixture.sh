#!/usr/bin/env bash
# Starts or stops the private CUPS scheduler that the print tests use.
#   cups_lab_fixture.sh start|stop LAB_DIR LAB_SCRIPT
# Where the scheduler cannot start the print tests skip, saying so; with
# BROODLOG_REQUIRE_CUPS=1 (CI) that is a failure instead.
set -uo pipefail
action=$1 lab=$2 script=$3
export CUPS_LAB=$lab
if [ "$action" = stop ]; then
  [ -f "$script" ] && bash "$script" stop
  exit 0
fi
if [ ! -f "$script" ]; then
  echo "print tests will skip: $script not found"
  [ "${BROODLOG_REQUIRE_CUPS:-0}" = 1 ] && exit 1
  exit 0
fi
if ! bash "$script" start; then
  echo "print tests will skip: the CUPS lab did not start"
  rm -f "$lab/run/cups.sock"
  [ "${BROODLOG_REQUIRE_CUPS:-0}" = 1 ] && exit 1
fi
exit 0
