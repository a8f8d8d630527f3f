#!/usr/bin/env bash
# The print tests' own CUPS: a scheduler in a folder of its own (the build
# tree's cups-lab/), reached by its unix socket and a loopback port only,
# with file queues that write PDF and PostScript and a driverless queue on an
# IPP Everywhere printer (ippeveprinter) on loopback. No system service or
# system configuration is touched.
#   cups_lab.sh start|stop [LAB_DIR]     (default: $CUPS_LAB)
# start makes the lab anew (a restart forgets every job) and fails, saying
# why, where it cannot start. The queues:
#   file-pdf        the default; A4, Letter, A5; 300 and 600 dpi; PDF to out/out.pdf,
#                   copies made by repeating the pages
#   file-ps         PostScript to out/out.ps; trays auto, top and manual
#   letter-pdf      as file-pdf, but Letter by default; PDF to out/letter.pdf
#   ipp-everywhere  made with "lpadmin -m everywhere" against ippeveprinter,
#                   which keeps every document it receives in everywhere/
# The scheduler's spool/ keeps the documents of every job (d<job>-001);
# run/everywhere-uri holds the IPP Everywhere printer's address.
set -euo pipefail
action=${1:-}
lab=${2:-${CUPS_LAB:-}}
if [[ -z "$action" || -z "$lab" ]]; then
  echo "usage: cups_lab.sh start|stop [LAB_DIR]  (or CUPS_LAB=LAB_DIR)" >&2
  exit 2
fi
mkdir -p "$lab"
lab=$(cd "$lab" && pwd)
marker="$lab/.broodlog-cups-lab"

say() { echo "cups_lab: $*" >&2; }

# Ends the processes of these pid files together and waits for them (at
# most 10 s); a process that is gone or only a zombie counts as ended.
stop_pids() {
  local pids=() f pid
  for f in "$@"; do
    [[ -f "$f" ]] || continue
    pid=$(cat "$f")
    rm -f "$f"
    [[ -n "$pid" ]] && kill "$pid" 2>/dev/null && pids+=("$pid")
  done
  for _ in $(seq 100); do
    local alive=()
    for pid in "${pids[@]}"; do
      [[ -r /proc/$pid/stat && "$(cat "/proc/$pid/stat" 2>/dev/null)" != *") Z "* ]] && alive+=("$pid")
    done
    (( ${#alive[@]} )) || return 0
    pids=("${alive[@]}")
    sleep 0.1
  done
  kill -9 "${pids[@]}" 2>/dev/null || true
}

stop() {
  stop_pids "$lab/run/cupsd.pid" "$lab/run/ippeveprinter.pid" "$lab/run/dbus.pid"
  rm -f "$lab/run/cups.sock"
}

free_port() {  # a loopback TCP port nobody listens on now
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# A PPD for a file queue. NAME MODEL DEFAULT-PAGE PDF|PS
ppd() {
  local nick=$2 page=$3 kind=$4
  cat <<EOF
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "$1.ppd"
*Manufacturer: "PrintLab"
*Product: "($nick)"
*ModelName: "$nick"
*ShortNickName: "$nick"
*NickName: "$nick"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
EOF
  # A PDF queue's last filter writes PDF; a PostScript one is a plain
  # PostScript printer.
  # A PDF queue's file gets every copy as pages of its own.
  [[ $kind == PDF ]] && printf '%s\n' '*cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -"' \
    '*cupsManualCopies: True'
  local ui
  for ui in PageSize PageRegion; do
    cat <<EOF
*OpenUI *$ui/Media Size: PickOne
*OrderDependency: 10 AnySetup *$ui
*Default$ui: $page
*$ui A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*$ui Letter/US Letter: "<</PageSize[612 792]/ImagingBBox null>>setpagedevice"
*$ui A5/A5: "<</PageSize[420 595]/ImagingBBox null>>setpagedevice"
*CloseUI: *$ui
EOF
  done
  # 18 pt left and right and 36 pt top and bottom cannot be printed.
  cat <<EOF
*DefaultImageableArea: $page
*ImageableArea A4/A4: "18 36 577 806"
*ImageableArea Letter/US Letter: "18 36 594 756"
*ImageableArea A5/A5: "18 36 402 559"
*DefaultPaperDimension: $page
*PaperDimension A4/A4: "595 842"
*PaperDimension Letter/US Letter: "612 792"
*PaperDimension A5/A5: "420 595"
EOF
  if [[ $kind == PDF ]]; then
    cat <<'EOF'
*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 20 AnySetup *Resolution
*DefaultResolution: 600dpi
*Resolution 300dpi/300 dpi: "<</HWResolution[300 300]>>setpagedevice"
*Resolution 600dpi/600 dpi: "<</HWResolution[600 600]>>setpagedevice"
*CloseUI: *Resolution
EOF
  else
    cat <<'EOF'
*OpenUI *InputSlot/Media Source: PickOne
*OrderDependency: 20 AnySetup *InputSlot
*DefaultInputSlot: auto
*InputSlot auto/Automatic: ""
*InputSlot top/Top Tray: "<</ManualFeed false/MediaPosition 0>>setpagedevice"
*InputSlot manual/Manual Feed: "<</ManualFeed true>>setpagedevice"
*CloseUI: *InputSlot
EOF
  fi
  cat <<'EOF'
*DefaultFont: Courier
*Font Courier: Standard "(002.004S)" Standard ROM
EOF
}

give_up() {  # why: says it with the logs' ends and stops what was started
  say "$1:"
  tail -n 20 "$lab"/log/* >&2 2>/dev/null || true
  stop
}

start() {
  local missing=() tool
  for tool in cupsd lpadmin ippeveprinter lpstat dbus-daemon python3; do
    command -v "$tool" >/dev/null || [[ -x /usr/sbin/$tool ]] || missing+=("$tool")
  done
  if (( ${#missing[@]} )); then
    say "not installed: ${missing[*]} (scripts/setup.sh installs cups, cups-client, cups-ipp-utils)"
    return 1
  fi
  export PATH="$PATH:/usr/sbin"
  local sock="$lab/run/cups.sock"
  if (( ${#sock} > 100 )); then
    say "the socket path $sock is too long for a unix socket; use a shorter build folder"
    return 1
  fi
  # Only a folder that is empty or was a lab before is emptied.
  if [[ -n "$(ls -A "$lab")" && ! -f "$marker" ]]; then
    say "$lab is not empty and holds no lab; not touching it"
    return 1
  fi
  # Filters run as lp where the scheduler runs as root: lp must reach the lab.
  if [[ $(id -u) == 0 ]] && ! setpriv --reuid=lp --regid=lp --clear-groups test -x "$lab" 2>/dev/null; then
    say "user lp cannot reach $lab (a parent folder is closed to others); use a build folder outside it"
    return 1
  fi
  stop
  find "$lab" -mindepth 1 -delete
  touch "$marker"
  mkdir -p "$lab"/{etc/ppd,etc/ssl,run,spool,tmp,cache,log,out,everywhere,ppd-src}
  # Filters run as lp when the scheduler runs as root: they read the job's
  # files and write out/.
  local run_as=""
  if [[ $(id -u) == 0 ]]; then
    chown lp "$lab/out" "$lab/everywhere"
    chmod 0777 "$lab/tmp"
  else
    run_as="User $(id -un)"$'\n'"Group $(id -gn)"
  fi

  local port ipp_port
  port=$(free_port)
  ipp_port=$(free_port)
  while [[ $ipp_port == "$port" ]]; do ipp_port=$(free_port); done
  cat >"$lab/etc/cups-files.conf" <<EOF
ServerRoot $lab/etc
RequestRoot $lab/spool
TempDir $lab/tmp
CacheDir $lab/cache
StateDir $lab/run
AccessLog $lab/log/access_log
ErrorLog $lab/log/error_log
PageLog $lab/log/page_log
FileDevice Yes
FatalErrors config listen log
$run_as
EOF
  cat >"$lab/etc/cupsd.conf" <<EOF
Listen $sock
Listen 127.0.0.1:$port
ServerName localhost
LogLevel warn
Browsing No
BrowseLocalProtocols none
DefaultShared No
WebInterface No
PreserveJobHistory Yes
PreserveJobFiles Yes
MaxJobs 0
DefaultPolicy lab
<Location />
  Order allow,deny
  Allow all
</Location>
# Only this user's tests reach the lab: nothing needs authenticating.
<Policy lab>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  echo "$port" >"$lab/run/port"

  # A message bus of the lab's own: the scheduler and the printer talk to it
  # (DNS-SD, job events) rather than to the system's, where they would
  # announce the printers on the network.
  dbus-daemon --session --address="unix:path=$lab/run/bus.sock" --nofork --nopidfile \
    </dev/null >"$lab/log/dbus.log" 2>&1 &
  echo $! >"$lab/run/dbus.pid"
  export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$lab/run/bus.sock"
  for _ in $(seq 50); do [[ -S "$lab/run/bus.sock" ]] && break; sleep 0.1; done

  # The IPP Everywhere printer: PDF only, each document kept, "printed" at
  # once (the command is run for every document).
  (cd "$lab/everywhere" &&
     exec ippeveprinter -p "$ipp_port" -n localhost -r off -k -d "$lab/everywhere" \
       -f application/pdf -c /bin/true -M PrintLab -m "PrintLab Everywhere" "PrintLab Everywhere" \
       </dev/null >"$lab/log/ippeveprinter.log" 2>&1) &
  echo $! >"$lab/run/ippeveprinter.pid"

  cupsd -f -c "$lab/etc/cupsd.conf" -s "$lab/etc/cups-files.conf" </dev/null >"$lab/log/cupsd.out" 2>&1 &
  echo $! >"$lab/run/cupsd.pid"
  export CUPS_SERVER=$sock
  local up=""
  for _ in $(seq 100); do
    lpstat -r >/dev/null 2>&1 && { up=1; break; }
    kill -0 "$(cat "$lab/run/cupsd.pid")" 2>/dev/null || break
    sleep 0.1
  done
  if [[ -z "$up" ]]; then
    give_up "the scheduler does not answer on $sock"
    return 1
  fi

  ppd file-pdf "PrintLab PDF File" A4 PDF >"$lab/ppd-src/file-pdf.ppd"
  ppd file-ps "PrintLab PostScript File" A4 PS >"$lab/ppd-src/file-ps.ppd"
  ppd letter-pdf "PrintLab Letter PDF File" Letter PDF >"$lab/ppd-src/letter-pdf.ppd"
  # lpadmin warns that PPD drivers are deprecated (into the log); file
  # queues need them.
  local q
  for q in file-pdf:out.pdf file-ps:out.ps letter-pdf:letter.pdf; do
    lpadmin -p "${q%%:*}" -E -v "file://$lab/out/${q#*:}" -P "$lab/ppd-src/${q%%:*}.ppd" 2>>"$lab/log/lpadmin.err" ||
      { give_up "the queue ${q%%:*} could not be made"; return 1; }
  done
  lpadmin -d file-pdf 2>>"$lab/log/lpadmin.err" || { give_up "file-pdf could not be made the default"; return 1; }

  local uri="ipp://localhost:$ipp_port/ipp/print" made=""
  for _ in $(seq 100); do
    if (: </dev/tcp/127.0.0.1/"$ipp_port") 2>/dev/null; then
      made=1
      break
    fi
    kill -0 "$(cat "$lab/run/ippeveprinter.pid")" 2>/dev/null || break
    sleep 0.1
  done
  if [[ -z "$made" ]] || ! lpadmin -p ipp-everywhere -E -v "$uri" -m everywhere 2>>"$lab/log/lpadmin.err"; then
    give_up "the IPP Everywhere queue could not be made"
    return 1
  fi
  echo "$uri" >"$lab/run/everywhere-uri"
  echo "cups_lab: up at $sock (port $port), IPP Everywhere printer at $uri"
}

case $action in
  start) start ;;
  stop) stop ;;
  *) echo "usage: cups_lab.sh start|stop [LAB_DIR]" >&2; exit 2 ;;
esac
