// What the live page draws, computed from the service's JSON alone: no DOM, no
// fetch, so that node --test checks it as it is served.

export const HISTORY_SECONDS = 600;

export function isNumber(value) {
    return typeof value === "number" && Number.isFinite(value);
}

// A temperature as the tool prints it: two decimals and the unit.
export function formatCelsius(value) {
    return isNumber(value) ? `${value.toFixed(2)} °C` : "—";
}

// A failure in English, as the tool prints it: "error N: English". The library's
// own text (in the language its SDK speaks) is kept apart, for a disclosure the
// reader opens, never inline: a browser without the fonts for it shows boxes.
export function failureView(failure) {
    if (!failure) return null;
    const english = (failure.english || "").trim() || "unknown failure";
    const detail = (failure.text || "").trim();
    return { text: `error ${failure.code}: ${english}`, detail: detail && detail !== english ? detail : null };
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

function plural(count, word) {
    return `${count} ${count === 1 ? word : `${word}s`}`;
}

// The limits in effect for a rule: its own when the service gives them, else
// the service's limits for every rule.
export function ruleLimits(doc, rule) {
    const pick = (own, everywhere) => (own !== undefined ? own : everywhere);
    const above = pick(rule.alarm_above_celsius, doc.alarm_above_celsius);
    const below = pick(rule.alarm_below_celsius, doc.alarm_below_celsius);
    return { above: isNumber(above) ? above : null, below: isNumber(below) ? below : null };
}

// How urgent a camera is, most urgent first: not logged in (down or refused
// for its password), a channel without data while logged in, an alarm, fine.
export const SEVERITY = { down: 0, noData: 1, alarm: 2, fine: 3 };

function severityOf(login, channels) {
    if (login.state !== "up") return SEVERITY.down;
    if (channels.some((c) => c.noData)) return SEVERITY.noData;
    if (channels.some((c) => c.alarm)) return SEVERITY.alarm;
    return SEVERITY.fine;
}

// The panels in the order the page shows them: by severity, then as the
// service lists the cameras.
export function bySeverity(models) {
    return models
        .map((model, index) => ({ model, index }))
        .sort((a, b) => a.model.severity - b.model.severity || a.index - b.index)
        .map(({ model }) => model);
}

// The model of every panel from one /api/cameras document, in the service's order.
export function panelModels(doc) {
    return (doc.cameras || []).map((camera) => {
        const cameraChannels = camera.channels && camera.channels.length ? camera.channels : [null];
        const login = loginView(camera);
        const logins = camera.logins_total ?? 0;
        const loginFailures = camera.login_failures_total ?? 0;
        const channels = cameraChannels.map((channel) => {
            const health = healthView(camera, channel);
            const rules = (channel && channel.rules) || [];
            const ruleModels = rules.map((rule) => {
                const current = isCurrent(camera, rule);
                const limits = ruleLimits(doc, rule);
                const readings = ruleReadings(rule, limits.above, limits.below, current);
                const alarmed = readings.find((r) => r.alarm);
                return {
                    rule: rule.rule,
                    type: ruleTypeText(rule.type),
                    kind: `${ruleTypeText(rule.type)} · preset ${rule.preset ?? 0}`,
                    preset: rule.preset ?? 0,
                    cameraTime: rule.camera_time || "",
                    limits,
                    current,
                    age: current ? 0 : isNumber(rule.age_seconds) ? rule.age_seconds : null,
                    stale: current ? null : staleText(rule.age_seconds),
                    readings,
                    alarm: alarmed ? alarmed.alarm : null,
                };
            });
            const restarts = (channel && channel.restarts_total) || 0;
            return {
                channel: channel ? channel.channel : 1,
                state: (camera.up && channel && channel.state) || 0,
                silent: Boolean(camera.up && channel && channel.state === CHANNEL_SILENT),
                // Logged in, yet nothing comes: silent, failing on the camera, not started.
                noData: health.level === "bad",
                health,
                restarts,
                restartsText: restarts ? `subscription restarted ${restarts === 1 ? "once" : `${restarts} times`}` : "",
                dataEvents: (channel && channel.data_events_total) || 0,
                cameraCode: (channel && channel.camera_code) || 0,
                rules: ruleModels,
                alarm: ruleModels.some((r) => r.alarm),
                alarmRules: ruleModels.filter((r) => r.alarm).length,
            };
        });
        const attempts = loginFailures ? ` · ${plural(loginFailures, "failed login attempt")}` : "";
        return {
            camera: camera.camera,
            up: Boolean(camera.up),
            login,
            logins,
            loginFailures,
            loginText: `${plural(logins, "successful login")}${attempts}`,
            failure: failureView(camera.last_failure),
            channels,
            alarmRules: channels.reduce((sum, c) => sum + c.alarmRules, 0),
            severity: severityOf(login, channels),
        };
    });
}

// "a, b, c and 4 more": a few names, so that the header stays one line or two.
export function someNames(names, few = 3) {
    if (names.length <= few + 1) {
        return names.length > 1 ? `${names.slice(0, -1).join(", ")} and ${names[names.length - 1]}` : names.join("");
    }
    return `${names.slice(0, few).join(", ")} and ${names.length - few} more`;
}

// The header under the page's title: what needs someone first, by name (cameras
// not logged in, channels without data), then the alarms counted by rule, then
// how much is running.
export function overviewModel(models) {
    const items = [];
    const down = models.filter((m) => m.severity === SEVERITY.down);
    if (down.length) {
        const names = down.map((m) => (m.login.state === "wrong password" ? `${m.camera} (wrong password)` : m.camera));
        items.push({ kind: "down", text: `not logged in: ${someNames(names)}` });
    }
    const quiet = models.flatMap((m) =>
        m.channels
            .filter((c) => c.noData)
            .map((c) => (m.channels.length > 1 ? `${m.camera} channel ${c.channel}` : m.camera)),
    );
    if (quiet.length) items.push({ kind: "no-data", text: `no data from: ${someNames(quiet)}` });
    const alarmed = models.filter((m) => m.alarmRules > 0);
    const alarmRules = alarmed.reduce((sum, m) => sum + m.alarmRules, 0);
    if (alarmRules) {
        const names = alarmed.map((m) => (m.alarmRules > 1 ? `${m.camera} (${m.alarmRules})` : m.camera));
        items.push({ kind: "alarm", text: `${plural(alarmRules, "rule")} in alarm: ${someNames(names)}` });
    }
    const channels = models.flatMap((m) => m.channels);
    const running = channels.filter((c) => c.health.level === "ok").length;
    const loggedIn = models.length - down.length;
    items.push({
        kind: "status",
        text: items.length
            ? `${loggedIn} of ${plural(models.length, "camera")} logged in · ${running} of ${plural(channels.length, "channel")} running`
            : `${models.length === 1 ? "the camera" : `all ${models.length} cameras`} logged in · ` +
              `${plural(running, "channel")} running · no alarm`,
    });
    return {
        items,
        text: items.map((item) => item.text).join(" · "),
        alarm: alarmRules > 0,
        problem: down.length + quiet.length > 0,
    };
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

    // The time of the newest sample the page holds for `camera` at or before
    // `upTo`, or null.
    newest(camera, upTo = Infinity) {
        let newest = null;
        for (const series of this.series.values()) {
            if (series.camera !== camera) continue;
            for (let i = series.samples.length - 1; i >= 0; --i) {
                const time = series.samples[i][0];
                if (time > upTo) continue;
                if (newest === null || time > newest) newest = time;
                break;
            }
        }
        return newest;
    }

    // Takes a /api/history document asked for with since=: its samples go in
    // among those the page holds, in time order, each time once (the polls may
    // have added newer ones meanwhile).
    merge(doc) {
        for (const s of doc.series || []) {
            const series = this.entry(s.camera, s.channel, s.rule, s.type);
            const held = new Set(series.samples.map((sample) => sample[0]));
            const added = (s.samples || []).filter(
                (sample) => Array.isArray(sample) && isNumber(sample[0]) && !held.has(sample[0]),
            );
            if (added.length) series.samples = [...series.samples, ...added].sort((a, b) => a[0] - b[0]);
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
