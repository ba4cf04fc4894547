#include "tools/CommandLine.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace velmohost::cli
{
namespace
{
const Command* findCommand(const Tool& tool, const std::string& name)
{
    for (const Command& c : tool.commands)
        if (c.name == name)
            return &c;
    return nullptr;
}

const Option* findOption(const Tool& tool, const std::string& name)
{
    for (const Option& o : tool.options)
        if (name == o.longName || (!o.shortName.empty() && name == o.shortName))
            return &o;
    return nullptr;
}

bool isHelp(const std::string& arg)
{
    return arg == "-h" || arg == "--help";
}

std::string commandNames(const Tool& tool)
{
    std::string names;
    for (std::size_t i = 0; i < tool.commands.size(); ++i)
        names += (i == 0 ? "" : i + 1 == tool.commands.size() ? " and " : ", ") + tool.commands[i].name;
    return names;
}

std::string usageLine(const Tool& tool, const Command& command)
{
    std::string line = tool.name + " " + command.name;
    for (const std::string& a : command.arguments)
        line += " " + a;
    if (command.lastRepeats)
        line += "...";
    if (!command.options.empty())
        line += " [options]";
    return line;
}

std::string optionTitle(const Option& o)
{
    std::string title = o.shortName.empty() ? "    " : o.shortName + ", ";
    title += o.longName;
    if (!o.valueName.empty())
        title += " " + o.valueName;
    return title;
}

// The text wrapped at word boundaries to fit 79 columns with the given
// indent; explicit line breaks stay, and so do the blanks that start a line.
// The first line follows what already stands on the line.
std::string wrapped(const std::string& text, std::size_t indent)
{
    const std::size_t width = indent < 59 ? 79 - indent : 20;
    std::string out;
    std::size_t start = 0;
    while (start <= text.size())
    {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        const std::size_t lead = line.find_first_not_of(' ') == std::string::npos ? 0 : line.find_first_not_of(' ');
        while (line.size() > width)
        {
            const auto cut = line.rfind(' ', width);
            if (cut == std::string::npos || cut <= lead)
                break;
            out += line.substr(0, cut) + "\n" + std::string(indent, ' ');
            line = std::string(lead, ' ') + line.substr(cut + 1);
        }
        out += line;
        if (end < text.size())
            out += "\n" + std::string(indent, ' ');
        start = end + 1;
    }
    return out;
}

int fail(const Tool& tool, const Command* command, const std::string& error)
{
    std::fprintf(stderr, "%s: %s\n", tool.name.c_str(), error.c_str());
    if (command != nullptr)
        std::fprintf(stderr, "usage: %s\n'%s %s --help' lists the options.\n", usageLine(tool, *command).c_str(),
            tool.name.c_str(), command->name.c_str());
    else
        std::fprintf(stderr, "usage: %s COMMAND ARGUMENTS [options]\n'%s --help' lists the commands.\n",
            tool.name.c_str(), tool.name.c_str());
    return usageError;
}
} // namespace

std::string toolHelp(const Tool& tool)
{
    std::string text = tool.name + " " + tool.version + ": " + tool.description + "\n\nusage:";
    for (const Command& c : tool.commands)
        text += (&c == &tool.commands.front() ? " " : "       ") + usageLine(tool, c) + "\n";
    text += "       " + tool.name + " help [COMMAND]     (or COMMAND --help)\n";
    text += "       " + tool.name + " --version\n\ncommands:\n";
    std::size_t width = 0;
    for (const Command& c : tool.commands)
        width = std::max(width, c.name.size());
    for (const Command& c : tool.commands)
        text += "  " + c.name + std::string(width + 3 - c.name.size(), ' ') + c.summary + "\n";
    if (!tool.notes.empty())
        text += "\n" + tool.notes + "\n";
    text += "\nexamples:\n";
    for (const Command& c : tool.commands)
        if (!c.examples.empty())
            text += "  " + c.examples.front() + "\n";
    return text;
}

std::string commandHelp(const Tool& tool, const Command& command)
{
    std::string text = "usage: " + usageLine(tool, command) + "\n\n" + wrapped(command.description, 0) + "\n";
    std::vector<std::pair<const Option*, const std::string*>> options;
    for (const CommandOption& c : command.options)
        if (const Option* o = findOption(tool, c.name))
            options.emplace_back(o, c.help.empty() ? &o->help : &c.help);
    std::size_t width = std::string("-h, --help").size();
    for (const auto& [o, help] : options)
        width = std::max(width, optionTitle(*o).size());
    width += 3;
    text += "\noptions:\n";
    for (const auto& [o, help] : options)
    {
        const std::string title = optionTitle(*o);
        text += "  " + title + std::string(width - title.size(), ' ') + wrapped(*help, width + 2) + "\n";
    }
    text += "  -h, --help" + std::string(width - 10, ' ') + "this help\n";
    if (!command.examples.empty())
    {
        text += "\nexample" + std::string(command.examples.size() > 1 ? "s" : "") + ":\n";
        for (const std::string& e : command.examples)
            text += "  " + e + "\n";
    }
    return text;
}

int run(const Tool& tool, int argc, const char* const* argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return fail(tool, nullptr, "no command given; the commands are " + commandNames(tool));

    const std::string& first = args.front();
    if (isHelp(first))
    {
        std::fputs(toolHelp(tool).c_str(), stdout);
        return 0;
    }
    if (first == "--version")
    {
        std::printf("%s %s\n", tool.name.c_str(), tool.version.c_str());
        return 0;
    }
    if (first == "help")
    {
        if (args.size() == 1)
        {
            std::fputs(toolHelp(tool).c_str(), stdout);
            return 0;
        }
        const Command* command = findCommand(tool, args[1]);
        if (command == nullptr || args.size() > 2)
            return fail(tool, nullptr,
                args.size() > 2 ? "help takes one command"
                                : "unknown command " + args[1] + "; the commands are " + commandNames(tool));
        std::fputs(commandHelp(tool, *command).c_str(), stdout);
        return 0;
    }
    if (!first.empty() && first[0] == '-')
        return fail(
            tool, nullptr, "the command comes first, before " + first + "; the commands are " + commandNames(tool));

    const Command* command = findCommand(tool, first);
    if (command == nullptr)
        return fail(tool, nullptr, "unknown command " + first + "; the commands are " + commandNames(tool));

    // Help wins over everything else on the line.
    for (std::size_t i = 1; i < args.size() && args[i] != "--"; ++i)
        if (isHelp(args[i]))
        {
            std::fputs(commandHelp(tool, *command).c_str(), stdout);
            return 0;
        }

    std::vector<std::string> positional;
    std::set<const Option*> seen;
    bool optionsEnd = false;
    for (std::size_t i = 1; i < args.size(); ++i)
    {
        std::string arg = args[i];
        if (optionsEnd || arg.empty() || arg[0] != '-' || arg == "-")
        {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--")
        {
            optionsEnd = true;
            continue;
        }

        // --name=value is the same as --name value.
        std::string value;
        bool valueAttached = false;
        const auto eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos)
        {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            valueAttached = true;
        }

        const Option* option = findOption(tool, arg);
        if (option == nullptr)
            return fail(tool, command, "unknown option " + arg);
        if (std::none_of(command->options.begin(), command->options.end(),
                [option](const CommandOption& c) { return c.name == option->longName; }))
            return fail(tool, command, command->name + " does not take " + option->longName);
        if (!option->repeatable && !seen.insert(option).second)
            return fail(tool, command, option->longName + " is given twice");

        if (option->valueName.empty())
        {
            if (valueAttached)
                return fail(tool, command, option->longName + " takes no value");
        }
        else if (!valueAttached)
        {
            if (i + 1 >= args.size())
                return fail(tool, command, arg + " needs a value: " + arg + " " + option->valueName);
            value = args[++i];
        }

        std::string error;
        if (!option->take(value, error))
            return fail(tool, command, error);
    }

    const bool moreAllowed = command->lastRepeats && !command->arguments.empty();
    if (positional.size() < command->arguments.size() ||
        (positional.size() > command->arguments.size() && !moreAllowed))
    {
        std::string wanted;
        for (const std::string& a : command->arguments)
            wanted += (wanted.empty() ? "" : " ") + a;
        if (positional.size() < command->arguments.size())
            return fail(tool, command, command->name + " needs " + wanted);
        return fail(tool, command, "unexpected argument " + positional[command->arguments.size()]);
    }
    return command->run(positional);
}
} // namespace velmohost::cli
