// The commands of velmo-host and what they share: the options as parsed,
// loading the plug-in, applying parameters and state files, and reporting.
#pragma once

#include "tools/VstHost.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmohost
{
// Exit status of a command that failed at run time (a file, the plug-in).
constexpr int runError = 1;

// A parameter given on the command line, its value already checked.
struct ParameterSetting
{
    std::string given; // NAME=VALUE as given
    std::string name;  // a name or an index
    float value = 0.0f;
};

struct HostOptions
{
    std::string input;
    std::string output = "velmo-out.wav";
    std::vector<ParameterSetting> params;
    std::optional<int> rate;
    int block = 512;
    std::optional<double> seconds;
    std::string format;
    std::string loadState;
    std::string saveState;
    bool bypass = false;
    bool play = false;
    bool progress = true;
    bool stats = false;
    int runs = 5;                     // bench: timed passes per plug-in
    long glideEvery = 0;              // bench: samples between changes of glideParam; 0: none
    std::string glideParam = "Color"; // bench
};

// Prints "velmo-host: message" on stderr and answers status.
int report(int status, const std::string& message);

// SIGINT and SIGTERM ask the running command to stop, which it does at the
// next block or window event.
void watchStopSignals();
bool stopRequested();

// Loads the plug-in library and opens one instance; null after reporting why.
std::unique_ptr<Plugin> loadPlugin(const std::string& path, const HostOptions& o, HostSettings settings = {});

// Loads the state file (checking that the plug-in took it), then sets the
// parameters. Answers 0, or the exit status after reporting what was wrong.
int applySettings(Plugin& plugin, const HostOptions& o);

// Saves the state chunk when --save-state asks for it; 0 or the exit status.
int saveState(Plugin& plugin, const HostOptions& o);

// One line per parameter: index, name, value, display text and label.
void printParameters(Plugin& plugin);

int runInfo(const std::string& pluginPath, const HostOptions& o);
int runRender(const std::string& pluginPath, const HostOptions& o);
int runState(const std::string& pluginPath, const HostOptions& o);
int runEditor(const std::string& pluginPath, const HostOptions& o);
int runBench(const std::vector<std::string>& pluginPaths, const HostOptions& o); // tools/BenchCommand.cpp
} // namespace velmohost
