// The live page's view: from the service's JSON to what is drawn.
// Run: node --test tests/tools/page/
import assert from "node:assert/strict";
import { describe, test } from "node:test";

import { CHART_COLOURS, chartModel } from "../../../tools/orvane/serve/page/chart.js";
import {
    bySeverity,
    failureView,
    formatAge,
    formatCelsius,
    healthView,
    History,
    loginView,
    overviewModel,
    panelModels,
    readingAlarm,
} from "../../../tools/orvane/serve/page/view.js";

const NOW = 1796688000.25;

function rule(number, type, values, extra = {}) {
    return {
        rule: number,
        type,
        preset: 0,
        camera_time: "2026-12-08T01:02:03",
        timestamp_seconds: 1796691723,
        current: true,
        age_seconds: 0,
        point_celsius: null,
        max_celsius: null,
        min_celsius: null,
        avg_celsius: null,
        alarm: null,
        ...values,
        ...extra,
    };
}

// Three cameras: one with a point rule, one with a box, a line and a point (one
// reading over the upper threshold), one down after a refused login.
function camerasDoc({ time = NOW, above = 45, below = null, point = 31.25 } = {}) {
    return {
        version: "1.0.1.2",
        time,
        interval_seconds: 1,
        alarm_above_celsius: above,
        alarm_below_celsius: below,
        cameras: [
            {
                camera: "192.0.2.64",
                up: true,
                logins_total: 1,
                login_failures_total: 0,
                last_failure: null,
                channels: [
                    {
                        channel: 1,
                        state: 1,
                        health: "running",
                        camera_code: 0,
                        data_events_total: 10,
                        seconds_since_data: 0.1,
                        restarts_total: 1,
                        rules: [rule(1, "point", { point_celsius: point })],
                    },
                ],
            },
            {
                camera: "192.0.2.66",
                up: true,
                logins_total: 2,
                login_failures_total: 0,
                last_failure: null,
                channels: [
                    {
                        channel: 1,
                        state: 1,
                        health: "running",
                        camera_code: 0,
                        data_events_total: 812,
                        seconds_since_data: 0.1,
                        restarts_total: 0,
                        rules: [
                            rule(1, "box", { max_celsius: 46.5, min_celsius: 22, avg_celsius: 30.1 }),
                            rule(2, "line", { max_celsius: 40, min_celsius: 25.5, avg_celsius: 33 }),
                            rule(3, "point", { point_celsius: 28 }, { preset: 2 }),
                        ],
                    },
                ],
            },
            {
                camera: "192.0.2.70",
                up: false,
                logins_total: 0,
                login_failures_total: 3,
                last_failure: { code: 7, english: "Failed to connect to the device", text: "连接设备失败" },
                channels: [
                    {
                        channel: 1,
                        state: 0,
                        health: "not logged in",
                        camera_code: 0,
                        data_events_total: 0,
                        seconds_since_data: null,
                        restarts_total: 0,
                        rules: [],
                    },
                ],
            },
        ],
    };
}

describe("text as the tool prints it", () => {
    test("temperatures", () => {
        for (const [value, text] of [
            [31.25, "31.25 °C"],
            [30, "30.00 °C"],
            [-0.5, "-0.50 °C"],
            [null, "—"],
            [undefined, "—"],
            [Number.NaN, "—"],
            ["31", "—"],
        ]) {
            assert.equal(formatCelsius(value), text, `value ${value}`);
        }
    });

    test("failures in English; the library's own text apart, for a disclosure", () => {
        for (const [failure, view] of [
            [null, null],
            [{ code: 7, english: "Failed to connect", text: "连接失败" }, ["error 7: Failed to connect", "连接失败"]],
            [{ code: 10, english: "Timed out", text: "Timed out" }, ["error 10: Timed out", null]],
            [{ code: 7, english: "Failed. ", text: "失败。 " }, ["error 7: Failed.", "失败。"]],
            [{ code: 3, english: "", text: "" }, ["error 3: unknown failure", null]],
        ]) {
            assert.deepEqual(failureView(failure), view && { text: view[0], detail: view[1] });
        }
    });
});

test("health badges: a level for the colour, the service's words as the text", () => {
    const up = { up: true };
    const SILENT = "silent · no data for";
    for (const [camera, channel, level, text] of [
        [up, { state: 1, health: "running" }, "ok", "running"],
        [up, { state: 1, health: "no data for 12 s" }, "warn", "no data for 12 s"],
        [up, { state: 5, health: "starting" }, "warn", "starting"],
        [up, { state: 2, health: "stopped" }, "bad", "stopped"],
        [up, { state: 3, health: "start failed" }, "bad", "start failed"],
        [up, { state: 4, health: "failing on the camera (error 10)" }, "bad", "failing on the camera (error 10)"],
        [up, { state: 0, health: "not logged in" }, "off", "not logged in"],
        // Silent: a problem, its figure from seconds_since_data, which grows across restarts.
        [up, { state: 6, health: "silent: no data for 12 s", seconds_since_data: 12.4 }, "bad", `${SILENT} 12 s`],
        [up, { state: 6, health: "silent: no data for 0 s", seconds_since_data: 185 }, "bad", `${SILENT} 3 min`],
        [up, { state: 6, health: "silent: no data for 12 s", seconds_since_data: null }, "bad", "silent"],
        [{ up: false }, { state: 1, health: "running" }, "off", "running"],
        [{ up: false }, null, "off", "not logged in"],
    ]) {
        assert.deepEqual(healthView(camera, channel), { level, text }, JSON.stringify(channel));
    }
});

test("ages: seconds, then minutes, hours and days", () => {
    for (const [seconds, text] of [
        [0, "0 s"],
        [42.9, "42 s"],
        [119, "119 s"],
        [120, "2 min"],
        [7199, "119 min"],
        [7200, "2 h"],
        [172800, "2 d"],
        [null, null],
        [-1, null],
    ]) {
        assert.equal(formatAge(seconds), text, `${seconds}`);
    }
});

test("camera badges: logged in, not logged in, wrong password", () => {
    for (const [camera, state, level, text] of [
        [{ up: true, state: "up" }, "up", "ok", "logged in"],
        [{ up: false, state: "down" }, "down", "bad", "not logged in"],
        [{ up: false, state: "wrong password" }, "wrong password", "bad", "wrong password"],
        [{ up: false }, "down", "bad", "not logged in"],
        [{ up: true }, "up", "ok", "logged in"],
    ]) {
        assert.deepEqual(loginView(camera), { state, level, text }, JSON.stringify(camera));
    }
});

test("rules: a current reading as it is, a stale one greyed with its age and never an alarm", () => {
    const hot = { max_celsius: 50, min_celsius: 22, avg_celsius: 30 };
    for (const [what, up, extra, current, age, stale, alarm] of [
        ["current", true, {}, true, 0, null, "above"],
        ["stale", true, { current: false, age_seconds: 42.5 }, false, 42.5, "stale · 42 s old", null],
        ["stale for hours", true, { current: false, age_seconds: 7384 }, false, 7384, "stale · 2 h old", null],
        ["stale, age unknown", true, { current: false, age_seconds: null }, false, null, "stale", null],
        ["no current field", true, { current: undefined, age_seconds: undefined }, false, null, "stale", null],
        ["camera down", false, { current: true, age_seconds: 5 }, false, 5, "stale · 5 s old", null],
    ]) {
        const doc = {
            time: NOW,
            alarm_above_celsius: 45,
            cameras: [
                {
                    camera: "c",
                    up,
                    state: up ? "up" : "down",
                    channels: [
                        { channel: 1, state: up ? 1 : 0, health: "running", rules: [rule(1, "box", hot, extra)] },
                    ],
                },
            ],
        };
        const [model] = panelModels(doc);
        const [channel] = model.channels;
        const [r] = channel.rules;
        assert.deepEqual(
            [r.current, r.age, r.stale, r.alarm, channel.alarm],
            [current, age, stale, alarm, alarm !== null],
            what,
        );
        assert.deepEqual(
            r.readings.map((g) => [g.text, g.alarm]),
            [
                ["50.00 °C", alarm],
                ["22.00 °C", null],
                ["30.00 °C", null],
            ],
            `${what}: the last values stay shown`,
        );
    }
});

test("order and header: cameras down first by name, then channels without data, then alarms by rule", () => {
    const camera = (address, { state = "up", channel = 1, hot = 0, channels = 1 } = {}) => ({
        camera: address,
        up: state === "up",
        state,
        channels: Array.from({ length: channels }, (_, k) => {
            const own = state !== "up" ? 0 : k + 1 === channels ? channel : 1;
            return {
                channel: k + 1,
                state: own,
                health: { 0: "not logged in", 1: "running", 4: "failing on the camera", 6: "silent" }[own],
                seconds_since_data: 12,
                rules: [1, 2, 3].map((n) =>
                    rule(n, "point", { point_celsius: n <= hot ? 50 : 30 }, { current: own === 1 }),
                ),
            };
        }),
    });
    for (const [what, cameras, order, items] of [
        [
            "all fine",
            [camera("a"), camera("b")],
            ["a", "b"],
            ["all 2 cameras logged in · 2 channels running · no alarm"],
        ],
        [
            "one of each, listed fine first",
            [
                camera("fine"),
                camera("hot", { hot: 3 }),
                camera("quiet", { channel: 6 }),
                camera("refused", { state: "wrong password" }),
                camera("warm", { hot: 1 }),
                camera("off", { state: "down" }),
            ],
            ["refused", "off", "quiet", "hot", "warm", "fine"],
            [
                "not logged in: refused (wrong password) and off",
                "no data from: quiet",
                "4 rules in alarm: hot (3) and warm",
                "4 of 6 cameras logged in · 3 of 6 channels running",
            ],
        ],
        [
            "many down: a few named; a failing channel of a two-channel camera named with its channel",
            [..."abcdef"].map((n) => camera(n, { state: "down" })).concat([camera("g", { channel: 4, channels: 2 })]),
            [..."abcdefg"],
            [
                "not logged in: a, b, c and 3 more",
                "no data from: g channel 2",
                "1 of 7 cameras logged in · 1 of 8 channels running",
            ],
        ],
    ]) {
        const doc = { time: NOW, alarm_above_celsius: 45, cameras };
        const models = bySeverity(panelModels(doc));
        assert.deepEqual(
            models.map((m) => m.camera),
            order,
            what,
        );
        const model = overviewModel(models);
        assert.deepEqual(
            model.items.map((item) => item.text),
            items,
            what,
        );
        assert.equal(
            model.alarm,
            items.some((t) => t.includes("in alarm")),
            what,
        );
    }
});

test("alarm side of a reading: max and point against above, min and point against below", () => {
    for (const [name, value, above, below, side] of [
        ["max", 45.01, 45, null, "above"],
        ["max", 45, 45, null, null],
        ["min", 50, 45, null, null],
        ["avg", 50, 45, 20, null],
        ["avg", 19, null, 20, null],
        ["point", 50, 45, null, "above"],
        ["point", 19, 45, 20, "below"],
        ["min", 19.99, null, 20, "below"],
        ["min", 20, null, 20, null],
        ["max", 10, null, 20, null],
        ["max", null, 45, 20, null],
        ["max", 99, null, null, null],
    ]) {
        assert.equal(readingAlarm(name, value, above, below), side, `${name} ${value} ${above} ${below}`);
    }
});

test("panels: one per camera and channel, readings with units, alarms and failures", () => {
    const [point, rules, down] = panelModels(camerasDoc());

    assert.equal(point.camera, "192.0.2.64");
    assert.equal(point.channels[0].restarts, 1);
    assert.deepEqual(point.channels[0].rules[0].readings, [
        { name: "point", value: 31.25, text: "31.25 °C", alarm: null },
    ]);
    assert.equal(point.channels[0].alarm, false);

    const [box, line, third] = rules.channels[0].rules;
    assert.deepEqual(
        box.readings.map((r) => [r.name, r.text, r.alarm]),
        [
            ["max", "46.50 °C", "above"],
            ["min", "22.00 °C", null],
            ["avg", "30.10 °C", null],
        ],
    );
    assert.equal(box.alarm, "above");
    assert.equal(line.alarm, null);
    assert.equal(third.preset, 2);
    assert.equal(rules.channels[0].alarm, true);
    assert.equal(rules.logins, 2);

    assert.equal(down.up, false);
    assert.deepEqual(down.failure, { text: "error 7: Failed to connect to the device", detail: "连接设备失败" });
    assert.equal(down.loginText, "0 successful logins · 3 failed login attempts");
    assert.equal(point.channels[0].restartsText, "subscription restarted once");
    assert.deepEqual(down.channels[0].health, { level: "off", text: "not logged in" });
    assert.deepEqual(down.channels[0].rules, []);

    // The last readings of a camera refused for its password stay, stale, under its badge.
    const [refused] = panelModels({
        cameras: [
            {
                camera: "192.0.2.71",
                up: false,
                state: "wrong password",
                channels: [
                    {
                        channel: 1,
                        state: 0,
                        health: "not logged in",
                        seconds_since_data: 30,
                        rules: [rule(1, "point", { point_celsius: 20 }, { current: false, age_seconds: 30 })],
                    },
                ],
            },
        ],
    });
    assert.deepEqual(refused.login, { state: "wrong password", level: "bad", text: "wrong password" });
    assert.equal(refused.channels[0].rules[0].stale, "stale · 30 s old");

    // A silent channel: a problem, its readings stale however recent.
    const [quiet] = panelModels({
        cameras: [
            {
                camera: "192.0.2.72",
                up: true,
                state: "up",
                channels: [
                    {
                        channel: 1,
                        state: 6,
                        health: "silent: no data for 12 s",
                        seconds_since_data: 12.3,
                        rules: [rule(1, "point", { point_celsius: 99 }, { current: false, age_seconds: 12.3 })],
                    },
                ],
            },
        ],
        alarm_above_celsius: 45,
    });
    assert.deepEqual(
        [quiet.channels[0].silent, quiet.channels[0].health, quiet.channels[0].alarm],
        [true, { level: "bad", text: "silent · no data for 12 s" }, false],
    );
    assert.equal(quiet.channels[0].rules[0].stale, "stale · 12 s old");

    // A camera the service lists without channels still gets its panel.
    const [bare] = panelModels({ cameras: [{ camera: "192.0.2.9", up: false, channels: [] }] });
    assert.equal(bare.channels.length, 1);
    assert.equal(bare.channels[0].health.text, "not logged in");
});

describe("history kept by the page", () => {
    const historyDoc = {
        seconds: 600,
        time: NOW,
        series: [
            {
                camera: "192.0.2.64",
                channel: 1,
                rule: 1,
                type: "point",
                samples: [
                    [NOW - 700, null, null, null, 20],
                    [NOW - 2, null, null, null, 30],
                    [NOW - 1, null, null, null, 31],
                ],
            },
            { camera: "192.0.2.66", channel: 1, rule: 1, type: "box", samples: [[NOW - 1, 40, 20, 30, null]] },
        ],
    };

    test("loads the window, extends it from each poll and forgets what is older", () => {
        const history = new History();
        history.load(historyDoc);
        assert.deepEqual(
            history.ofCamera("192.0.2.64")[0].samples.map((s) => s[4]),
            [30, 31],
            "the sample older than 600 s is dropped",
        );

        history.append(camerasDoc({ time: NOW + 1, point: 32 }));
        history.append(camerasDoc({ time: NOW + 1, point: 99 })); // the same poll again
        const [point] = history.ofCamera("192.0.2.64");
        assert.deepEqual(
            point.samples.map((s) => s[4]),
            [30, 31, 32],
        );
        assert.deepEqual(
            history.ofCamera("192.0.2.66").map((s) => [s.rule, s.type, s.samples.length]),
            [
                [1, "box", 2],
                [2, "line", 1],
                [3, "point", 1],
            ],
        );
        assert.deepEqual(history.ofCamera("192.0.2.70"), [], "a camera that is down adds nothing");

        history.append(camerasDoc({ time: NOW + 599 }));
        assert.deepEqual(
            history.ofCamera("192.0.2.64")[0].samples.map((s) => s[0]),
            [NOW - 1, NOW + 1, NOW + 599],
            "samples are kept for exactly 600 s",
        );
    });

    test("a reading not current is a gap: the chart's line breaks into two segments there", () => {
        const poll = (time, point, { up = true, current = true } = {}) => ({
            time,
            cameras: [
                {
                    camera: "c",
                    up,
                    state: up ? "up" : "down",
                    channels: [
                        {
                            channel: 1,
                            state: up ? (current ? 1 : 6) : 0,
                            rules: [
                                rule(1, "point", { point_celsius: point }, { current, age_seconds: current ? 0 : 2 }),
                            ],
                        },
                    ],
                },
            ],
        });
        const fromPolls = (stale) => (history) => {
            history.append(poll(NOW - 4, 30));
            history.append(poll(NOW - 3, 31));
            history.append(poll(NOW - 2, 31, stale));
            history.append(poll(NOW - 1.5, 31, stale)); // one gap sample per gap
            history.append(poll(NOW - 1, 32));
            history.append(poll(NOW, 33));
        };
        for (const [what, fill, gaps] of [
            [
                "from /api/history",
                (history) =>
                    history.load({
                        time: NOW,
                        series: [
                            {
                                camera: "c",
                                channel: 1,
                                rule: 1,
                                type: "point",
                                samples: [
                                    [NOW - 4, null, null, null, 30],
                                    [NOW - 3, null, null, null, 31],
                                    [NOW - 2, null, null, null, null],
                                    [NOW - 1, null, null, null, 32],
                                    [NOW, null, null, null, 33],
                                ],
                            },
                        ],
                    }),
                1,
            ],
            ["from polls of a silent channel", fromPolls({ current: false }), 1],
            ["from polls of a camera down", fromPolls({ up: false, current: false }), 1],
        ]) {
            const history = new History();
            fill(history);
            const [series] = history.ofCamera("c");
            assert.equal(series.samples.filter((s) => s.slice(1).every((v) => v === null)).length, gaps, what);
            const [line] = chartModel([series], { now: NOW }).panels[0].lines;
            assert.deepEqual(
                line.d.split(/(?=M)/).map((segment) => segment.replace(/[^ML]/g, "")),
                ["ML", "ML"],
                `${what}: ${line.d}`,
            );
        }
    });

    test("a camera's history replaces only that camera's series", () => {
        const history = new History();
        history.load(historyDoc);
        history.load({
            time: NOW,
            series: [{ camera: "192.0.2.66", channel: 1, rule: 2, type: "line", samples: [[NOW, 1, 0, 0.5, null]] }],
        });
        assert.deepEqual(
            history.ofCamera("192.0.2.66").map((s) => s.rule),
            [2],
        );
        assert.equal(history.ofCamera("192.0.2.64")[0].samples.length, 2);
    });

    test("after a lost connection the samples of the gap go in among those the polls added since", () => {
        const history = new History();
        history.load(historyDoc);
        assert.equal(history.newest("192.0.2.64"), NOW - 1);
        assert.equal(history.newest("192.0.2.70"), null);
        // Back after the gap: the first poll adds its sample before the history answers.
        history.append(camerasDoc({ time: NOW + 4, point: 34 }));
        assert.equal(history.newest("192.0.2.64", NOW), NOW - 1, "the newest from before the gap");
        history.merge({
            time: NOW + 4,
            series: [
                {
                    camera: "192.0.2.64",
                    channel: 1,
                    rule: 1,
                    type: "point",
                    samples: [
                        [NOW - 1, null, null, null, 99],
                        [NOW + 2, null, null, null, null],
                        [NOW + 3, null, null, null, 33],
                    ],
                },
            ],
        });
        assert.deepEqual(
            history.ofCamera("192.0.2.64")[0].samples.map((s) => [s[0] - NOW, s[4]]),
            [
                [-2, 30],
                [-1, 31],
                [2, null],
                [3, 33],
                [4, 34],
            ],
        );
    });
});

describe("chart of the last ten minutes", () => {
    function series(type, samples, rule = 1, channel = 1) {
        return { camera: "c", channel, rule, type, samples };
    }
    const box = series("box", [
        [NOW - 600, 40, 20, 30, null],
        [NOW - 599, 41, 21, 31, null],
        [NOW - 598, null, null, null, null],
        [NOW - 597, 42, 22, 32, null],
        [NOW - 4, 46, 22, 32, null],
        [NOW - 2, 47, 23, 33, null],
        [NOW, 44, 24, 34, null],
    ]);
    const point = series("point", [[NOW - 1, null, null, null, 19]], 2);

    // Every coordinate of a path's data, as [x, y] pairs.
    function coordinates(d) {
        return [...d.matchAll(/[ML](-?[\d.]+) (-?[\d.]+)/g)].map((m) => [Number(m[1]), Number(m[2])]);
    }
    const inside = (plot, [x, y]) =>
        x >= plot.left && x <= plot.left + plot.width && y >= plot.top && y <= plot.top + plot.height;

    test("a panel per rule, lines per reading; breaks at a missing reading and at a gap; x spans the window", () => {
        const model = chartModel([box, point], { now: NOW, above: 45, below: 20 });
        assert.deepEqual(
            model.panels.map((p) => [p.title, p.lines.map((l) => l.name)]),
            [
                ["rule 1 · box", ["max", "avg", "min"]],
                ["rule 2 · point", ["point"]],
            ],
        );
        const max = model.panels[0].lines[0].d;
        const moves = max.match(/[ML][^ML]+/g);
        assert.deepEqual(
            moves.map((m) => m[0]),
            ["M", "L", "M", "M", "L", "L"],
            max,
        );
        // Polled every 300 s, samples 593 s apart are still one line.
        const slow = chartModel([box], { now: NOW, interval: 300 }).panels[0].lines[0].d;
        assert.deepEqual(slow.match(/[ML]/g), ["M", "L", "M", "L", "L", "L"], slow);
        const xs = coordinates(max).map((c) => c[0]);
        const { plot } = model.panels[0];
        assert.equal(xs[0], plot.left);
        assert.equal(xs[xs.length - 1], plot.left + plot.width);
    });

    test("geometry: panels apart and inside the chart, every mark inside its panel, one meaning per colour", () => {
        const three = [
            box,
            { ...series("line", box.samples, 2), above: 50, below: null },
            { ...point, rule: 3, above: null, below: null },
        ];
        for (const width of [300, 640, 1200]) {
            const model = chartModel(three, { now: NOW, above: 45, below: 20, width });
            const what = `${width} px`;
            let bottom = 0;
            for (const panel of model.panels) {
                const { plot } = panel;
                // The title row sits above its own plot and below the previous one.
                assert.ok(panel.titleY > bottom + 10 && panel.titleY < plot.top, `${what}: ${panel.title}`);
                assert.ok(plot.height >= 60 && plot.left + plot.width <= model.width, what);
                bottom = plot.top + plot.height;
                for (const line of panel.lines) {
                    assert.ok(
                        coordinates(line.d).every((c) => inside(plot, c)),
                        `${what}: ${line.key}`,
                    );
                }
                assert.ok(
                    coordinates(panel.alarmPath).every((c) => inside(plot, c)),
                    `${what}: alarms`,
                );
                for (const t of [...panel.thresholds, ...panel.yTicks]) assert.ok(inside(plot, [plot.left, t.y]), what);
                // Value labels at least a line of text apart.
                const ys = panel.yTicks.map((t) => t.y);
                assert.ok(ys.length >= 2 && ys.slice(1).every((y, i) => Math.abs(y - ys[i]) >= 14), `${what}: ${ys}`);
            }
            assert.ok(
                model.xTicks.every((t) => t.y > bottom && t.y <= model.height),
                what,
            );
            assert.ok(
                model.xTicks.every((t, i) => i === 0 || t.x - model.xTicks[i - 1].x >= 60),
                `${what}: time labels`,
            );
        }
        // Each rule against its own limit: rule 2 at 50 has no alarm, rule 3 none at all.
        const model = chartModel(three, { now: NOW, above: 45, below: 20 });
        assert.deepEqual(
            model.panels.map((p) => [p.limitText, p.thresholds.map((t) => t.value), p.alarmCount]),
            [
                ["alarm above 45.00 °C, below 20.00 °C", [45, 20], 2],
                ["alarm above 50.00 °C", [50], 0],
                ["", [], 0],
            ],
        );
        // The same reading in the same colour in every panel; limit and alarm in colours of their own.
        const colours = new Map();
        for (const line of model.panels.flatMap((p) => p.lines)) {
            assert.equal(colours.get(line.name) ?? line.colour, line.colour, line.name);
            colours.set(line.name, line.colour);
        }
        const all = [...colours.values(), CHART_COLOURS.limit, CHART_COLOURS.alarm];
        assert.equal(new Set(all).size, all.length, all.join(" "));
        assert.deepEqual(
            model.legend.map((l) => l.label),
            ["max", "avg", "min", "point", "alarm limit", "alarm"],
        );
    });

    test("every reading beyond its limit marked: max and point above, min and point below", () => {
        const model = chartModel([box, point], { now: NOW, above: 50, below: 20 });
        // Nothing above 50; the point's 19 is below 20, min 20 is not.
        assert.deepEqual(
            model.panels.map((p) => p.alarmCount),
            [0, 1],
        );
        const hot = chartModel([box, point], { now: NOW, above: 45, below: null });
        assert.equal(hot.alarmCount, 2, "max 46 and 47 (the min and avg never count above)");
        assert.equal((hot.panels[0].alarmPath.match(/M/g) || []).length, 2);
        assert.match(hot.summary, /2 readings beyond its alarm above 45\.00 °C/);
    });

    test("the summary in words; an empty chart says so", () => {
        const model = chartModel([box], { now: NOW });
        assert.match(model.summary, /rule 1 · box: max from 40\.00 °C to 47\.00 °C, latest 44\.00 °C/);
        const ended = chartModel(
            [
                series("point", [
                    [NOW - 2, null, null, null, 30],
                    [NOW - 1, null, null, null, null],
                ]),
            ],
            { now: NOW },
        );
        assert.match(ended.summary, /point from 30\.00 °C to 30\.00 °C, last 30\.00 °C, none since/);
        assert.equal(model.alarmCount, 0);
        const empty = chartModel([], { now: NOW, above: 45 });
        assert.equal(empty.summary, "No readings in the last 10 minutes.");
        assert.deepEqual([empty.panels.length, empty.empty, model.empty], [1, true, false]);
        assert.ok(empty.panels[0].yTicks.length >= 2);
    });

    test("two channels are told apart; the time axis ends at now, labelled to fit", () => {
        const model = chartModel([point, series("point", [[NOW, null, null, null, 30]], 1, 2)], { now: NOW });
        assert.deepEqual(
            model.panels.map((p) => p.title),
            ["channel 1 · rule 2 · point", "channel 2 · rule 1 · point"],
        );
        assert.deepEqual(
            model.xTicks.map((t) => t.label),
            ["−10 min", "−8 min", "−6 min", "−4 min", "−2 min", "now"],
        );
        const narrow = chartModel([point], { now: NOW, width: 320 });
        assert.deepEqual(
            narrow.xTicks.map((t) => t.label),
            ["−10 min", "−5 min", "now"],
        );
        assert.equal(narrow.xTicks[2].x, 320 - 12);
    });
});
