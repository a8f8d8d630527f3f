#!/usr/bin/env bash
# End-to-end check of printing as a user would do it, on a virtual X display
# and the private CUPS scheduler: type an apiary name, "print note", the
# preview's Print button, then in "Select the printer" the printer, copies
# and a page range, and OK; then check the jobs the scheduler received.
# Usage: scripts/e2e_print.sh [build dir] [screenshot dir]
# Needs xvfb-run, xdotool, ImageMagick's import, poppler-utils and a running
# CUPS lab (CUPS_LAB, as the cups_lab test fixture sets it).
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
e2e_dirs "$@"

if [[ -z "${CUPS_LAB:-}" || ! -S "$CUPS_LAB/run/cups.sock" ]]; then
  echo "SKIP: no CUPS lab running (CUPS_LAB=${CUPS_LAB:-unset})"
  [[ "${BROODLOG_REQUIRE_CUPS:-0}" = 1 ]] && exit 1
  exit 77
fi
e2e_under_xvfb 1024x768 "$build" "$shots"
e2e_workdir
export XDG_CONFIG_HOME="$work/config" CUPS_SERVER="$CUPS_LAB/run/cups.sock" TMPDIR="$work/tmp"
mkdir -p "$TMPDIR"
cd "$work"
"$build/src/app/broodlog" &
app=$!

last_job() { lpstat -W all -o | awk '{sub(/.*-/, "", $1); n = $1 + 0; if (n > m) m = n} END {print m + 0}'; }
wait_jobs_done() {  # first job id expected
  for _ in $(seq 300); do
    (( $(last_job) >= $1 )) && break
    sleep 0.1
  done
  for _ in $(seq 300); do
    [[ -z "$(lpstat -W not-completed -o)" ]] && return 0
    sleep 0.1
  done
  return 1
}

main=$(wait_window broodlogprint) || fail "no main window"
sleep 0.5
retype "$main" 100 130 "Hill apiary"
click "$main" 76 28                      # "print note"
preview=$(wait_window "Report of data") || fail "the preview did not open"
sleep 1

print_dialog() {  # copies from to (from empty: all pages)
  click "$preview" 347 14                # the Print button
  dlg=$(wait_window "Select the printer") || fail "the printer dialog did not open"
  sleep 0.5
  click "$dlg" 270 15                    # the printer list: the first queue, file-pdf
  xdotool key Home Return
  sleep 0.3
  retype "$dlg" 415 72 "$1"              # Number of copies
  if [[ -n "$2" ]]; then
    click "$dlg" 134 60                  # "Pages"
    retype "$dlg" 87 86 "$2"
    retype "$dlg" 161 86 "$3"
  fi
  shot root "$shots/print_dialog_$1_${2:-all}.png"
  click "$dlg" 294 151                   # OK
  wait_gone "Select the printer" || fail "OK did not close the printer dialog"
}

# 1. Page 1 to 1, two copies: one job of the page twice, through temporary
#    saved reports that are gone afterwards.
before=$(last_job)
print_dialog 2 1 1
wait_jobs_done $((before + 1)) || fail "the job did not finish"
sleep 1  # a second job would show up by now
after=$(last_job)
[[ $((after - before)) = 1 ]] || fail "expected one job, the scheduler has $((after - before))"
doc=$(printf '%s/spool/d%05d-001' "$CUPS_LAB" "$after")
[[ "$(pdfinfo "$doc" | awk '/^Pages:/ {print $2}')" = 2 ]] || fail "the range job's document is not two pages"
[[ "$(pdfinfo "$CUPS_LAB/out/out.pdf" | awk '/^Pages:/ {print $2}')" = 2 ]] || fail "the queue did not put out two sheets"
pdftotext "$CUPS_LAB/out/out.pdf" - | grep -q "Hill apiary" || fail "the printed sheet lacks the apiary name"
[[ -z "$(ls "$TMPDIR" | grep '^RPT' || true)" ]] || fail "temporary RPT files were left: $(ls "$TMPDIR")"

# 2. All pages, three copies on a queue that makes copies: one job of one
#    page with three copies, three sheets out.
before=$(last_job)
print_dialog 3 "" ""
wait_jobs_done $((before + 1)) || fail "the job did not finish"
sleep 1  # a second job would show up by now
after=$(last_job)
[[ $((after - before)) = 1 ]] || fail "expected one job, the scheduler has $((after - before))"
doc=$(printf '%s/spool/d%05d-001' "$CUPS_LAB" "$after")
[[ "$(pdfinfo "$doc" | awk '/^Pages:/ {print $2}')" = 1 ]] || fail "the whole-report job's document is not one page"
[[ "$(pdfinfo "$CUPS_LAB/out/out.pdf" | awk '/^Pages:/ {print $2}')" = 3 ]] || fail "the queue did not make three copies"
[[ -z "$(ls "$TMPDIR" | grep -E "^(RPT|broodlog-job)" || true)" ]] || fail "files were left in the temporary directory: $(ls "$TMPDIR")"

click "$preview" 436 14                  # close the preview
wait_gone "Report of data" || fail "the preview did not close"
click "$main" 128 68                     # "&Close"
wait "$app" || true
echo "e2e print: OK"
