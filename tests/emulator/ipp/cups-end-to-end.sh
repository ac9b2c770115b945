#!/usr/bin/env bash
# A PDF receipt, printed by a browser, goes through a real CUPS queue (a private cupsd, a queue
# made with lpadmin -m everywhere) to the virtual printer's IPP printer; the receipt it keeps must
# read back as text (tesseract) and its QR code decode (zbarimg). Exits 77 when a tool is missing
# (Debian: cups cups-filters chromium tesseract-ocr zbar-tools).
# Usage: cups-end-to-end.sh VIRTUAL_PRINTER [EVIDENCE_FOLDER]
set -euo pipefail
printer=${1:?usage: cups-end-to-end.sh VIRTUAL_PRINTER [EVIDENCE_FOLDER]}
evidence=${2:-}
for tool in cupsd lpadmin lp chromium tesseract zbarimg; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
chmod 755 "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
# Waits for the command to succeed; two minutes without it is a failure, however loaded the
# machine.
wait_for() {
    for _ in $(seq 1200); do "$@" && return 0; sleep 0.1; done
    return 1
}

# The receipt: a page of text and a QR code drawn by the printer itself, printed to PDF by a
# browser on an 80 mm page.
printf '\033@\035(k\004\0001A2\000\035(k\003\0001C\010\035(k\035\0001P0https://pos.example/r/0042\035(k\003\0001Q0\n' \
    > "$work/qr.bin"
"$printer" --input "$work/qr.bin" --png "$work/qr.png" 2>/dev/null
cat > "$work/receipt.html" <<'HTML'
<!doctype html>
<html><head><meta charset="utf-8"><style>
@page { size: 80mm 120mm; margin: 4mm; }
body { font: 14pt sans-serif; margin: 0; }
img { width: 60mm; display: block; margin: 2mm auto; }
</style></head><body>
<p>CORNER CAFE<br>Coffee 3.50<br>Bagel 2.25<br>TOTAL 5.75</p>
<img src="qr.png">
</body></html>
HTML
chromium --headless --no-sandbox --disable-gpu --no-pdf-header-footer \
    --print-to-pdf="$work/receipt.pdf" "file://$work/receipt.html" >/dev/null 2>&1
[ -s "$work/receipt.pdf" ]

# The virtual printer, saving what it prints.
mkdir -p "$work/saved"
"$printer" --headless --listen off --ipp 127.0.0.1:0 --save "$work/saved" \
    >"$work/printer.out" 2>"$work/printer.err" </dev/null &
pids+=($!)
wait_for grep -q '^ipp ' "$work/printer.out" || { cat "$work/printer.err"; exit 1; }
uri=$(sed -n 's/^ipp //p' "$work/printer.out")

# A private cupsd on a socket of its own, its files in the work folder.
mkdir -p "$work"/{etc,spool,cache,state,log,tmp}
chmod 1777 "$work/tmp"
cat > "$work/etc/cupsd.conf" <<CONF
Listen $work/cups.sock
LogLevel info
Browsing No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat > "$work/etc/cups-files.conf" <<CONF
ServerRoot $work/etc
RequestRoot $work/spool
CacheDir $work/cache
StateDir $work/state
TempDir $work/tmp
AccessLog $work/log/access_log
ErrorLog $work/log/error_log
PageLog $work/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
CONF
cupsd -f -c "$work/etc/cupsd.conf" -s "$work/etc/cups-files.conf" &
pids+=($!)
export CUPS_SERVER=$work/cups.sock
# lpstat -r says whether the scheduler runs but exits 0 either way: its words are what count.
scheduler_runs() { LC_ALL=C lpstat -r 2>/dev/null | grep -qx 'scheduler is running'; }
wait_for scheduler_runs || { echo "cupsd did not start:"; cat "$work/log/error_log"; exit 1; }

lpadmin -p receipt -E -v "$uri" -m everywhere
# cupsd answers lpadmin at once and makes the queue's PPD from the printer's attributes
# afterwards; until then the queue is a raw one, which would send the PDF as it is. The queue is
# ready when it names the printer's model instead of a raw printer.
queue_has_ppd() { lpoptions -p receipt | grep -q "printer-make-and-model='[^']*IPP Everywhere'"; }
wait_for queue_has_ppd || { echo "the queue got no PPD:"; cat "$work/log/error_log"; exit 1; }
# finishings 11 (trim): the paper is cut at the job's end.
lp -d receipt -o finishings=11 "$work/receipt.pdf" >/dev/null
# --save writes the receipt's picture and its JSON, each under a temporary name renamed when whole.
receipt_saved() { [ -e "$work/saved/receipt-0001.png" ] && [ -e "$work/saved/receipt-0001.json" ]; }
if ! wait_for receipt_saved; then
    echo "no receipt came; cupsd's log:"
    cat "$work/log/error_log" "$work/printer.err"
    grep -h "cupsFilter2" "$work"/etc/ppd/*.ppd || true
    exit 1
fi

text=$(tesseract "$work/saved/receipt-0001.png" - 2>/dev/null)
code=$(zbarimg -q "$work/saved/receipt-0001.png" 2>/dev/null || true)
if [ -n "$evidence" ]; then
    mkdir -p "$evidence"
    cp "$work/receipt.pdf" "$work/saved/receipt-0001.png" "$evidence/"
    ! command -v pdftoppm >/dev/null \
        || pdftoppm -png -r 203 -singlefile "$work/receipt.pdf" "$evidence/receipt-pdf-page"
    printf '%s\n' "$text" > "$evidence/receipt-ocr.txt"
fi
echo "$text" | grep -q "TOTAL 5.75" || { echo "OCR did not read the total: $text"; exit 1; }
[ "$code" = "QR-Code:https://pos.example/r/0042" ] || { echo "QR code not read: $code"; exit 1; }
grep -q '"cut": "full"' "$work/saved/receipt-0001.json" || { echo "the receipt was not cut"; exit 1; }
echo "the receipt came through CUPS: text and QR code read back"
