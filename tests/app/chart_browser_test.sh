#!/usr/bin/env bash
# The chart page of the sample Aerovane log in a headless browser: it loads with no error on the
# console, draws one line per trace shown, and a legend click hides the trace and a second one
# shows it again. The screenshot stays in OUT_DIR. Exits 77 (skipped) without a browser.
# Usage: chart_browser_test.sh HXLOG SOURCE_DIR OUT_DIR
set -euo pipefail
hxlog="$1" root="$2" out="$3"
browser="$(command -v chromium || command -v chromium-browser || true)"
if [ -z "$browser" ]; then
    echo "chart browser test skipped: no chromium installed"
    exit 77
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out" "$work/config"
cp "$root/samples/greenhouse1.avl" "$work/"
XDG_CONFIG_HOME="$work/config" "$hxlog" --chart "$work/chart.html" "$work/greenhouse1.avl"

# The checks run in the page after its own script: errors are caught from the start.
probe='<script>window.__errors=[];addEventListener("error",e=>__errors.push(e.message));
const __ce=console.error;console.error=(...a)=>{__errors.push(a.join(" "));__ce(...a);};</script>'
check='<script>addEventListener("load",()=>{const r=[];const count=()=>
document.querySelectorAll("polyline.trace").length;try{
const shown=data.traces.filter(t=>t.shown).length;r.push("lines="+count()+"/"+shown);
const i=data.traces.findIndex(t=>t.shown);const s=document.querySelectorAll("#legend span")[i];
s.click();const hidden=count();s.click();r.push("toggle="+hidden+"/"+count());
const t0=performance.now();draw();r.push("draw_ms="+(performance.now()-t0).toFixed(1));
}catch(e){__errors.push(String(e));}r.push("errors="+__errors.length);
document.body.setAttribute("data-result",r.join(";"));});</script>'
python3 - "$work/chart.html" "$work/probe.html" "$probe" "$check" <<'PY'
import sys
page = open(sys.argv[1], encoding="utf-8").read()
page = page.replace("<head>", "<head>" + sys.argv[3], 1).replace("</body>", sys.argv[4] + "</body>", 1)
open(sys.argv[2], "w", encoding="utf-8").write(page)
PY
run() {
    timeout 60 "$browser" --headless --no-sandbox --disable-gpu --no-first-run \
        --user-data-dir="$work/profile" --enable-logging=stderr --v=0 "$@" 2>"$work/console.txt"
}
dom="$(run --dump-dom "file://$work/probe.html")"
result="$(printf '%s' "$dom" | sed -n 's/.*data-result="\([^"]*\)".*/\1/p')"
run --screenshot="$out/chart.png" --window-size=1280,640 "file://$work/chart.html" >/dev/null
echo "chart page: $result"
shown="$(printf '%s' "$result" | sed -n 's/.*lines=[0-9]*\/\([0-9]*\).*/\1/p')"
[ -n "$shown" ] && [ "$shown" -gt 0 ] || { echo "no trace shown"; exit 1; }
case "$result" in
*"lines=$shown/$shown;toggle=$((shown - 1))/$shown;"*"errors=0") ;;
*) echo "chart page check failed"; exit 1 ;;
esac
if grep -E 'CONSOLE.*(Uncaught|Error)' "$work/console.txt"; then
    echo "the page wrote an error to the console"
    exit 1
fi
[ -s "$out/chart.png" ] || { echo "no screenshot"; exit 1; }
echo "screenshot: $out/chart.png"
