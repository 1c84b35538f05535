#!/usr/bin/env bash
# Prints a workbook through a private CUPS scheduler with a PDF printer, then reads the PDF
# back. Exits 77 (skipped) when no scheduler can be started here.
# Usage: cups_print.sh <print_workbook program> <scratch folder>
set -uo pipefail

program=$1
scratch=$(realpath -m "$2")
skip() { echo "SKIPPED: $*"; exit 77; }

[[ $(id -u) -eq 0 ]] || skip "the PDF printer's backend runs only under a scheduler started as root"
for tool in /usr/sbin/cupsd lpadmin pdftotext; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (cups, cups-bsd, poppler-utils)"
done
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
[[ -f $ppd && -x /usr/lib/cups/backend/cups-pdf ]] || skip "printer-driver-cups-pdf is not installed"

rm -rf "$scratch"
mkdir -p "$scratch"/{etc/ppd,spool/tmp,cache,state,log}
chmod 0755 "$scratch" "$scratch"/spool "$scratch"/spool/tmp
socket=$scratch/cups.sock
cat >"$scratch/cupsd.conf" <<CONF
Listen $socket
LogLevel ${CUPS_LOG_LEVEL:-warn}
Browsing No
WebInterface No
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat >"$scratch/cups-files.conf" <<CONF
ServerRoot $scratch/etc
RequestRoot $scratch/spool
TempDir $scratch/spool/tmp
CacheDir $scratch/cache
StateDir $scratch/state
ErrorLog $scratch/log/error_log
AccessLog $scratch/log/access_log
PageLog $scratch/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
SystemGroup root
CONF

/usr/sbin/cupsd -f -c "$scratch/cupsd.conf" -s "$scratch/cups-files.conf" &
cupsd=$!
trap 'kill $cupsd 2>/dev/null; wait $cupsd 2>/dev/null' EXIT
export CUPS_SERVER=$socket

# Bounded polling: the scheduler is up once its socket answers.
for _ in $(seq 100); do
  [[ -S $socket ]] && lpstat -r >/dev/null 2>&1 && break
  kill -0 $cupsd 2>/dev/null || skip "cupsd did not start: $(cat "$scratch"/log/error_log 2>/dev/null)"
  sleep 0.1
done
lpstat -r >/dev/null 2>&1 || skip "cupsd does not answer on $socket"

# The queue turns PDF into PostScript for the PDF backend; Ghostscript, the default for that
# step, draws the text as outlines, which leaves nothing to read back.
lpadmin -p PDF -E -v cups-pdf:/ -P "$ppd" -o pdftops-renderer-default=pdftocairo && lpadmin -d PDF ||
  { echo "FAILED: lpadmin"; exit 1; }

pupil="Ученик-$$"
outdir=$HOME/PDF
mkdir -p "$outdir"
marker=$scratch/marker
touch "$marker"
"$program" PDF "$pupil" "$scratch/results.xls" || { echo "FAILED: printing"; exit 1; }

# The job runs through the filters and the PDF backend; wait for its file (bounded).
pdf=
for _ in $(seq ${PDF_WAIT_STEPS:-300}); do
  for f in "$outdir"/*.pdf; do
    [[ -f $f && $f -nt $marker ]] || continue
    pdftotext -layout "$f" - 2>/dev/null | grep -q -- "$pupil" && pdf=$f && break
  done
  [[ -n $pdf ]] && break
  sleep 0.1
done
if [[ -z $pdf ]]; then
  echo "FAILED: no PDF with the pupil's name in $outdir"
  cat "$scratch"/log/error_log 2>/dev/null
  exit 1
fi
mv "$pdf" "$scratch/printed.pdf"
text=$(pdftotext -layout "$scratch/printed.pdf" -)
echo "$text"
status=0
for line in "Название +Игра «Тиморвал»" "Номер ЦОР +04517" "Ученик +$pupil" "Время выполнения +12345" "Попыток +3"; do
  grep -Eq -- "$line" <<<"$text" || { echo "FAILED: no line matching '$line'"; status=1; }
done
exit $status
