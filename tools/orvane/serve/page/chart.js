// A camera's chart of the last ten minutes, as small multiples: one panel per
// rule stacked over one time axis, each with its own value scale and its own
// limits. Computed from the page's history alone (no DOM), so that node --test
// checks the geometry it is drawn with.
import { formatCelsius, HISTORY_SECONDS, isNumber, isPoint, readingAlarm } from "./view.js";

// Each colour means one thing on every chart of the page: a reading (the same
// reading in the same colour and dash in every panel), the limit, an alarm.
// Reading colours are from a palette that stays apart for colour-blind eyes;
// red is kept for alarms alone.
export const CHART_COLOURS = {
    max: "#e69f00",
    avg: "#009e73",
    min: "#0072b2",
    point: "#cc79a7",
    limit: "#7a7f89",
    alarm: "#e0101a",
};
const DASHES = { max: "", avg: "6 3", min: "2 2", point: "" };
const REGION_READINGS = ["max", "avg", "min"];
// Index of each reading in a history sample [time, max, min, avg, point].
const SAMPLE_INDEX = { max: 1, min: 2, avg: 3, point: 4 };

// Geometry in px at the size the chart is shown at, so that its text keeps its size.
export const CHART_LAYOUT = {
    left: 40, // room for the value labels
    right: 12,
    top: 2,
    title: 18, // a panel's title row, above its plot
    plot: 64, // a panel's plot height: three value labels stay apart
    gap: 8, // between one panel's plot and the next panel's title
    axis: 22, // the time labels under the last panel
};

function round1(value) {
    return Math.round(value * 10) / 10;
}

// A step of 1, 2 or 5 times a power of ten that cuts `span` into about `parts`.
export function niceStep(span, parts) {
    const raw = span / parts;
    const power = 10 ** Math.floor(Math.log10(raw));
    for (const factor of [1, 2, 5]) {
        if (raw <= factor * power) return factor * power;
    }
    return 10 * power;
}

// The value range a panel shows: its readings and, when it has readings, its
// limits, with room above and below, cut at round values.
function valueRange(values, limits) {
    let low = Math.min(...values);
    let high = Math.max(...values);
    if (!values.length) {
        low = 20;
        high = 50;
    } else {
        for (const limit of limits) {
            if (isNumber(limit)) {
                low = Math.min(low, limit);
                high = Math.max(high, limit);
            }
        }
    }
    if (high - low < 2) {
        const middle = (high + low) / 2;
        low = middle - 1;
        high = middle + 1;
    }
    const margin = (high - low) * 0.05;
    const step = niceStep(high - low + 2 * margin, 2);
    return { low: Math.floor((low - margin) / step) * step, high: Math.ceil((high + margin) / step) * step, step };
}

// The limits of one series: its own when the page knows them, else the chart's.
function limitsOf(series, above, below) {
    return {
        above: "above" in series ? series.above : above,
        below: "below" in series ? series.below : below,
    };
}

function limitText({ above, below }) {
    const parts = [];
    if (isNumber(above)) parts.push(`above ${formatCelsius(above)}`);
    if (isNumber(below)) parts.push(`below ${formatCelsius(below)}`);
    return parts.length ? `alarm ${parts.join(", ")}` : "";
}

// The chart of one camera over the last ten minutes ending at `now`. Each series
// (one rule of one channel) may carry its own `above` and `below` limits; `above`
// and `below` are for series that do not. `width` is the size it is shown at;
// `interval` the service's polling interval in seconds.
export function chartModel(
    seriesList,
    { now, seconds = HISTORY_SECONDS, above = null, below = null, width = 640, interval = 1 } = {},
) {
    const L = CHART_LAYOUT;
    const plotWidth = width - L.left - L.right;
    const start = now - seconds;
    const multiChannel = new Set(seriesList.map((s) => s.channel)).size > 1;
    const x = (time) => round1(L.left + ((time - start) / seconds) * plotWidth);
    // A line breaks where a reading is missing or the samples are further apart
    // than a few polls (the camera, the service or the page was away).
    const gap = Math.max(5, 3 * (isNumber(interval) ? interval : 1));

    const panels = (seriesList.length ? seriesList : [null]).map((series, index) => {
        const top = L.top + index * (L.title + L.plot + L.gap);
        const plot = { left: L.left, top: top + L.title, width: plotWidth, height: L.plot };
        const limits = series ? limitsOf(series, above, below) : { above: null, below: null };
        const names = !series ? [] : isPoint(series.type) ? ["point"] : REGION_READINGS;
        const samples = series ? series.samples.filter((s) => s[0] >= start && s[0] <= now) : [];
        const readings = names.map((name) => ({
            name,
            points: samples.map((s) => (isNumber(s[SAMPLE_INDEX[name]]) ? [s[0], s[SAMPLE_INDEX[name]]] : null)),
        }));
        const values = readings.flatMap((r) => r.points.filter(Boolean).map((p) => p[1]));
        const { low, high, step } = valueRange(values, [limits.above, limits.below]);
        const y = (value) => round1(plot.top + ((high - value) / (high - low)) * plot.height);

        const lines = readings.map(({ name, points }) => {
            let d = "";
            let previous = null;
            for (const point of points) {
                if (point) d += `${previous && point[0] - previous[0] <= gap ? "L" : "M"}${x(point[0])} ${y(point[1])}`;
                previous = point;
            }
            return {
                key: `${series.channel}-${series.rule}-${name}`,
                name,
                colour: CHART_COLOURS[name],
                dash: DASHES[name],
                d,
                points,
            };
        });
        // Every reading beyond its limit gets a dot (one path for all of them).
        let alarmPath = "";
        let alarmCount = 0;
        for (const line of lines) {
            for (const point of line.points) {
                if (point && readingAlarm(line.name, point[1], limits.above, limits.below)) {
                    alarmPath += `M${x(point[0])} ${y(point[1])}h0`;
                    ++alarmCount;
                }
            }
        }
        const yTicks = [];
        for (let value = low; value <= high + step / 2; value += step) {
            yTicks.push({ y: y(value), label: Number(value.toFixed(6)).toString() });
        }
        const thresholds = [];
        for (const side of ["above", "below"]) {
            const value = limits[side];
            if (isNumber(value) && value >= low && value <= high) thresholds.push({ side, value, y: y(value) });
        }
        const channel = series && multiChannel ? `channel ${series.channel} · ` : "";
        return {
            key: series ? `${series.channel}-${series.rule}` : "none",
            title: series ? `${channel}rule ${series.rule} · ${series.type || "rule"}` : "",
            titleY: top + L.title - 5,
            limitText: limitText(limits),
            limits,
            plot,
            low,
            high,
            yTicks,
            thresholds,
            lines,
            alarmPath,
            alarmCount,
            empty: !lines.some((line) => line.d),
        };
    });

    const last = panels[panels.length - 1].plot;
    const height = last.top + last.height + L.axis;
    const xTicks = [];
    // A label every two minutes, or every five where they would run together.
    const timeStep = plotWidth >= 400 ? 120 : 300;
    for (let ago = seconds; ago >= 0; ago -= timeStep) {
        xTicks.push({
            x: x(now - ago),
            y: last.top + last.height + 16,
            label: ago === 0 ? "now" : `−${ago / 60} min`,
            anchor: ago === 0 ? "end" : ago === seconds ? "start" : "middle",
        });
    }
    const alarmCount = panels.reduce((sum, p) => sum + p.alarmCount, 0);
    const shown = new Set(panels.flatMap((p) => p.lines.filter((l) => l.d).map((l) => l.name)));
    const legend = ["max", "avg", "min", "point"]
        .filter((name) => shown.has(name))
        .map((name) => ({ key: name, label: name, colour: CHART_COLOURS[name], dash: DASHES[name] }));
    if (panels.some((p) => p.thresholds.length))
        legend.push({ key: "limit", label: "alarm limit", colour: CHART_COLOURS.limit, dash: "5 4" });
    if (alarmCount) legend.push({ key: "alarm", label: "alarm", colour: CHART_COLOURS.alarm, dot: true });

    return {
        width,
        height,
        panels: panels.map(({ lines, ...panel }) => ({
            ...panel,
            lines: lines.map(({ key, name, colour, dash, d }) => ({ key, name, colour, dash, d })),
        })),
        xTicks,
        legend,
        alarmCount,
        empty: panels.every((p) => p.empty),
        summary: chartSummary(panels),
    };
}

// The chart in words, for those who cannot see it.
function chartSummary(panels) {
    const parts = [];
    for (const panel of panels) {
        const readings = [];
        for (const line of panel.lines) {
            const values = line.points.filter(Boolean).map((p) => p[1]);
            if (!values.length) continue;
            // A line that ended in a gap has no latest reading, only a last one.
            const ended = line.points[line.points.length - 1] === null;
            const last = formatCelsius(values[values.length - 1]);
            readings.push(
                `${line.name} from ${formatCelsius(Math.min(...values))} to ${formatCelsius(Math.max(...values))}, ` +
                    (ended ? `last ${last}, none since` : `latest ${last}`),
            );
        }
        if (!readings.length) continue;
        let text = `${panel.title}: ${readings.join("; ")}`;
        if (panel.limitText) {
            text += panel.alarmCount
                ? ` (${panel.alarmCount} ${panel.alarmCount === 1 ? "reading" : "readings"} beyond its ${panel.limitText})`
                : ` (none beyond its ${panel.limitText})`;
        }
        parts.push(text);
    }
    return parts.length ? `Last 10 minutes: ${parts.join(". ")}.` : "No readings in the last 10 minutes.";
}
