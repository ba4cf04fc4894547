// A command line made of commands and options, both given as tables: the
// parser, the help texts and the error messages all come from the tables.
//
//   TOOL COMMAND ARGUMENTS... [options]      runs a command
//   TOOL --help | help [COMMAND] | COMMAND --help
//   TOOL --version
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace velmohost::cli
{
struct Option
{
    std::string shortName; // "-p", or empty
    std::string longName;  // "--param"
    std::string valueName; // "NAME=VALUE"; empty for a switch
    std::string help;      // lines after the first are indented under it
    bool repeatable = false;
    // Takes the option's value (empty for a switch); false with error set
    // when the value is not good.
    std::function<bool(const std::string& value, std::string& error)> take;
};

// An option as one command takes it; help, when given, replaces the
// option's own for this command.
struct CommandOption
{
    CommandOption(std::string longName, std::string ownHelp = {}) : name(std::move(longName)), help(std::move(ownHelp))
    {
    }

    std::string name; // the long name
    std::string help;
};

struct Command
{
    std::string name;
    std::vector<std::string> arguments; // names of the positional arguments, all required
    std::string summary;                // one line, for the tool's help
    std::string description;            // for the command's help
    std::vector<CommandOption> options; // the options it takes
    std::vector<std::string> examples;
    // Runs the command with its positional arguments; the exit status.
    std::function<int(const std::vector<std::string>& arguments)> run;
    bool lastRepeats = false; // the last argument may be given again and again
};

struct Tool
{
    std::string name;
    std::string version;
    std::string description; // first line of the tool's help
    std::string notes;       // after the list of commands
    std::vector<Command> commands;
    std::vector<Option> options;
};

// Exit status for a bad command line.
constexpr int usageError = 2;

// Parses the arguments and runs the command, prints help or the version, or
// reports what is wrong with the command line (on stderr, exit status 2).
int run(const Tool& tool, int argc, const char* const* argv);

std::string toolHelp(const Tool& tool);
std::string commandHelp(const Tool& tool, const Command& command);
} // namespace velmohost::cli
