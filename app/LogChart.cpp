#include "app/LogChart.h"

#include "app/Driver.h"
#include "devices/Texts.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"
#include "platform/Folders.h"
#include "platform/StreamingOutput.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace hortivex {
namespace fs = std::filesystem;

namespace {

// The value the models answer for a trace with nothing to show at that time.
constexpr double kNoValue = -9999.0;

// Appends text (Latin-1, as the models keep it) as a JSON string.
void AppendJsonString(std::string& out, const std::string& text) {
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\' || c == '<' || c == '&') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

// Enough digits for the value: 10 for a date-time (a second), 7 for a trace's float value.
void AppendNumber(std::string& out, double value, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    out += text;
}

bool SameController(const LogOwner& a, const LogOwner& b) {
    return a.kind == b.kind && a.known == b.known && a.room == b.room &&
           a.controller == b.controller && a.workingFolder == b.workingFolder;
}

// The page around the data: an SVG drawn by the script below, a legend and a pointer readout.
constexpr const char* kPageHead = R"(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>Month logs</title>
<style>
body{font:13px sans-serif;margin:12px}#legend span{cursor:pointer;margin-right:12px;
white-space:nowrap}#legend span.off{opacity:.35}#legend b{display:inline-block;width:14px;
height:4px;margin-right:4px;vertical-align:middle}#tip{min-height:1.4em}svg{border:1px solid #ccc}
</style></head><body><h3 id="title"></h3><div id="legend"></div>
<svg id="chart" width="1200" height="480" viewBox="0 0 1200 480"></svg><div id="tip"></div>
<script>
const data=)";

constexpr const char* kPageTail = R"(;
const W=1200,H=480,svg=document.getElementById('chart'),NS='http://www.w3.org/2000/svg';
document.getElementById('title').textContent=data.title;
const x=t=>(t-data.t0)/Math.max(data.t1-data.t0,1e-9)*(W-1);
function scaleOf(tr){let lo=Infinity,hi=-Infinity;for(const p of tr.points){lo=Math.min(lo,p[1]);
hi=Math.max(hi,p[1]);}if(lo>hi){lo=0;hi=1;}if(lo===hi){lo-=1;hi+=1;}return [lo,hi];}
function when(t){return new Date(Math.round((t-25569)*864e5)).toISOString().slice(0,19).replace('T',' ');}
const lines=[];
function draw(){svg.textContent='';lines.length=0;
for(const tr of data.traces){if(!tr.shown)continue;const [lo,hi]=tr.range;
const pl=document.createElementNS(NS,'polyline');pl.setAttribute('fill','none');
pl.setAttribute('stroke',tr.colour);pl.setAttribute('class','trace');pl.dataset.name=tr.name;
pl.setAttribute('points',tr.points.map(p=>x(p[0]).toFixed(1)+','+
(H-4-(p[1]-lo)/(hi-lo)*(H-8)).toFixed(1)).join(' '));svg.appendChild(pl);lines.push(pl);}}
const legend=document.getElementById('legend');
for(const tr of data.traces){tr.range=scaleOf(tr);const s=document.createElement('span');
s.className=tr.shown?'':'off';s.title=tr.group;const b=document.createElement('b');
b.style.background=tr.colour;s.appendChild(b);s.appendChild(document.createTextNode(tr.name));
s.addEventListener('click',()=>{tr.shown=!tr.shown;s.className=tr.shown?'':'off';draw();});
legend.appendChild(s);}
function nearest(tr,t){const p=tr.points;let a=0,b=p.length-1;if(b<0)return null;
while(a<b){const m=(a+b)>>1;if(p[m][0]<t)a=m+1;else b=m;}
if(a>0&&Math.abs(p[a-1][0]-t)<Math.abs(p[a][0]-t))a--;return p[a];}
svg.addEventListener('mousemove',e=>{const r=svg.getBoundingClientRect();
const t=data.t0+(e.clientX-r.left)/r.width*(data.t1-data.t0);const parts=[when(t)];
for(const tr of data.traces){if(!tr.shown)continue;const p=nearest(tr,t);
if(p)parts.push(tr.name+': '+(+p[1].toPrecision(6)));}
document.getElementById('tip').textContent=parts.join('   ');});
draw();
</script></body></html>
)";

} // namespace

std::vector<ChartPoint> DecimateMinMax(const std::vector<ChartPoint>& points, int columns) {
    if (points.size() <= static_cast<std::size_t>(columns) * 4 || columns < 1)
        return points;
    const double first = points.front().time;
    const double span = points.back().time - first;
    std::vector<ChartPoint> kept;
    kept.reserve(static_cast<std::size_t>(columns) * 4);
    std::size_t i = 0;
    while (i < points.size()) {
        const int column =
            span > 0
                ? std::min(columns - 1, static_cast<int>((points[i].time - first) / span * columns))
                : 0;
        std::size_t low = i;
        std::size_t high = i;
        std::size_t j = i + 1;
        for (; j < points.size(); ++j) {
            const int next =
                span > 0 ? std::min(columns - 1,
                                    static_cast<int>((points[j].time - first) / span * columns))
                         : 0;
            if (next != column)
                break;
            if (points[j].value < points[low].value)
                low = j;
            if (points[j].value > points[high].value)
                high = j;
        }
        // Its first and last point too, so that the line keeps its ends and joins the next
        // column where it really does.
        std::size_t picks[] = {i, std::min(low, high), std::max(low, high), j - 1};
        for (std::size_t k = 0; k < 4; ++k) {
            if (k == 0 || picks[k] != picks[k - 1])
                kept.push_back(points[picks[k]]);
        }
        i = j;
    }
    return kept;
}

std::uint64_t WriteLogChart(const std::vector<fs::path>& logs, const fs::path& htmlPath,
                            const LogWarning& warn) {
    if (logs.empty())
        throw HxError("no month log to chart");
    std::optional<LogKind> kind = LogKindOf(logs.front());
    if (!kind)
        throw HxError(MessageName(logs.front()) + ": not a month log (.fvl or .avl)");
    LogOwner owner = LogOwnerOf(logs.front());
    owner.kind = *kind;
    for (const fs::path& log : logs) {
        LogOwner other = LogOwnerOf(log);
        const std::optional<LogKind> otherKind = LogKindOf(log);
        if (!otherKind)
            throw HxError(MessageName(log) + ": not a month log (.fvl or .avl)");
        other.kind = *otherKind;
        if (!SameController(owner, other))
            throw HxError(MessageName(logs.front()) + " and " + MessageName(log) +
                          " are logs of two controllers; a chart shows one controller");
    }
    const Ref<TDevice> device = MakeLogDevice(owner);
    // The view file beside the logs' room is only read: a missing one is not made.
    bool fromView = false;
    const std::string viewPath = owner.workingFolder + owner.room + kPathSeparator +
                                 Text(TextId::FolderViews) + kPathSeparator + owner.controller +
                                 device->GetViewExtension();
    if (owner.controllerKnown && Examine(viewPath).kind == PathKind::File) {
        std::string& workingFolder = Process().workingFolder;
        const std::string saved = std::exchange(workingFolder, owner.workingFolder);
        try {
            device->LoadView(1);
            fromView = true;
        } catch (const std::exception& e) {
            if (warn)
                warn(e.what() + std::string("; the default traces are shown"));
        }
        workingFolder = saved;
    }
    if (!fromView)
        device->ResetTraces(true);
    const int traces = device->GetTraceCount(false);

    std::vector<float> scales;
    for (int n = 1; n <= traces; ++n)
        scales.push_back(device->GetTraceEntry(n).scale);
    // One row a record: its time, then each trace's value as a float (NaN for none), so that a
    // year of one-minute records takes some 60 MB, not a point per value.
    const std::size_t width = static_cast<std::size_t>(traces);
    std::vector<double> times;
    std::vector<float> values;
    for (const fs::path& log : logs) {
        device->AssignLogFile(FileNameText(log));
        device->OpenLogFile();
        for (std::uint64_t record = 1; !device->LogEof(); ++record) {
            device->ReadLogRecord();
            const double time = device->GetRecordTime();
            std::string ignored;
            if (!AppendIsoDateTime(ignored, time)) {
                if (warn)
                    warn(MessageName(log) + ": record " + std::to_string(record) +
                         " has no valid date and time; left out");
                continue;
            }
            times.push_back(time);
            for (int n = 1; n <= traces; ++n) {
                const double value = device->GetTraceValue(n);
                values.push_back(
                    std::isfinite(value) && value != kNoValue
                        ? static_cast<float>(value * scales[static_cast<std::size_t>(n - 1)])
                        : NAN);
            }
        }
        device->CloseLogFile();
    }
    // Records out of time order are charted in time order.
    std::vector<std::size_t> order(times.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return times[a] < times[b]; });
    const double t0 = times.empty() ? 0 : times[order.front()];
    const double t1 = times.empty() ? 1 : times[order.back()];
    const std::uint64_t records = times.size();

    std::string page = kPageHead;
    page += "{\"title\":";
    AppendJsonString(page,
                     owner.controllerKnown
                         ? owner.room + " / " + owner.controller
                         : (owner.known ? owner.room : FileNameText(logs.front().filename())));
    page += ",\"t0\":";
    AppendNumber(page, t0, 10);
    page += ",\"t1\":";
    AppendNumber(page, t1, 10);
    page += ",\"traces\":[";
    for (int n = 1; n <= traces; ++n) {
        const TTraceEntry entry = device->GetTraceEntry(n);
        const std::uint32_t colour = entry.colour;
        char css[8];
        std::snprintf(css, sizeof css, "#%02x%02x%02x", colour & 0xFF, (colour >> 8) & 0xFF,
                      (colour >> 16) & 0xFF);
        page += n > 1 ? ",{" : "{";
        page += "\"name\":";
        AppendJsonString(page, device->GetTraceName(n, false));
        page += ",\"group\":";
        AppendJsonString(page, device->GetTraceGroupName(n));
        page += ",\"colour\":\"";
        page += css;
        page += "\",\"shown\":";
        page += device->IsTraceVisible(n) ? "true" : "false";
        page += ",\"points\":[";
        bool first = true;
        std::vector<ChartPoint> points;
        for (const std::size_t i : order) {
            const float value = values[i * width + static_cast<std::size_t>(n - 1)];
            if (!std::isnan(value))
                points.push_back({times[i], value});
        }
        for (const ChartPoint& p : DecimateMinMax(points, kChartColumns)) {
            page += first ? "[" : ",[";
            first = false;
            AppendNumber(page, p.time, 10);
            page += ',';
            AppendNumber(page, p.value, 7);
            page += ']';
        }
        page += "]}";
    }
    page += "]}";
    page += kPageTail;
    StreamingOutput out(htmlPath);
    out.Write(page);
    out.Commit();
    return records;
}

} // namespace hortivex
