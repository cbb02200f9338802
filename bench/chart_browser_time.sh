#!/usr/bin/env bash
# How long a headless browser takes to load and draw the chart of a year of one-minute Aerovane
# records (12 month logs, 525,600 records, made as bench_log makes them): prints the page's
# size, the time from navigation to the end of its load event (parsing, script and first
# drawing) and the time of one more full drawing. Exits 77 without a browser.
# Usage: chart_browser_time.sh HXLOG
set -euo pipefail
hxlog="$1"
browser="$(command -v chromium || command -v chromium-browser || true)"
if [ -z "$browser" ]; then
    echo "chart browser time skipped: no chromium installed"
    exit 77
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/logs" "$work/config"
python3 - "$work/logs" <<'PY'
import datetime, struct, sys
folder = sys.argv[1]
epoch = datetime.date(1899, 12, 30)
minute = 0
for month in range(1, 13):
    first = datetime.date(2025, month, 1)
    end = datetime.date(2026, 1, 1) if month == 12 else datetime.date(2025, month + 1, 1)
    day = (first - epoch).days
    records = bytearray()
    for m in range((end - first).days * 1440):
        records += struct.pack("<d", day + m / 1440.0)
        records += bytes((i * 13 + minute // (1 + i % 7)) & 0xFF for i in range(8, 72))
        minute += 1
    with open(f"{folder}/2025{month:02d}.avl", "wb") as out:
        out.write(records)
PY
XDG_CONFIG_HOME="$work/config" "$hxlog" --chart "$work/chart.html" "$work/logs"

check='<script>addEventListener("load",()=>{setTimeout(()=>{const r=[];
r.push("load_ms="+performance.now().toFixed(0));const t0=performance.now();draw();
r.push("draw_ms="+(performance.now()-t0).toFixed(0));
document.body.setAttribute("data-result",r.join(" "));},0);});</script>'
python3 - "$work/chart.html" "$work/probe.html" "$check" <<'PY'
import sys
page = open(sys.argv[1], encoding="utf-8").read()
open(sys.argv[2], "w", encoding="utf-8").write(page.replace("</body>", sys.argv[3] + "</body>", 1))
PY
dom="$(timeout 120 "$browser" --headless --no-sandbox --disable-gpu --no-first-run \
    --user-data-dir="$work/profile" --window-size=1280,640 --dump-dom "file://$work/probe.html" \
    2>/dev/null)"
result="$(printf '%s' "$dom" | sed -n 's/.*data-result="\([^"]*\)".*/\1/p')"
[ -n "$result" ] || { echo "the page gave no timing"; exit 1; }
echo "chart_bytes=$(stat -c %s "$work/chart.html") $result"
