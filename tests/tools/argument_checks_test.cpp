#include <gtest/gtest.h>

#include <string>

#include "commands/argument_checks.hpp"

namespace orvane_cli {
namespace {

TEST(ArgumentChecks, CameraAddresses) {
    const std::string label63(63, 'a');
    struct Case {
        std::string address;
        std::string problem;  // empty: taken
    };
    const Case cases[] = {
        {"192.0.2.64", ""},
        {"0.0.0.0", ""},
        {"255.255.255.255", ""},
        {"2001:db8::40", ""},
        {"::ffff:192.0.2.1", ""},
        {"cam-1.example", ""},
        {"CAM1", ""},
        {"1cam", ""},
        {label63 + ".example", ""},
        {"", "--address is empty: give the camera's IPv4 or IPv6 address or host name"},
        {"192.0.2.640", "--address 192.0.2.640: not an IPv4 or IPv6 address or host name"},
        {"256.1.1.1", "--address 256.1.1.1: not an IPv4 or IPv6 address or host name"},
        {"10.1", "--address 10.1: not an IPv4 or IPv6 address or host name"},
        {"010.0.0.1", "--address 010.0.0.1: not an IPv4 or IPv6 address or host name"},
        {"192.0.2.64:8000", "--address 192.0.2.64:8000: not an IPv4 or IPv6 address or host name"},
        {"1.2.3.4.5", "--address 1.2.3.4.5: not an IPv4 or IPv6 address or host name"},
        {"2001:db8::g", "--address 2001:db8::g: not an IPv4 or IPv6 address or host name"},
        {"[2001:db8::40]", "--address [2001:db8::40]: not an IPv4 or IPv6 address or host name"},
        {"1:2:3:4:5:6:7:8:9", "--address 1:2:3:4:5:6:7:8:9: not an IPv4 or IPv6 address or host name"},
        {"bad_host!", "--address bad_host!: not an IPv4 or IPv6 address or host name"},
        {label63 + "a.example",
         "--address " + label63 + "a.example: not an IPv4 or IPv6 address or host name"},
        {"-cam.example", "--address -cam.example: not an IPv4 or IPv6 address or host name"},
        {"cam-.example", "--address cam-.example: not an IPv4 or IPv6 address or host name"},
        {"cam..example", "--address cam..example: not an IPv4 or IPv6 address or host name"},
        {"cam example", "--address cam example: not an IPv4 or IPv6 address or host name"},
        {"cam\xff", "--address cam\\xFF: not an IPv4 or IPv6 address or host name"},
        {"cam\n", "--address cam\\x0A: not an IPv4 or IPv6 address or host name"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CameraAddressProblem("--address", c.address), c.problem) << c.address;
    // 253 characters in all at most, whatever the labels.
    const std::string longest = label63 + "." + label63 + "." + label63 + "." + std::string(61, 'a');
    EXPECT_EQ(CameraAddressProblem("address", longest), "");
    EXPECT_NE(CameraAddressProblem("address", longest + "a"), "");
}

TEST(ArgumentChecks, ListenAddresses) {
    const std::string refused =
        ": not an IP address and port such as 127.0.0.1:9410 or [::1]:9410 (port 0: a free one)";
    struct Case {
        const char* listen;
        bool taken;
    };
    const Case cases[] = {
        {"127.0.0.1:9410", true},    {"0.0.0.0:0", true},         {"[::1]:0", true},
        {"[::]:65535", true},        {"localhost:9410", false},   {"9410", false},
        {"127.0.0.1:70000", false},  {"127.0.0.1:65536", false},  {"::1:9410", false},
        {"[127.0.0.1]:9410", false}, {"[localhost]:9410", false}, {"", false},
    };
    for (const Case& c : cases) {
        const std::string listen = c.listen;
        EXPECT_EQ(ListenAddressProblem(listen),
                  c.taken ? "" : "--listen " + (listen.empty() ? std::string("''") : listen) + refused)
            << listen;
    }
}

}  // namespace
}  // namespace orvane_cli
