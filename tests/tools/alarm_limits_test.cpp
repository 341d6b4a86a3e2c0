#include "serve/alarm_limits.hpp"

#include <gtest/gtest.h>

namespace orvane_cli::serve {
namespace {

const Watched kSite{{"192.0.2.64", "192.0.2.66", "2001:db8::40"}, {1, 2}};

TEST(AlarmLimits, TheNarrowestLevelGivenWins) {
    const auto [limits, problem] =
        AlarmLimits::Read({{"50", "192.0.2.66=none", "192.0.2.66/2=60", "192.0.2.66/2/3=70",
                            "192.0.2.66/2/0=40", "2001:db8::40/1/0=none"},
                           {"192.0.2.64=-5.5", "192.0.2.64/1/4=none"}},
                          kSite);
    ASSERT_EQ(problem, "");
    struct Case {
        const char* camera;
        int32_t channel, rule;
        std::optional<double> above, below;
    };
    const std::optional<double> none;
    const Case cases[] = {
        {"192.0.2.64", 1, 1, 50, -5.5},      // everywhere above; the camera's own below
        {"192.0.2.64", 1, 4, 50, none},      // a rule's `none` below the camera's limit
        {"192.0.2.64", 2, 4, 50, -5.5},      // ... on its channel only
        {"192.0.2.66", 1, 1, none, none},    // the camera left out
        {"192.0.2.66", 1, 2, 60, none},      // the rule on every channel
        {"192.0.2.66", 2, 2, 60, none},      //
        {"192.0.2.66", 2, 3, 70, none},      // the rule of one channel
        {"192.0.2.66", 1, 3, none, none},    // ... not on the other
        {"192.0.2.66", 2, 0, 40, none},      // rule 0 is a rule
        {"2001:db8::40", 1, 0, none, none},  //
        {"2001:db8::40", 1, 1, 50, none},    //
        {"not watched", 1, 1, 50, none},     // whatever a snapshot holds, a limit
    };
    for (const Case& c : cases) {
        const RuleLimits found = limits.For(c.camera, c.channel, c.rule);
        EXPECT_EQ(found.above, c.above) << c.camera << "/" << c.channel << "/" << c.rule;
        EXPECT_EQ(found.below, c.below) << c.camera << "/" << c.channel << "/" << c.rule;
    }
    EXPECT_EQ(limits.Everywhere().above, 50);
    EXPECT_EQ(limits.Everywhere().below, none);
}

TEST(AlarmLimits, DefaultsTo45AboveUnlessGivenForEveryRule) {
    const AlarmLimits byDefault;
    EXPECT_EQ(byDefault.Everywhere().above, kDefaultAlarmAboveCelsius);
    EXPECT_EQ(byDefault.Everywhere().below, std::nullopt);
    const auto narrower = AlarmLimits::Read({{"192.0.2.66=48"}, {}}, kSite).first;
    EXPECT_EQ(narrower.For("192.0.2.64", 1, 1).above, 45);
    EXPECT_EQ(narrower.For("192.0.2.66", 1, 1).above, 48);
    const auto off = AlarmLimits::Read({{"none"}, {"none"}}, kSite).first;
    EXPECT_EQ(off.For("192.0.2.64", 1, 1).above, std::nullopt);
    EXPECT_EQ(off.Everywhere().above, std::nullopt);
}

TEST(AlarmLimits, RefusesWhatNamesNoLimit) {
    const std::string forms =
        ": not C, CAMERA=C, CAMERA/RULE=C or CAMERA/CHANNEL/RULE=C with C a number of degrees Celsius or "
        "none";
    struct Case {
        AlarmArguments arguments;
        std::string problem;
    };
    const Case cases[] = {
        {{{"hot"}, {}}, "--alarm-above hot" + forms},
        {{{}, {""}}, "--alarm-below ''" + forms},
        {{{"192.0.2.66="}, {}}, "--alarm-above 192.0.2.66=" + forms},
        {{{"nan"}, {}}, "--alarm-above nan" + forms},
        {{{"inf"}, {}}, "--alarm-above inf" + forms},
        {{{"45C"}, {}}, "--alarm-above 45C" + forms},
        {{{"192.0.2.66=4=5"}, {}}, "--alarm-above 192.0.2.66=4=5" + forms},
        {{{"192.0.2.99=45"}, {}},
         "--alarm-above 192.0.2.99=45: 192.0.2.99 is not a camera given with -a or in the --config file"},
        {{{"=45"}, {}}, "--alarm-above =45: '' is not a camera given with -a or in the --config file"},
        {{{"cam\xff=45"}, {}},
         "--alarm-above cam\\xFF=45: cam\\xFF is not a camera given with -a or in the --config file"},
        {{{"192.0.2.66/256=45"}, {}}, "--alarm-above 192.0.2.66/256=45: 256 is not a rule ID (0 to 255)"},
        {{{"192.0.2.66/-1=45"}, {}}, "--alarm-above 192.0.2.66/-1=45: -1 is not a rule ID (0 to 255)"},
        {{{"192.0.2.66/=45"}, {}}, "--alarm-above 192.0.2.66/=45: '' is not a rule ID (0 to 255)"},
        {{{"192.0.2.66/0/1=45"}, {}}, "--alarm-above 192.0.2.66/0/1=45: 0 is not a channel"},
        {{{"192.0.2.66/x/1=45"}, {}}, "--alarm-above 192.0.2.66/x/1=45: x is not a channel"},
        {{{"192.0.2.66/3/1=45"}, {}},
         "--alarm-above 192.0.2.66/3/1=45: channel 3 is not watched on 192.0.2.66 (give it with -c or in the "
         "camera's channels)"},
        {{{"192.0.2.66/1/1/1=45"}, {}},
         "--alarm-above 192.0.2.66/1/1/1=45: not CAMERA, CAMERA/RULE or CAMERA/CHANNEL/RULE before the ="},
        {{{"40", "none"}, {}}, "--alarm-above none: a limit for every camera is given twice"},
        {{{}, {"192.0.2.66=1", "192.0.2.66=2"}},
         "--alarm-below 192.0.2.66=2: a limit for 192.0.2.66 is given twice"},
        {{{"192.0.2.66/1/2=1", "192.0.2.66/1/2=none"}, {}},
         "--alarm-above 192.0.2.66/1/2=none: a limit for 192.0.2.66/1/2 is given twice"},
        {{{"192.0.2.66/2=1", "192.0.2.66/02=3"}, {}},
         "--alarm-above 192.0.2.66/02=3: a limit for 192.0.2.66/2 is given twice"},
    };
    for (const Case& c : cases) {
        const auto [limits, problem] = AlarmLimits::Read(c.arguments, kSite);
        EXPECT_EQ(problem, c.problem);
    }
    // One limit each way of the same level is no repetition.
    EXPECT_EQ(AlarmLimits::Read({{"192.0.2.66/2=60"}, {"192.0.2.66/2=10"}}, kSite).second, "");
}

}  // namespace
}  // namespace orvane_cli::serve
