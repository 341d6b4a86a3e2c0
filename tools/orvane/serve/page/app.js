// The live page: polls the service once a second and draws what view.js computes.
// Panels are rebuilt from each poll; a chart is drawn only while it is on screen,
// and a camera's history is fetched when its chart first shows, so that a page
// over hundreds of cameras costs the service one small request a second.
import { CHART_COLOURS, chartModel } from "./chart.js";
import { bySeverity, History, overviewModel, panelModels, ruleLimits } from "./view.js";

const POLL_MS = 1000;
const RETRY_MS = 2000;
const REQUEST_TIMEOUT_MS = 5000;
const SVG = "http://www.w3.org/2000/svg";

const history = new History();
const historyLoaded = new Set(); // cameras whose history is up to date (cleared when the link is lost)
const historyHeld = new Set(); // cameras whose whole history came once from /api/history
const historyPending = new Set();
let lostAt = null; // the time of the last poll before the link was lost
const visible = new Set(); // cameras whose chart is on screen
const articles = new Map(); // camera -> {article, body, chart, id}
let latest = null; // the latest /api/cameras document
let connected = null;
let nextId = 0;

const main = document.getElementById("cameras");
const connection = document.getElementById("connection");
const linkState = document.getElementById("link-state"); // a live region: changes only when the link does
const updated = document.getElementById("updated");
const overview = document.getElementById("overview");
const version = document.getElementById("version");

// element("p", {class: "x"}, "text", child...): text is set as text, never as markup.
function element(tag, attributes = {}, ...children) {
    const node = document.createElement(tag);
    setAttributes(node, attributes);
    node.append(...children.filter((c) => c !== null && c !== undefined && c !== false));
    return node;
}

function svgElement(tag, attributes = {}, ...children) {
    const node = document.createElementNS(SVG, tag);
    setAttributes(node, attributes);
    node.append(...children);
    return node;
}

function setAttributes(node, attributes) {
    for (const [name, value] of Object.entries(attributes)) {
        if (value !== null && value !== undefined && value !== false) node.setAttribute(name, String(value));
    }
}

async function getJson(path) {
    const abort = new AbortController();
    const timer = setTimeout(() => abort.abort(), REQUEST_TIMEOUT_MS);
    try {
        const response = await fetch(path, { cache: "no-store", signal: abort.signal });
        if (!response.ok) throw new Error(`${path}: HTTP ${response.status}`);
        return await response.json();
    } finally {
        clearTimeout(timer);
    }
}

function setConnected(isConnected, doc) {
    if (isConnected !== connected) {
        connected = isConnected;
        document.body.classList.toggle("lost", !isConnected);
        connection.className = isConnected ? "connection live" : "connection lost";
        linkState.textContent = isConnected ? "live" : "connection lost — retrying";
        // Whatever happened while away is in the service's history, not here.
        if (!isConnected) {
            historyLoaded.clear();
            lostAt = latest ? latest.time : null;
        }
    }
    if (isConnected) updated.textContent = `· updated ${new Date(doc.time * 1000).toLocaleTimeString()}`;
}

async function poll() {
    const started = Date.now();
    let ok = false;
    try {
        const doc = await getJson("/api/cameras");
        ok = true;
        latest = doc;
        history.append(doc);
        render(doc);
        setConnected(true, doc);
    } catch (error) {
        setConnected(false);
    }
    const wait = ok ? Math.max(100, POLL_MS - (Date.now() - started)) : RETRY_MS;
    setTimeout(poll, wait);
}

function render(doc) {
    const models = bySeverity(panelModels(doc));
    version.textContent = doc.version ? `orvane ${doc.version}` : "";
    const seen = new Set();
    for (const model of models) {
        seen.add(model.camera);
        const entry = articles.get(model.camera) || createArticle(model.camera);
        fillArticle(entry, model);
    }
    for (const [camera, entry] of articles) {
        if (!seen.has(camera)) {
            entry.article.remove();
            observer?.unobserve(entry.chart);
            articles.delete(camera);
            visible.delete(camera);
        }
    }
    // The most urgent first: panels move only when the order changes.
    const order = models.map((m) => articles.get(m.camera).article);
    if (order.some((article, i) => main.children[i] !== article)) main.append(...order);
    renderOverview(models);
    for (const camera of visible) drawChart(camera);
}

function renderOverview(models) {
    const model = overviewModel(models);
    overview.replaceChildren(
        ...model.items.map((item) => element("span", { class: `overview-item ${item.kind}` }, item.text)),
    );
    overview.classList.toggle("alarm", model.alarm);
    overview.classList.toggle("problem", model.problem);
}

function createArticle(camera) {
    const id = `camera-${nextId++}`;
    const title = element("h2", { id: `${id}-title` }, camera);
    const state = element("span", { class: "badge login-state" });
    const login = element("p", { class: "login" });
    const banner = element("p", { class: "banner", hidden: true });
    const body = element("div", { class: "channels" });
    const chart = element("figure", { class: "chart", "data-chart": camera });
    const article = element(
        "article",
        { class: "camera", "data-camera": camera, "aria-labelledby": `${id}-title` },
        element("header", { class: "camera-head" }, title, state, login),
        banner,
        body,
        chart,
    );
    main.append(article);
    const entry = { article, body, chart, state, login, banner, id };
    articles.set(camera, entry);
    observer?.observe(chart);
    if (!observer) visible.add(camera);
    return entry;
}

// The line across the top of a panel that needs someone: a camera not logged
// in or a channel without data stands out at least as much as an alarm.
function bannerText(model) {
    if (model.login.state === "wrong password") return "wrong password: the camera refuses the login";
    if (model.login.state !== "up") return "not logged in";
    const quiet = model.channels.filter((c) => c.noData);
    if (quiet.length) return `no data from ${quiet.map((c) => `channel ${c.channel}`).join(", ")}`;
    if (model.alarmRules) return `${model.alarmRules} ${model.alarmRules === 1 ? "rule" : "rules"} in alarm`;
    return "";
}

function fillArticle(entry, model) {
    const banner = bannerText(model);
    entry.article.classList.toggle("down", model.login.state !== "up");
    entry.article.classList.toggle("no-data", model.login.state === "up" && model.channels.some((c) => c.noData));
    entry.article.classList.toggle("alarm", model.alarmRules > 0);
    entry.article.setAttribute("data-state", model.login.state);
    entry.article.setAttribute("data-severity", model.severity);
    entry.state.className = `badge login-state ${model.login.level}`;
    entry.state.setAttribute("data-state", model.login.state);
    entry.state.textContent = model.login.text;
    entry.login.textContent = model.loginText;
    entry.banner.hidden = !banner;
    entry.banner.textContent = banner;
    const nodes = [];
    if (model.failure) nodes.push(failureLine(entry, model.failure));
    for (const channel of model.channels) nodes.push(channelSection(entry, channel));
    entry.body.replaceChildren(...nodes);
}

// "last failure: error 7: English", with the library's own text behind a
// disclosure. An open disclosure stays open from one poll to the next.
function failureLine(entry, failure) {
    const text = `last failure: ${failure.text}`;
    if (!failure.detail) return element("p", { class: "failure" }, text);
    const shown = entry.body.querySelector("details.failure");
    const open = Boolean(shown && shown.open && shown.dataset.detail === failure.detail);
    return element(
        "details",
        { class: "failure", "data-detail": failure.detail, open },
        element("summary", {}, text),
        element("p", { class: "failure-detail" }, `the camera library's text: ${failure.detail}`),
    );
}

function channelSection(entry, channel) {
    const badge = element(
        "span",
        {
            class: `badge ${channel.health.level}`,
            "data-health": channel.health.level,
            "data-state": channel.state,
        },
        channel.health.text,
    );
    const head = element(
        "div",
        { class: "channel-head" },
        element("span", { class: "channel-name" }, `channel ${channel.channel}`),
        badge,
        channel.restartsText ? element("span", { class: "restarts" }, channel.restartsText) : null,
    );
    const rows = channel.rules.map((rule) =>
        element(
            "tr",
            {
                "data-rule": rule.rule,
                "data-current": String(rule.current),
                "data-age": rule.age,
                class: rule.current ? (rule.alarm ? "alarm" : null) : "stale",
            },
            element("th", { scope: "row" }, `rule ${rule.rule}`, element("span", { class: "rule-kind" }, rule.kind)),
            element(
                "td",
                { class: "readings" },
                ...rule.readings.map((reading) => readingChip(reading, rule.current)),
                rule.current ? null : element("span", { class: "stale-mark" }, rule.stale),
            ),
        ),
    );
    const table = rows.length
        ? element(
              "table",
              { class: "rules" },
              element("caption", { class: "visually-hidden" }, `Readings of channel ${channel.channel}`),
              element(
                  "thead",
                  { class: "visually-hidden" },
                  element(
                      "tr",
                      {},
                      element("th", { scope: "col" }, "rule"),
                      element("th", { scope: "col" }, "readings"),
                  ),
              ),
              element("tbody", {}, ...rows),
          )
        : element("p", { class: "no-readings" }, "no readings");
    return element(
        "section",
        {
            class: channel.silent ? "channel silent" : "channel",
            "data-channel": channel.channel,
            "aria-label": `channel ${channel.channel}`,
        },
        head,
        table,
    );
}

function readingChip(reading, current) {
    return element(
        "span",
        {
            class: current ? (reading.alarm ? "reading alarm" : "reading") : "reading stale",
            "data-reading": reading.name,
            "data-value": reading.value ?? "",
            "data-alarm": reading.alarm,
            "data-stale": current ? null : "true",
        },
        element("span", { class: "reading-name" }, reading.name),
        " ",
        element("span", { class: "reading-value" }, reading.text),
        reading.alarm
            ? element(
                  "span",
                  { class: "alarm-mark" },
                  ` ${reading.alarm === "above" ? "▲" : "▼"} alarm ${reading.alarm}`,
              )
            : null,
    );
}

async function loadHistory(camera) {
    if (historyPending.has(camera) || historyPending.size >= 2) return;
    historyPending.add(camera);
    try {
        // The whole history the first time; after a lost connection only what
        // came since the newest sample from before it (the polls since then
        // have added their own, newer ones).
        const since = historyHeld.has(camera) ? history.newest(camera, lostAt ?? Infinity) : null;
        const query = `camera=${encodeURIComponent(camera)}${since === null ? "" : `&since=${since}`}`;
        const doc = await getJson(`/api/history?${query}`);
        const mine = { ...doc, series: (doc.series || []).filter((s) => s.camera === camera) };
        if (since === null) history.load(mine);
        else history.merge(mine);
        historyLoaded.add(camera);
        historyHeld.add(camera);
        drawChart(camera);
    } catch (error) {
        // Tried again at the next poll that draws this chart.
    } finally {
        historyPending.delete(camera);
    }
}

// The limits of every rule of a camera as the latest poll gives them.
function seriesWithLimits(camera) {
    const limits = new Map();
    for (const c of latest.cameras || []) {
        if (c.camera !== camera) continue;
        for (const channel of c.channels || []) {
            for (const rule of channel.rules || [])
                limits.set(`${channel.channel}|${rule.rule}`, ruleLimits(latest, rule));
        }
    }
    return history.ofCamera(camera).map((series) => ({
        ...series,
        ...(limits.get(`${series.channel}|${series.rule}`) || ruleLimits(latest, {})),
    }));
}

function drawChart(camera) {
    const entry = articles.get(camera);
    if (!entry || !latest) return;
    if (!historyLoaded.has(camera)) loadHistory(camera);
    // Drawn at the size it shows at, so that its text reads the same on a phone
    // and on a wall screen.
    const width = Math.round(Math.min(1200, Math.max(280, entry.chart.clientWidth || 640)));
    const model = chartModel(seriesWithLimits(camera), { now: latest.time, width, interval: latest.interval_seconds });
    const titleId = `${entry.id}-chart-title`;
    const summaryId = `${entry.id}-chart-summary`;
    const parts = [];
    for (const panel of model.panels) parts.push(...panelShapes(panel, model));
    for (const tick of model.xTicks) {
        parts.push(svgElement("text", { class: "tick", x: tick.x, y: tick.y, "text-anchor": tick.anchor }, tick.label));
    }
    if (model.empty) {
        const { plot } = model.panels[0];
        parts.push(
            svgElement(
                "text",
                {
                    class: "empty",
                    x: plot.left + plot.width / 2,
                    y: plot.top + plot.height / 2,
                    "text-anchor": "middle",
                },
                "no readings in the last 10 minutes",
            ),
        );
    }
    const svg = svgElement(
        "svg",
        {
            viewBox: `0 0 ${model.width} ${model.height}`,
            role: "img",
            "aria-labelledby": titleId,
            "aria-describedby": summaryId,
            preserveAspectRatio: "xMidYMid meet",
        },
        svgElement("title", { id: titleId }, `Temperatures of ${camera} over the last 10 minutes`),
        ...parts,
    );
    const legend = element(
        "ul",
        { class: "legend", "aria-hidden": "true" },
        ...model.legend.map((item) =>
            element(
                "li",
                { "data-legend": item.key },
                svgElement(
                    "svg",
                    { viewBox: "0 0 24 8", class: "swatch" },
                    item.dot
                        ? svgElement("circle", { cx: 12, cy: 4, r: 3, fill: item.colour })
                        : svgElement("line", {
                              x1: 0,
                              x2: 24,
                              y1: 4,
                              y2: 4,
                              stroke: item.colour,
                              "stroke-dasharray": item.dash || null,
                          }),
                ),
                item.label,
            ),
        ),
    );
    entry.chart.replaceChildren(
        svg,
        legend,
        element("figcaption", { id: summaryId, class: "visually-hidden" }, model.summary),
    );
    entry.chart.setAttribute("data-alarm-marks", String(model.alarmCount));
}

// One rule's panel: its title and limits above the plot, value labels, lines,
// the limit lines and the alarm dots.
function panelShapes(panel, model) {
    const { plot } = panel;
    const shapes = [
        svgElement("text", { class: "panel-title", x: plot.left, y: panel.titleY }, panel.title),
        svgElement("rect", { class: "plot", x: plot.left, y: plot.top, width: plot.width, height: plot.height }),
    ];
    if (panel.limitText) {
        shapes.push(
            svgElement(
                "text",
                { class: "panel-limit", x: plot.left + plot.width, y: panel.titleY, "text-anchor": "end" },
                panel.limitText,
            ),
        );
    }
    for (const tick of panel.yTicks) {
        shapes.push(
            svgElement("line", { class: "grid", x1: plot.left, x2: plot.left + plot.width, y1: tick.y, y2: tick.y }),
            svgElement("text", { class: "tick", x: plot.left - 6, y: tick.y + 4, "text-anchor": "end" }, tick.label),
        );
    }
    for (const tick of model.xTicks) {
        shapes.push(
            svgElement("line", { class: "grid", x1: tick.x, x2: tick.x, y1: plot.top, y2: plot.top + plot.height }),
        );
    }
    for (const line of panel.lines) {
        if (!line.d) continue;
        shapes.push(
            svgElement("path", {
                class: "line",
                d: line.d,
                stroke: line.colour,
                "stroke-dasharray": line.dash || null,
                "data-line": line.key,
            }),
        );
    }
    for (const threshold of panel.thresholds) {
        shapes.push(
            svgElement("line", {
                class: `threshold ${threshold.side}`,
                x1: plot.left,
                x2: plot.left + plot.width,
                y1: threshold.y,
                y2: threshold.y,
                stroke: CHART_COLOURS.limit,
            }),
        );
    }
    if (panel.alarmPath) {
        shapes.push(svgElement("path", { class: "alarm-marks", d: panel.alarmPath, stroke: CHART_COLOURS.alarm }));
    }
    return shapes;
}

const observer =
    typeof IntersectionObserver === "function"
        ? new IntersectionObserver(
              (changes) => {
                  for (const change of changes) {
                      const camera = change.target.getAttribute("data-chart");
                      if (change.isIntersecting) {
                          visible.add(camera);
                          drawChart(camera);
                      } else {
                          visible.delete(camera);
                      }
                  }
              },
              { rootMargin: "200px" },
          )
        : null;

poll();
