// What the live page draws, computed from the service's JSON alone: no DOM, no
// fetch, so that node --test checks it as it is served.

export const HISTORY_SECONDS = 600;

// Per rule (in the order the camera reports them) a colour for max, avg and min
// (a point takes the first) and a line style: the palette of thermo record's chart.
const RULE_STYLES = [
    { colours: ["#d62728", "#2ca02c", "#1f77b4"], dash: "" },
    { colours: ["#ff7f0e", "#8c564b", "#9467bd"], dash: "6 3" },
    { colours: ["#e377c2", "#17becf", "#393b79"], dash: "2 2" },
    { colours: ["#843c39", "#bcbd22", "#7f7f7f"], dash: "8 3 2 3" },
];
const REGION_READINGS = ["max", "avg", "min"];
// Index of each reading in a history sample [time, max, min, avg, point].
const SAMPLE_INDEX = { max: 1, min: 2, avg: 3, point: 4 };

export function isNumber(value) {
    return typeof value === "number" && Number.isFinite(value);
}

// A temperature as the tool prints it: two decimals and the unit.
export function formatCelsius(value) {
    return isNumber(value) ? `${value.toFixed(2)} °C` : "—";
}

// A failure as the tool prints it: "error N: English (text)".
export function failureText(failure) {
    if (!failure) return "";
    const english = (failure.english || "").trim() || "unknown failure";
    const detail = (failure.text || "").trim();
    const text = detail && detail !== english ? ` (${detail})` : "";
    return `error ${failure.code}: ${english}${text}`;
}

// A span of time as people read it: seconds for the first two minutes, then
// minutes, hours and days, so that an old reading's age stays short.
export function formatAge(seconds) {
    if (!isNumber(seconds) || seconds < 0) return null;
    const whole = Math.floor(seconds);
    if (whole < 120) return `${whole} s`;
    const minutes = Math.floor(whole / 60);
    if (minutes < 120) return `${minutes} min`;
    const hours = Math.floor(minutes / 60);
    if (hours < 48) return `${hours} h`;
    return `${Math.floor(hours / 24)} d`;
}

// The subscription states of /api/cameras that the page treats apart.
const CHANNEL_RUNNING = 1;
const CHANNEL_STARTING = 5;
const CHANNEL_SILENT = 6;

// The badge of a channel: a level for its colour and the service's own words.
// Levels: "ok" running, "warn" starting or briefly without data, "bad" failing
// or silent, "off" not logged in. A silent channel's figure is the one that
// keeps growing across restarts, so that a restart never makes it look fresh.
export function healthView(camera, channel) {
    if (!camera.up || !channel || channel.state === 0) {
        return { level: "off", text: (channel && channel.health) || "not logged in" };
    }
    const text = channel.health || "unknown";
    switch (channel.state) {
        case CHANNEL_RUNNING:
            return { level: text === "running" ? "ok" : "warn", text };
        case CHANNEL_STARTING:
            return { level: "warn", text };
        case CHANNEL_SILENT: {
            const age = formatAge(channel.seconds_since_data);
            return { level: "bad", text: age ? `silent · no data for ${age}` : "silent" };
        }
        default:
            return { level: "bad", text };
    }
}

// The badge of a camera's login. A refused password is named: it is retried
// only rarely (cameras lock accounts), so someone has to act on it.
export function loginView(camera) {
    const state = camera.state || (camera.up ? "up" : "down");
    if (state === "up" && camera.up) return { state, level: "ok", text: "logged in" };
    if (state === "wrong password") return { state, level: "bad", text: "wrong password" };
    return { state: "down", level: "bad", text: "not logged in" };
}

// Whether a rule's reading is the camera's present state: the service keeps the
// last reading of a camera that is down or a channel that went quiet, marked so.
export function isCurrent(camera, rule) {
    return Boolean(camera.up) && rule.current === true;
}

export function isPoint(type) {
    return type === "point";
}

// Which side a reading's value is on against the thresholds: a point's reading
// counts as both the high and the low, as in thermo record.
export function readingAlarm(name, value, above, below) {
    if (!isNumber(value)) return null;
    const high = name === "max" || name === "point";
    const low = name === "min" || name === "point";
    if (high && isNumber(above) && value > above) return "above";
    if (low && isNumber(below) && value < below) return "below";
    return null;
}

// The readings of a rule as drawn in its row. An old reading is no alarm: it
// says nothing of the temperature now.
export function ruleReadings(rule, above, below, current = true) {
    const names = isPoint(rule.type) ? ["point"] : ["max", "min", "avg"];
    return names.map((name) => {
        const value = rule[`${name}_celsius`];
        return {
            name,
            value: isNumber(value) ? value : null,
            text: formatCelsius(value),
            alarm: current ? readingAlarm(name, value, above, below) : null,
        };
    });
}

// How a rule that is not current is labelled: with how old its reading is.
export function staleText(ageSeconds) {
    const age = formatAge(ageSeconds);
    return age ? `stale · ${age} old` : "stale";
}

function ruleTypeText(type) {
    return type ? String(type) : "rule";
}

// The model of every panel from one /api/cameras document.
export function panelModels(doc) {
    const above = isNumber(doc.alarm_above_celsius) ? doc.alarm_above_celsius : null;
    const below = isNumber(doc.alarm_below_celsius) ? doc.alarm_below_celsius : null;
    return (doc.cameras || []).map((camera) => {
        const channels = camera.channels && camera.channels.length ? camera.channels : [null];
        return {
            camera: camera.camera,
            up: Boolean(camera.up),
            login: loginView(camera),
            logins: camera.logins_total ?? 0,
            loginFailures: camera.login_failures_total ?? 0,
            failure: failureText(camera.last_failure),
            channels: channels.map((channel) => {
                const health = healthView(camera, channel);
                const rules = (channel && channel.rules) || [];
                const ruleModels = rules.map((rule) => {
                    const current = isCurrent(camera, rule);
                    const readings = ruleReadings(rule, above, below, current);
                    const alarmed = readings.find((r) => r.alarm);
                    return {
                        rule: rule.rule,
                        type: ruleTypeText(rule.type),
                        preset: rule.preset ?? 0,
                        cameraTime: rule.camera_time || "",
                        current,
                        age: current ? 0 : isNumber(rule.age_seconds) ? rule.age_seconds : null,
                        stale: current ? null : staleText(rule.age_seconds),
                        readings,
                        alarm: alarmed ? alarmed.alarm : null,
                    };
                });
                return {
                    channel: channel ? channel.channel : 1,
                    state: (camera.up && channel && channel.state) || 0,
                    silent: Boolean(camera.up && channel && channel.state === CHANNEL_SILENT),
                    health,
                    restarts: (channel && channel.restarts_total) || 0,
                    dataEvents: (channel && channel.data_events_total) || 0,
                    cameraCode: (channel && channel.camera_code) || 0,
                    rules: ruleModels,
                    alarm: ruleModels.some((r) => r.alarm),
                };
            }),
        };
    });
}

// The line under the page's title: cameras, channels running (a silent one is
// not), and what needs someone: silent channels, cameras not logged in, alarms.
export function overviewModel(doc, models) {
    const channels = models.flatMap((m) => m.channels);
    const running = channels.filter((c) => c.health.level === "ok").length;
    const silent = channels.filter((c) => c.silent).length;
    const down = models.filter((m) => m.login.state === "down").length;
    const refused = models.filter((m) => m.login.state === "wrong password").length;
    const alarms = channels.filter((c) => c.alarm).length;
    const parts = [
        `${models.length} ${models.length === 1 ? "camera" : "cameras"}`,
        `${running} of ${channels.length} running`,
    ];
    if (silent) parts.push(`${silent} silent`);
    if (down) parts.push(`${down} not logged in`);
    if (refused) parts.push(`${refused} with a wrong password`);
    const limits = [];
    if (isNumber(doc.alarm_above_celsius)) limits.push(`above ${formatCelsius(doc.alarm_above_celsius)}`);
    if (isNumber(doc.alarm_below_celsius)) limits.push(`below ${formatCelsius(doc.alarm_below_celsius)}`);
    if (limits.length) parts.push(`alarm ${limits.join(", ")}: ${alarms} in alarm`);
    return { text: parts.join(" · "), alarm: alarms > 0, problem: silent + down + refused > 0 };
}

// A history sample without a single reading: the rule had no current one then.
export function isGap(sample) {
    return !sample.slice(1).some(isNumber);
}

// The last ten minutes per camera/channel/rule, as the page keeps them: loaded
// from /api/history, extended from each /api/cameras poll, trimmed to the window.
export class History {
    constructor(seconds = HISTORY_SECONDS) {
        this.seconds = seconds;
        this.series = new Map(); // key "camera|channel|rule" -> {camera, channel, rule, type, samples}
    }

    static key(camera, channel, rule) {
        return `${camera}|${channel}|${rule}`;
    }

    entry(camera, channel, rule, type) {
        const key = History.key(camera, channel, rule);
        let series = this.series.get(key);
        if (!series) {
            series = { camera, channel, rule, type, samples: [] };
            this.series.set(key, series);
        }
        series.type = type || series.type;
        return series;
    }

    // Takes a /api/history document, whole or for one camera: its series replace
    // what the page had for those cameras.
    load(doc) {
        const cameras = new Set((doc.series || []).map((s) => s.camera));
        for (const [key, series] of this.series) {
            if (cameras.has(series.camera)) this.series.delete(key);
        }
        for (const s of doc.series || []) {
            const series = this.entry(s.camera, s.channel, s.rule, s.type);
            series.samples = (s.samples || []).filter((sample) => Array.isArray(sample) && isNumber(sample[0]));
        }
        if (isNumber(doc.time)) this.trim(doc.time);
    }

    // The time of the newest sample the page holds for `camera`, or null.
    newest(camera) {
        let newest = null;
        for (const series of this.series.values()) {
            const last = series.camera === camera && series.samples[series.samples.length - 1];
            if (last && (newest === null || last[0] > newest)) newest = last[0];
        }
        return newest;
    }

    // Takes a /api/history document asked for with since=: the samples of each
    // series newer than what the page holds go on its end.
    merge(doc) {
        for (const s of doc.series || []) {
            const series = this.entry(s.camera, s.channel, s.rule, s.type);
            const last = series.samples[series.samples.length - 1];
            for (const sample of s.samples || []) {
                if (Array.isArray(sample) && isNumber(sample[0]) && (!last || sample[0] > last[0])) {
                    series.samples.push(sample);
                }
            }
        }
        if (isNumber(doc.time)) this.trim(doc.time);
    }

    // Adds the readings of one /api/cameras document as samples at its time. A
    // reading that is not current adds a gap (a sample without readings, once
    // per gap), as the service's history does: its lines break there.
    append(doc) {
        const time = doc.time;
        if (!isNumber(time)) return;
        for (const camera of doc.cameras || []) {
            for (const channel of camera.channels || []) {
                for (const rule of channel.rules || []) {
                    if (!isCurrent(camera, rule)) {
                        const series = this.series.get(History.key(camera.camera, channel.channel, rule.rule));
                        const last = series && series.samples[series.samples.length - 1];
                        if (last && last[0] < time && !isGap(last)) series.samples.push([time, null, null, null, null]);
                        continue;
                    }
                    const sample = [
                        time,
                        rule.max_celsius ?? null,
                        rule.min_celsius ?? null,
                        rule.avg_celsius ?? null,
                        rule.point_celsius ?? null,
                    ];
                    if (isGap(sample)) continue;
                    const series = this.entry(camera.camera, channel.channel, rule.rule, rule.type);
                    const last = series.samples[series.samples.length - 1];
                    if (last && last[0] >= time) continue;
                    series.samples.push(sample);
                }
            }
        }
        this.trim(time);
    }

    trim(now) {
        const oldest = now - this.seconds;
        for (const series of this.series.values()) {
            let drop = 0;
            while (drop < series.samples.length && series.samples[drop][0] < oldest) ++drop;
            if (drop) series.samples.splice(0, drop);
        }
    }

    // The series of one camera, by channel and rule.
    ofCamera(camera) {
        return [...this.series.values()]
            .filter((s) => s.camera === camera)
            .sort((a, b) => a.channel - b.channel || a.rule - b.rule);
    }
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

function round1(value) {
    return Math.round(value * 10) / 10;
}

const MARGIN = { left: 40, right: 12, top: 10, bottom: 24 };

// The chart of one camera over the last ten minutes ending at `now`: lines per
// rule and reading as SVG path data, axes, threshold lines and the alarm marks.
// `width` and `height` are the size it is shown at, so that text keeps its size;
// `interval` the service's polling interval in seconds.
export function chartModel(
    seriesList,
    { now, seconds = HISTORY_SECONDS, above = null, below = null, width = 640, height = 220, interval = 1 } = {},
) {
    const { left, right, top, bottom } = MARGIN;
    const plotWidth = width - left - right;
    const plotHeight = height - top - bottom;
    const start = now - seconds;
    const multiChannel = new Set(seriesList.map((s) => s.channel)).size > 1;

    // The lines to draw and the value range they and the thresholds span.
    const lines = [];
    let low = Infinity;
    let high = -Infinity;
    seriesList.forEach((series, setIndex) => {
        const style = RULE_STYLES[setIndex % RULE_STYLES.length];
        const names = isPoint(series.type) ? ["point"] : REGION_READINGS;
        const samples = series.samples.filter((s) => s[0] >= start && s[0] <= now);
        names.forEach((name, k) => {
            const points = [];
            for (const sample of samples) {
                const value = sample[SAMPLE_INDEX[name]];
                points.push(isNumber(value) ? [sample[0], value] : null);
                if (isNumber(value)) {
                    low = Math.min(low, value);
                    high = Math.max(high, value);
                }
            }
            const prefix = multiChannel ? `ch ${series.channel} ` : "";
            lines.push({
                key: `${series.channel}-${series.rule}-${name}`,
                label: `${prefix}rule ${series.rule} ${name}`,
                colour: style.colours[k],
                dash: style.dash,
                name,
                points,
            });
        });
    });
    const hasData = Number.isFinite(low);
    for (const threshold of [above, below]) {
        if (isNumber(threshold) && hasData) {
            low = Math.min(low, threshold);
            high = Math.max(high, threshold);
        }
    }
    if (!hasData) {
        low = 20;
        high = 50;
    }
    if (high - low < 2) {
        const middle = (high + low) / 2;
        low = middle - 1;
        high = middle + 1;
    }
    // Room above and below, so that no line or threshold runs along the frame.
    const margin = (high - low) * 0.05;
    low -= margin;
    high += margin;
    const step = niceStep(high - low, 4);
    low = Math.floor(low / step) * step;
    high = Math.ceil(high / step) * step;

    const x = (time) => round1(left + ((time - start) / seconds) * plotWidth);
    const y = (value) => round1(top + ((high - value) / (high - low)) * plotHeight);

    // A line breaks where a reading is missing or the samples are further apart
    // than a few polls (the camera, the service or the page was away).
    const gap = Math.max(5, 3 * (isNumber(interval) ? interval : 1));
    for (const line of lines) {
        let d = "";
        let previous = null;
        for (const point of line.points) {
            if (!point) {
                previous = null;
                continue;
            }
            const command = previous && point[0] - previous[0] <= gap ? "L" : "M";
            d += `${command}${x(point[0])} ${y(point[1])}`;
            previous = point;
        }
        line.d = d;
    }

    // Every reading beyond a threshold gets a dot (one path for all of them).
    let alarmPath = "";
    let alarmCount = 0;
    for (const line of lines) {
        for (const point of line.points) {
            if (point && readingAlarm(line.name, point[1], above, below)) {
                alarmPath += `M${x(point[0])} ${y(point[1])}h0`;
                ++alarmCount;
            }
        }
    }

    const yTicks = [];
    for (let value = low; value <= high + step / 2; value += step) {
        yTicks.push({ y: y(value), label: Number(value.toFixed(6)).toString() });
    }
    const xTicks = [];
    // A label every two minutes, or every five where they would run together.
    const timeStep = plotWidth >= 400 ? 120 : 300;
    for (let ago = seconds; ago >= 0; ago -= timeStep) {
        xTicks.push({
            x: x(now - ago),
            label: ago === 0 ? "now" : `−${ago / 60} min`,
            anchor: ago === 0 ? "end" : ago === seconds ? "start" : "middle",
        });
    }
    const thresholds = [];
    for (const [side, value] of [
        ["above", above],
        ["below", below],
    ]) {
        if (isNumber(value) && value >= low && value <= high) {
            thresholds.push({ side, y: y(value), label: `alarm ${side} ${formatCelsius(value)}` });
        }
    }

    return {
        width,
        height,
        plot: { left, top, width: plotWidth, height: plotHeight },
        low,
        high,
        yTicks,
        xTicks,
        thresholds,
        lines: lines.map(({ key, label, colour, dash, d }) => ({ key, label, colour, dash, d })),
        alarmPath,
        alarmCount,
        empty: !lines.some((line) => line.d),
        summary: chartSummary(lines, { above, below, alarmCount }),
    };
}

// The chart in words, for those who cannot see it.
function chartSummary(lines, { above, below, alarmCount }) {
    const parts = [];
    for (const line of lines) {
        const values = line.points.filter(Boolean).map((p) => p[1]);
        if (!values.length) continue;
        const lowest = Math.min(...values);
        const highest = Math.max(...values);
        // A line that ended in a gap has no latest reading, only a last one.
        const ended = line.points[line.points.length - 1] === null;
        const last = formatCelsius(values[values.length - 1]);
        parts.push(
            `${line.label} from ${formatCelsius(lowest)} to ${formatCelsius(highest)}, ` +
                (ended ? `last ${last}, none since` : `latest ${last}`),
        );
    }
    if (!parts.length) return "No readings in the last 10 minutes.";
    let text = `Last 10 minutes: ${parts.join("; ")}.`;
    const limits = [];
    if (isNumber(above)) limits.push(`above ${formatCelsius(above)}`);
    if (isNumber(below)) limits.push(`below ${formatCelsius(below)}`);
    if (limits.length) {
        text +=
            alarmCount > 0
                ? ` ${alarmCount} readings marked as alarms (${limits.join(" or ")}).`
                : ` No reading ${limits.join(" or ")}.`;
    }
    return text;
}
