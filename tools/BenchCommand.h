// velmo-host bench: the cost of VST 2.4 libraries through their replacing
// process entry, with one fixed signal, side by side.
#pragma once

namespace velmohost
{
/// Runs "bench PLUGIN... [options]"; args[0] is "bench". Answers the exit status.
int benchCommand(int argc, char** argv);

/// One line per option, for the host's usage text.
const char* benchUsage();
} // namespace velmohost
