// orvane serve's --config file and the setup the service makes of it with its
// command line: a good file in full, each kind of refusal with its place, and
// the example file the monitoring guide ships.
#include <gtest/gtest.h>

#include <string>

#include "serve/service_config.hpp"
#include "serve/service_setup.hpp"

namespace orvane_cli::serve {
namespace {

std::optional<ServiceSetup> SetupOf(const std::string& text, ServeOptions options = {},
                                    std::string* problem = nullptr) {
    const auto [file, parseProblem] = ParseConfig(text, "site.toml");
    EXPECT_EQ(parseProblem, "");
    if (!file) return std::nullopt;
    auto [setup, setupProblem] = MakeSetup(options, Connection{}, &*file);
    if (problem != nullptr) *problem = setupProblem;
    return std::move(setup);
}

TEST(ServeConfig, AGoodFileWithTheCommandLineOverIt) {
    const std::string text = R"(
listen = "0.0.0.0:9410"
interval = "2s"
wrong-password-retry = "5m"
alarm-above = 40
alarm-below = "none"
channel = [1, 2]
port = 8001
user = "watcher"
password-file = "/etc/orvane/password"
log.format = "json"
log.level = "warn"
web.config.file = "/etc/orvane/web-config.yml"

[[camera]]
address = "192.0.2.64"

[[camera]]
address = "192.0.2.66"
port = 8000
user = "admin"
password_file = "/etc/orvane/furnace"
channels = [3]
alarm_above = 50.5
alarm_below = 5

[[camera.rule]]
rule = 2
alarm_above = "none"

[[camera.rule]]
rule = 2
channel = 3
alarm_below = -10
)";
    ServeOptions options;
    options.addresses = {"203.0.113.7"};
    options.intervalText = "500ms";
    options.alarms.above = {"192.0.2.66=60"};
    options.given = {"address", "interval", "alarm-above"};
    const auto setup = SetupOf(text, options);
    ASSERT_TRUE(setup);
    const ServeOptions& o = setup->options;
    EXPECT_EQ(o.listen, "0.0.0.0:9410");
    EXPECT_EQ(o.intervalText, "500ms");  // given on the command line
    EXPECT_EQ(o.wrongPasswordPauseText, "5m");
    EXPECT_EQ(o.channels, (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(o.logFormatText, "json");
    EXPECT_EQ(o.logLevelText, "warn");
    EXPECT_EQ(o.webConfigFile, "/etc/orvane/web-config.yml");
    EXPECT_EQ(setup->connection.passwordFile, "/etc/orvane/password");

    struct Camera {
        std::string address;
        int32_t port;
        std::string user, passwordFile;
        std::vector<int32_t> channels;
    };
    const Camera cameras[] = {{"203.0.113.7", 8001, "watcher", "", {1, 2}},
                              {"192.0.2.64", 8001, "watcher", "", {1, 2}},
                              {"192.0.2.66", 8000, "admin", "/etc/orvane/furnace", {3}}};
    ASSERT_EQ(setup->cameras.size(), std::size(cameras));
    for (std::size_t i = 0; i < std::size(cameras); ++i) {
        const CameraSetup& got = setup->cameras[i];
        EXPECT_TRUE(got.SameLogin({cameras[i].address, cameras[i].port, cameras[i].user,
                                   cameras[i].passwordFile, cameras[i].channels, ""}))
            << got.address;
    }
    EXPECT_EQ(setup->cameras[2].where, "site.toml:18:1");

    struct Limit {
        const char* camera;
        int32_t channel, rule;
        std::optional<double> above, below;
    };
    const std::optional<double> none;
    const Limit limits[] = {
        {"192.0.2.64", 1, 1, 40, none},   // the service's
        {"192.0.2.66", 3, 1, 60, 5},      // the camera's above from the command line, below from the file
        {"192.0.2.66", 3, 2, none, -10},  // the rule's, and its channel's
        {"203.0.113.7", 2, 2, 40, none},  // a camera given with -a
    };
    for (const Limit& l : limits) {
        const RuleLimits found = setup->alarms.For(l.camera, l.channel, l.rule);
        EXPECT_EQ(found.above, l.above) << l.camera << "/" << l.channel << "/" << l.rule;
        EXPECT_EQ(found.below, l.below) << l.camera << "/" << l.channel << "/" << l.rule;
    }
}

// Every refusal names the file, the line and the column of what it refuses.
TEST(ServeConfig, RefusalsNameTheirPlace) {
    const std::string camera = "[[camera]]\naddress = \"192.0.2.64\"\n";
    const struct {
        std::string text;
        std::string problem;
    } cases[] = {
        {"interval = \n", "site.toml:1:12: "},  // not TOML (toml++'s own words follow)
        {"listen = \"127.0.0.1:9410\"\nlisen = 1\n", "site.toml:2:1: unknown key lisen"},
        {"log.colour = \"red\"\n", "site.toml:1:5: unknown key log.colour"},
        {camera + "addres = \"192.0.2.66\"\n", "site.toml:3:1: unknown key camera.addres"},
        {camera + "[[camera.rule]]\nrule = 1\nabove = 3\n", "site.toml:5:1: unknown key camera.rule.above"},
        {"port = \"8000\"\n", "site.toml:1:8: port must be a whole number from 1 to 65535"},
        {camera + "channels = 1\n", "site.toml:3:12: channels must be a list of channels, as [1, 2]"},
        {camera + "channels = [1, 1]\n", "site.toml:3:16: channel 1 is named twice"},
        {camera + "alarm_above = \"hot\"\n",
         "site.toml:3:15: alarm_above must be a number of degrees Celsius or \"none\""},
        {"interval = \"soon\"\n", "site.toml:1:12: interval must be a positive duration"},
        {"log.level = \"loud\"\n", "site.toml:1:13: log.level must be"},
        {"listen = \"localhost\"\n", "site.toml:1:10: "},
        {"listen = \"127.0.0.1:1\"\nweb.listen-address = \"127.0.0.1:2\"\n",
         "site.toml:2:22: listen and web.listen-address name the same setting"},
        {"camera = 1\n", "site.toml:1:10: camera must be [[camera]] tables"},
        {"[[camera]]\nport = 8000\n", "site.toml:1:1: a [[camera]] without its address"},
        {camera + "[[camera]]\naddress = \"192.0.2.64\"\n",
         "site.toml:4:11: 192.0.2.64 is named twice (first at site.toml:2:11)"},
        {"[[camera]]\naddress = \"192.0.2.640\"\n", "site.toml:2:11: address 192.0.2.640: not an IPv4"},
        {camera + "[[camera.rule]]\nalarm_above = 1\n", "site.toml:3:1: a [[camera.rule]] without its rule"},
        {camera + "[[camera.rule]]\nrule = 256\n",
         "site.toml:4:8: rule must be a whole number from 0 to 255"},
        {camera + "[[camera.rule]]\nrule = 1\n[[camera.rule]]\nrule = 1\n",
         "site.toml:5:1: rule 1 is given twice"},
    };
    for (const auto& c : cases) {
        const auto [file, problem] = ParseConfig(c.text, "site.toml");
        EXPECT_FALSE(file) << c.text;
        EXPECT_EQ(problem.substr(0, c.problem.size()), c.problem) << c.text << "\n" << problem;
    }

    // What only the whole setup can tell.
    const struct {
        std::string text;
        std::vector<std::string> addresses;
        std::string problem;
    } setups[] = {
        {camera + "[[camera.rule]]\nrule = 1\nchannel = 2\n",
         {},
         "site.toml:5:11: channel 2 is not watched on 192.0.2.64"},
        {camera, {"192.0.2.64"}, "site.toml:1:1: 192.0.2.64 is named twice (with -a and in the file)"},
        {"interval = \"1s\"\n", {}, "site.toml: no [[camera]] in the file, and no -a ADDRESS"},
    };
    for (const auto& c : setups) {
        ServeOptions options;
        options.addresses = c.addresses;
        std::string problem;
        EXPECT_FALSE(SetupOf(c.text, options, &problem)) << c.text;
        EXPECT_EQ(problem, c.problem);
    }
}

// The monitoring guide's example, as it ships: the simulated site's cameras.
TEST(ServeConfig, TheGuidesExampleFile) {
    const auto [file, problem] = ReadConfigFile(ORVANE_SITE_TOML);
    ASSERT_TRUE(file) << problem;
    const auto [setup, setupProblem] = MakeSetup(ServeOptions{}, Connection{}, &*file);
    ASSERT_TRUE(setup) << setupProblem;
    std::vector<std::string> addresses;
    for (const CameraSetup& camera : setup->cameras) addresses.push_back(camera.address);
    EXPECT_EQ(addresses, (std::vector<std::string>{"192.0.2.64", "192.0.2.66", "198.51.100.20"}));
    EXPECT_EQ(setup->alarms.For("192.0.2.66", 1, 2).above, 80);
}

}  // namespace
}  // namespace orvane_cli::serve
