// What orvane serve renders from a fixed state: the exposition against a file,
// the JSON documents' shape and values, the history's ring and the routes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "serve/api_json.hpp"
#include "serve/history_json.hpp"
#include "serve/http_routes.hpp"
#include "serve/listen_address.hpp"
#include "serve/log_format.hpp"
#include "serve/metrics_exposition.hpp"
#include "serve/page_assets.hpp"

namespace orvane_cli::serve {
namespace {

Measurement Rule(int32_t id, int32_t type, float a, float b = 0, float c = 0) {
    Measurement m;
    m.date = 20261208, m.time = 10203, m.rule = id, m.type = type;
    if (type == kPointRule) {
        m.point = a;
    } else {
        m.max = a, m.min = b, m.avg = c;
    }
    return m;
}

RuleView Current(Measurement m) { return RuleView{m, 3, 1, true}; }

ChannelView Channel(int32_t number, int32_t state, const char* health, int64_t events, int64_t restarts) {
    ChannelView c;
    c.channel = number, c.state = state, c.health = health, c.dataEventsTotal = events,
    c.restartsTotal = restarts;
    return c;
}

// Two cameras: one up with a point, a box and a line rule (one reading not a
// number) on channel 1 and a silent channel 2 whose last reading is stale; one
// down after refused logins; an address that needs escaping. Limits of every
// level: 45 °C above everywhere, 40 for rule 2, 24 below for rule 3 of channel 1.
ServiceSnapshot FixedState() {
    ServiceSnapshot s;
    s.version = "1.0.1.2";
    s.time = 1796688000.25;
    s.intervalSeconds = 1;
    s.alarms = std::make_shared<const AlarmLimits>(
        AlarmLimits::Read({{"45", "192.0.2.66/2=40"}, {"192.0.2.66/1/3=24"}}, {{"192.0.2.66"}, {1, 2}})
            .first);
    for (const double seconds : {0.0125, 0.0004, 0.3, 12.0}) s.pollDurations.Observe(seconds);
    CameraView up;
    up.camera = "192.0.2.66", up.up = true, up.login = LoginState::kUp, up.loginsTotal = 2;
    up.loginFailures = {{7, 1}};
    ChannelView channel = Channel(1, 1, "running", 812, 1);
    channel.secondsSinceData = 0.2, channel.lastDataUnixSeconds = 1796688000.05;
    channel.rules = {Current(Rule(1, kPointRule, 31.25f)), Current(Rule(2, 1, 41.237f, 22.0f, 30.1f)),
                     Current(Rule(3, 2, std::numeric_limits<float>::quiet_NaN(), 20.5f, 25.0f))};
    ChannelView silent = Channel(2, kChannelSilent, "silent: no data for 42 s", 90, 3);
    silent.secondsSinceData = 42.5, silent.lastDataUnixSeconds = 1796687957.75,
    silent.secondsWithoutData = 42.5;
    silent.rules = {RuleView{Rule(4, 1, 60.5f, 20.0f, 30.0f), 7, 2, false}};
    up.channels = {channel, silent};
    CameraView down;
    down.camera = "cam\"1\\\n", down.loginFailures = {{1, 2}, {7, 3}};
    down.lastFailure = FailureView{7, "Connecting failed.", "text"};
    down.channels = {Channel(1, 0, "not logged in", 0, 0), Channel(2, 0, "not logged in", 5, 2)};
    s.cameras = {up, down};
    return s;
}

// Each format against its file: the text format, and OpenMetrics (counters'
// families without _total, _created where counting began with the process).
TEST(ServeRender, ExpositionMatchesTheFile) {
    const ProcessMetrics process{12345678, 1.5, 17, 1796687000.5};
    const std::string text004 = ORVANE_SERVE_GOLDEN;
    const std::string openMetrics = text004.substr(0, text004.rfind('.')) + ".openmetrics.golden";
    for (const auto& [format, path] :
         {std::pair{MetricsFormat::kText, text004}, std::pair{MetricsFormat::kOpenMetrics, openMetrics}}) {
        const std::string text = MetricsText(FixedState(), process, format);
        if (std::getenv("ORVANE_UPDATE_GOLDEN") != nullptr) std::ofstream(path, std::ios::binary) << text;
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << path;
        std::stringstream expected;
        expected << in.rdbuf();
        EXPECT_EQ(text, expected.str()) << "(ORVANE_UPDATE_GOLDEN=1 rewrites " << path << ")";
    }
}

TEST(ServeRender, CamerasJsonShape) {
    // The measurement timestamps depend on the host's zone; the rest is fixed.
    const std::string text = CamerasJson(FixedState());
    std::vector<std::string> keys;
    const auto ordered = nlohmann::ordered_json::parse(text);
    for (const auto& [key, value] : ordered.items()) keys.push_back(key);
    const auto doc = nlohmann::json::parse(text);
    EXPECT_EQ(keys, (std::vector<std::string>{"version", "time", "interval_seconds", "alarm_above_celsius",
                                              "alarm_below_celsius", "cameras"}));
    EXPECT_EQ(doc["alarm_above_celsius"], 45.0);
    EXPECT_TRUE(doc["alarm_below_celsius"].is_null());
    const auto& up = doc["cameras"][0];
    EXPECT_EQ(up["login_failures_total"], 1);
    EXPECT_TRUE(up["last_failure"].is_null());
    const auto& channel = up["channels"][0];
    EXPECT_EQ(channel["seconds_since_data"], 0.2);
    // Each rule's alarm judged against its own limits.
    struct Expected {
        const char* type;
        nlohmann::json point, max, min, avg, above, below, alarm;
    };
    const Expected rules[] = {
        {"point", 31.25, nullptr, nullptr, nullptr, 45.0, nullptr, nullptr},
        {"box", nullptr, 41.24, 22.0, 30.1, 40.0, nullptr, "above"},
        {"line", nullptr, nullptr, 20.5, 25.0, 45.0, 24.0, "below"},
    };
    ASSERT_EQ(channel["rules"].size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& rule = channel["rules"][i];
        SCOPED_TRACE(rules[i].type);
        EXPECT_EQ(rule["type"], rules[i].type);
        EXPECT_EQ(rule["camera_time"], "2026-12-08T01:02:03");
        EXPECT_TRUE(rule["timestamp_seconds"].is_number_integer());
        EXPECT_EQ(rule["point_celsius"], rules[i].point);
        EXPECT_EQ(rule["max_celsius"], rules[i].max);
        EXPECT_EQ(rule["min_celsius"], rules[i].min);
        EXPECT_EQ(rule["avg_celsius"], rules[i].avg);
        EXPECT_EQ(rule["alarm_above_celsius"], rules[i].above);
        EXPECT_EQ(rule["alarm_below_celsius"], rules[i].below);
        EXPECT_EQ(rule["alarm"], rules[i].alarm);
    }
    const auto& down = doc["cameras"][1];
    EXPECT_EQ(down["camera"], "cam\"1\\\n");
    EXPECT_EQ(down["login_failures_total"], 5);
    EXPECT_EQ(down["last_failure"],
              (nlohmann::json{{"code", 7}, {"english", "Connecting failed."}, {"text", "text"}}));
    EXPECT_TRUE(down["channels"][1]["seconds_since_data"].is_null());
    EXPECT_EQ(down["channels"][1]["health"], "not logged in");
    // The login's state, and a silent channel's stale reading: its age, and no alarm from it.
    EXPECT_EQ(up["state"], "up");
    EXPECT_EQ(down["state"], "down");
    const auto& silent = up["channels"][1];
    EXPECT_EQ(silent["state"], kChannelSilent);
    const auto& stale = silent["rules"][0];
    EXPECT_EQ(stale["current"], false);
    EXPECT_EQ(stale["age_seconds"], 42.5);
    EXPECT_TRUE(stale["alarm"].is_null());
    EXPECT_EQ(stale["alarm_above_celsius"], 45.0);
    EXPECT_EQ(channel["rules"][0]["current"], true);
    EXPECT_EQ(channel["rules"][0]["age_seconds"], 0);
}

TEST(ServeRender, AlarmsCountAPointAsBothMaxAndMin) {
    struct Case {
        Measurement m;
        std::optional<double> above, below;
        std::optional<std::string> alarm;
    };
    const Case cases[] = {
        {Rule(1, kPointRule, 50), 45, std::nullopt, "above"},
        {Rule(1, kPointRule, 10), std::nullopt, 15, "below"},
        {Rule(1, kPointRule, 30), 45, 15, std::nullopt},
        {Rule(2, 1, 50, 10, 30), std::nullopt, 15, "below"},
        {Rule(2, 1, 50, 10, 30), 45, std::nullopt, "above"},
        {Rule(2, 1, 45, 15, 30), 45, 15, std::nullopt},  // at a threshold is not past it
        {Rule(2, 1, 40, 22, 19), 45, 20, std::nullopt},  // the avg is no reading to judge
    };
    for (const Case& c : cases)
        EXPECT_EQ(AlarmOf(c.m, c.above, c.below), c.alarm) << c.m.type << " " << c.m.max;
}

TEST(ServeRender, HistoryKeepsTheNewestOldestFirstAndFilters) {
    History history(120);  // a two-minute interval: room for 6 samples
    ASSERT_EQ(history.capacity(), 6u);
    for (int i = 0; i < 9; ++i) {
        history.Add("192.0.2.66", 1, Rule(1, kPointRule, static_cast<float>(i)), 1000.0 + i * 100);
        history.Add("192.0.2.64", 1, Rule(1, 2, static_cast<float>(i), 1, 2), 1000.0 + i * 100);
    }
    const auto doc = nlohmann::json::parse(HistoryJson(history, 2000, {std::string("192.0.2.66"), {}}));
    EXPECT_EQ(doc["seconds"], 600);
    ASSERT_EQ(doc["series"].size(), 1u);
    const auto& samples = doc["series"][0]["samples"];
    // The ring keeps samples 3 to 8; 3 lies more than 600 s before the time.
    ASSERT_EQ(samples.size(), 5u);
    EXPECT_EQ(samples[0], (nlohmann::json{1400.0, nullptr, nullptr, nullptr, 4.0}));
    EXPECT_EQ(samples[4][0], 1800.0);
    // Every kept sample, oldest first.
    const auto kept = nlohmann::json::parse(HistoryJson(history, 1800, {std::string("192.0.2.66"), {}}));
    std::vector<double> times;
    for (const auto& sample : kept["series"][0]["samples"]) times.push_back(sample[0]);
    EXPECT_EQ(times, (std::vector<double>{1300, 1400, 1500, 1600, 1700, 1800}));
    const auto all = nlohmann::json::parse(HistoryJson(history, 2000, {}));
    ASSERT_EQ(all["series"].size(), 2u);
    EXPECT_EQ(all["series"][0]["samples"][0], (nlohmann::json{1400.0, 4.0, 1.0, 2.0, nullptr}));
    // A stale reading is a gap (once, however long it lasts), then samples again.
    history.AddGap("192.0.2.66", 1, 1, 1900);
    history.AddGap("192.0.2.66", 1, 1, 1950);
    history.Add("192.0.2.66", 1, Rule(1, kPointRule, 9), 2000);
    const auto gap = nlohmann::json::parse(HistoryJson(history, 2000, {std::string("192.0.2.66"), {}}));
    const auto& last = gap["series"][0]["samples"];
    ASSERT_GE(last.size(), 2u);
    EXPECT_EQ(last[last.size() - 2], (nlohmann::json{1900.0, nullptr, nullptr, nullptr, nullptr}));
    EXPECT_EQ(last[last.size() - 1], (nlohmann::json{2000.0, nullptr, nullptr, nullptr, 9.0}));
    // Only what a client lacks: the samples after the last it has.
    const auto since = nlohmann::json::parse(HistoryJson(history, 2000, {std::nullopt, 1800.0}));
    ASSERT_EQ(since["series"].size(), 2u);
    EXPECT_EQ(since["series"][0]["samples"].size(), 0u);
    EXPECT_EQ(since["series"][1]["samples"].size(), 2u);
}

TEST(ServeRender, HistoryStatesTheWindowItCoversAndItsNumbers) {
    // A poll every millisecond fills the largest ring in 6 s, not 600.
    const struct {
        double interval;
        double seconds;
    } windows[] = {{1, 600}, {120, 600}, {0.001, 5.999}, {0.0001, 5.999}, {7, 600}};
    for (const auto& w : windows) {
        const auto doc = nlohmann::json::parse(HistoryJson(History(w.interval), 0, {}));
        EXPECT_DOUBLE_EQ(doc["seconds"].get<double>(), w.seconds) << w.interval;
    }
    // The numbers written by hand read back as the JSON library would write them.
    History history(1);
    const float values[] = {23.45f, -0.05f, 100.0f, 23.5f, -40.125f, 0.004f};
    for (int i = 0; i < 6; ++i) history.Add("c", 1, Rule(1, kPointRule, values[i]), 1796688000.123 + i);
    const auto doc = nlohmann::json::parse(HistoryJson(history, 1796688010, {}));
    const double expected[] = {23.45, -0.05, 100, 23.5, -40.13, 0};
    for (int i = 0; i < 6; ++i) {
        const auto& sample = doc["series"][0]["samples"][i];
        EXPECT_DOUBLE_EQ(sample[0].get<double>(), 1796688000.123 + i);
        EXPECT_DOUBLE_EQ(sample[4].get<double>(), expected[i]) << values[i];
    }
}

TEST(ServeRender, ExpositionWritesInfinitiesWithTheirSigns) {
    ServiceSnapshot s = FixedState();
    RuleView& box = s.cameras[0].channels[0].rules[1];
    box.reading.max = std::numeric_limits<float>::infinity();
    box.reading.min = -std::numeric_limits<float>::infinity();
    const std::string text = MetricsText(s, ProcessMetrics{});
    const std::string rule =
        "orvane_thermometry_temperature_celsius{camera=\"192.0.2.66\",channel=\"1\",rule=\"2\",";
    EXPECT_NE(text.find(rule + "reading=\"max\"} +Inf\n"), std::string::npos);
    EXPECT_NE(text.find(rule + "reading=\"min\"} -Inf\n"), std::string::npos);
}

TEST(ServeRender, CameraTimesFollowTheLocalRulesOfTheirDay) {
    // Central European time: an hour ahead of UTC in winter, two in summer.
    static char zone[] = "TZ=CET-1CEST";
    static char utc[] = "TZ=UTC0";
    putenv(zone);
    tzset();
    Measurement winter = Rule(1, kPointRule, 1), summer = winter;
    winter.date = 20260115, winter.time = 120000;
    summer.date = 20260701, summer.time = 120000;
    const auto winterUnix = CameraTimeAsUnix(winter), summerUnix = CameraTimeAsUnix(summer);
    // A document's conversions, remembered by date and time, give the same.
    CameraTimes times;
    std::vector<std::optional<int64_t>> remembered;
    for (const Measurement& m : {summer, winter, summer, winter}) remembered.push_back(times.AsUnix(m));
    putenv(utc);
    tzset();
    EXPECT_EQ(winterUnix, 1768474800);  // 2026-01-15 11:00:00 UTC
    EXPECT_EQ(summerUnix, 1782900000);  // 2026-07-01 10:00:00 UTC
    EXPECT_EQ(remembered,
              (std::vector<std::optional<int64_t>>{summerUnix, winterUnix, summerUnix, winterUnix}));
}

TEST(ServeRender, Routes) {
    HistoryQuery asked;
    const RouteSources sources{
        [](MetricsFormat format) {
            return std::string(format == MetricsFormat::kOpenMetrics ? "om" : "metrics");
        },
        [] { return std::string("cameras"); },
        [&](const HistoryQuery& query) {
            asked = query;
            return std::make_shared<const std::string>("history");
        }};
    struct Case {
        const char* method;
        const char* target;
        int status;
        const char* body;
        const char* header;  // one header the answer must carry, "" for none
    };
    const Case cases[] = {
        {"GET", "/metrics", 200, "metrics", ""},
        {"HEAD", "/metrics?x=1", 200, "metrics", ""},
        {"GET", "/api/cameras", 200, "cameras", "Cache-Control"},
        {"GET", "/api/history?camera=192.0.2.66", 200, "history", "Cache-Control"},
        {"GET", "/healthz", 200, "ok\n", ""},
        {"GET", "/", 200, nullptr, "Content-Security-Policy"},
        {"GET", "/metrics/", 404, nullptr, ""},
        {"GET", "/nothing", 404, nullptr, ""},
        {"POST", "/metrics", 405, nullptr, "Allow"},
        {"DELETE", "/nothing", 405, nullptr, "Allow"},
        {"OPTIONS", "*", 405, nullptr, "Allow"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.target);
        const HttpReply reply = Route({c.method, c.target, "", ""}, sources);
        EXPECT_EQ(reply.status, c.status);
        if (c.body != nullptr) {
            EXPECT_EQ(reply.content(), c.body);
        }
        if (*c.header != '\0') {
            EXPECT_TRUE(std::any_of(reply.headers.begin(), reply.headers.end(),
                                    [&](const auto& h) { return h.first == c.header; }));
        }
    }
    // The exposition format by Accept, as Prometheus sends it and as others might.
    const struct {
        const char* accept;
        const char* body;
        const char* type;
    } accepts[] = {
        {"", "metrics", kMetricsContentType},
        {"application/openmetrics-text;version=1.0.0,application/openmetrics-text;version=0.0.1;q=0.75,"
         "text/plain;version=0.0.4;q=0.5,*/*;q=0.1",
         "om", kOpenMetricsContentType},
        {"application/openmetrics-text; version=0.0.1", "metrics", kMetricsContentType},
        {"text/plain;q=0.9, application/openmetrics-text;q=0.5", "metrics", kMetricsContentType},
        {"application/openmetrics-text;q=0", "metrics", kMetricsContentType},
        {"application/openmetrics-text", "om", kOpenMetricsContentType},
    };
    for (const auto& a : accepts) {
        const HttpReply reply = Route({"GET", "/metrics", a.accept, ""}, sources);
        EXPECT_EQ(std::pair(reply.body, reply.contentType),
                  std::pair(std::string(a.body), std::string(a.type)))
            << a.accept;
    }
    // What the history is asked for; a query whose last parameter is another one ends too.
    const struct {
        const char* target;
        int status;
        std::optional<std::string> camera;
        std::optional<double> since;
    } queries[] = {
        {"/api/history?x=1&camera=cam%20one%2", 200, "cam one%2", std::nullopt},
        {"/api/history", 200, std::nullopt, std::nullopt},
        {"/api/history?x=1", 200, std::nullopt, std::nullopt},
        {"/api/history?camera=a&x", 200, "a", std::nullopt},
        {"/api/history?since=1796688000.123&camera=b", 200, "b", 1796688000.123},
        {"/api/history?since=12abc", 400, std::nullopt, std::nullopt},
        {"/api/history?since=nan", 400, std::nullopt, std::nullopt},
        {"/api/history?since=", 400, std::nullopt, std::nullopt},
    };
    for (const auto& q : queries) {
        asked = HistoryQuery{std::string("untouched"), -1.0};
        EXPECT_EQ(Route({"GET", q.target, "", ""}, sources).status, q.status) << q.target;
        if (q.status != 200) continue;
        EXPECT_EQ(asked.camera, q.camera) << q.target;
        EXPECT_EQ(asked.since, q.since) << q.target;
    }
    EXPECT_TRUE(IsSlowTarget("/api/history?camera=a"));
    EXPECT_FALSE(IsSlowTarget("/metrics"));
}

TEST(ServeRender, ListenAddresses) {
    struct Case {
        const char* text;
        bool ok;
        const char* host;
        uint16_t port;
    };
    const Case cases[] = {
        {"127.0.0.1:9410", true, "127.0.0.1", 9410},
        {"0.0.0.0:0", true, "0.0.0.0", 0},
        {"[::1]:80", true, "::1", 80},
        {"::1:80", false, "", 0},
        {"127.0.0.1", false, "", 0},
        {"127.0.0.1:", false, "", 0},
        {":80", false, "", 0},
        {"127.0.0.1:65536", false, "", 0},
        {"127.0.0.1:8x", false, "", 0},
        {"127.0.0.1:-1", false, "", 0},
    };
    for (const Case& c : cases) {
        std::string host;
        uint16_t port = 1;
        EXPECT_EQ(ParseListen(c.text, host, port), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(std::make_pair(host, port), std::make_pair(std::string(c.host), c.port)) << c.text;
        }
    }
}

// A body of a kilobyte or more goes gzipped to a client that takes it, and
// reads back the same; a small one, or one to a client that refuses gzip, as it is.
TEST(ServeRender, AnswersAreGzippedWhereTheClientTakesIt) {
    const std::string page = std::string(FindPageAsset("/app.js")->body);
    for (const auto& [encoding, gzipped] :
         std::initializer_list<std::pair<const char*, bool>>{{"gzip, deflate, br", true},
                                                             {"br;q=1.0, gzip;q=0.8", true},
                                                             {"x-gzip", true},
                                                             {"gzip;q=0", false},
                                                             {"deflate", false},
                                                             {"", false}}) {
        const HttpReply reply = Route({"GET", "/app.js", "", encoding}, RouteSources{});
        const auto header = [&](const char* name) {
            for (const auto& [key, value] : reply.headers) {
                if (key == name) return value;
            }
            return std::string();
        };
        EXPECT_EQ(header("Content-Encoding"), gzipped ? "gzip" : "") << encoding;
        EXPECT_EQ(header("Vary"), "Accept-Encoding") << encoding;
        if (!gzipped) {
            EXPECT_EQ(reply.body, page) << encoding;
            continue;
        }
        EXPECT_LT(reply.body.size(), page.size() / 2);
        std::string back(page.size() + 16, '\0');
        z_stream stream{};
        ASSERT_EQ(inflateInit2(&stream, 15 + 16), Z_OK);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(reply.body.data()));
        stream.avail_in = static_cast<uInt>(reply.body.size());
        stream.next_out = reinterpret_cast<Bytef*>(back.data());
        stream.avail_out = static_cast<uInt>(back.size());
        EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
        back.resize(stream.total_out);
        inflateEnd(&stream);
        EXPECT_EQ(back, page);
    }
    EXPECT_EQ(Route({"GET", "/healthz", "", "gzip"}, RouteSources{}).body, "ok\n");
}

// The log's formats: a line per event with its time, level and message, and
// the camera and channel where the event has them; quoting keeps one event one
// line whatever the message holds.
TEST(LogFormat, EachLineCarriesTimeLevelMessageAndWhatItIsAbout) {
    const double time = 1796688000.1234;
    const LogEvent login{LogLevel::kWarn, "login to admin@192.0.2.9:8000 failed: error 7", "192.0.2.9"};
    const LogEvent channel{LogLevel::kInfo, "subscribed", "192.0.2.9", 2};
    const LogEvent odd{LogLevel::kError, "a \"quoted\" \\ line\nand a=b\x01", ""};
    const struct {
        const LogEvent& event;
        LogFormat format;
        const char* line;
    } cases[] = {
        {login, LogFormat::kHuman, "orvane serve: login to admin@192.0.2.9:8000 failed: error 7"},
        {login, LogFormat::kLogfmt,
         "time=2026-12-08T00:00:00.123Z level=warn msg=\"login to admin@192.0.2.9:8000 failed: error 7\" "
         "camera=192.0.2.9"},
        {channel, LogFormat::kLogfmt,
         "time=2026-12-08T00:00:00.123Z level=info msg=subscribed camera=192.0.2.9 channel=2"},
        {odd, LogFormat::kLogfmt,
         "time=2026-12-08T00:00:00.123Z level=error msg=\"a \\\"quoted\\\" \\\\ line\\nand a=b\\u0001\""},
        {channel, LogFormat::kJson,
         R"({"time":"2026-12-08T00:00:00.123Z","level":"info","msg":"subscribed","camera":"192.0.2.9","channel":2})"},
        {odd, LogFormat::kJson,
         R"({"time":"2026-12-08T00:00:00.123Z","level":"error","msg":"a \"quoted\" \\ line\nand a=b\u0001"})"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatLogLine(c.event, c.format, time), c.line);
    EXPECT_EQ(Rfc3339Utc(0.0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(Rfc3339Utc(951825599.9995), "2000-02-29T11:59:59.999Z");
    for (const char* name : {"debug", "info", "warn", "error"})
        EXPECT_EQ(LogLevelName(*ParseLogLevel(name)), name);
    EXPECT_FALSE(ParseLogLevel("warning"));
    EXPECT_FALSE(ParseLogFormat("text"));
}

}  // namespace
}  // namespace orvane_cli::serve
