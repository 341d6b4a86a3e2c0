// Signals a service that runs for months must not die of.
#pragma once

namespace orvane_cli::platform {

// A write to a pipe whose reader has gone (standard error piped into a program
// that ended) fails with an error from then on, rather than ending the process
// before it can stop its subscriptions and log out.
void IgnoreBrokenPipes();

}  // namespace orvane_cli::platform
