// velmo-render-set: renders the fixed render set (or random cases) through a
// VST 2.4 library, writes the renders and their checksums, and compares
// renders of two builds sample by sample.
//
//   velmo-render-set checksums PLUGIN              print "NAME.input CHECKSUM" and
//                                                  "NAME CHECKSUM" per case
//   velmo-render-set dump PLUGIN DIR [--random N] [--seed S]
//                                                  write DIR/NAME.f32 and DIR/checksums.txt
//   velmo-render-set compare DIR_A DIR_B [--tolerance T]
//                                                  largest difference per case; exit 1
//                                                  when any exceeds T (default 0: bytes)
#include "tests/support/RenderSet.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace renderset;

namespace
{
int usage()
{
    std::fprintf(stderr, "usage: velmo-render-set checksums PLUGIN\n"
                         "       velmo-render-set dump PLUGIN DIR [--random N] [--seed S]\n"
                         "       velmo-render-set compare DIR_A DIR_B [--tolerance T]\n");
    return 2;
}

std::shared_ptr<velmohost::PluginLibrary> load(const std::string& path)
{
    std::string error;
    auto library = velmohost::PluginLibrary::load(path, error, true);
    if (!library)
        std::fprintf(stderr, "velmo-render-set: %s\n", error.c_str());
    return library;
}

// The cases a dump folder was made from: "NAME CHANNELS FRAMES" per line.
struct Entry
{
    std::string name;
    int channels = 0;
    long frames = 0;
};

std::vector<Entry> readIndex(const std::string& dir)
{
    std::vector<Entry> list;
    std::ifstream file(dir + "/index.txt");
    Entry e;
    while (file >> e.name >> e.channels >> e.frames)
        list.push_back(e);
    return list;
}

int dump(const std::string& pluginPath, const std::string& dir, int randomCount, std::uint32_t seed)
{
    auto library = load(pluginPath);
    if (!library)
        return 1;
    std::vector<Case> list;
    if (randomCount > 0)
        for (int i = 0; i < randomCount; ++i)
            list.push_back(randomCase(seed + static_cast<std::uint32_t>(i)));
    else
        list = cases();

    std::ofstream index(dir + "/index.txt"), sums(dir + "/checksums.txt");
    if (!index || !sums)
    {
        std::fprintf(stderr, "velmo-render-set: cannot write into %s\n", dir.c_str());
        return 1;
    }
    for (const Case& c : list)
    {
        Render r;
        std::string error;
        if (!render(library, c, r, error) || !writeRender(dir + "/" + c.name + ".f32", r))
        {
            std::fprintf(
                stderr, "velmo-render-set: %s: %s\n", c.name.c_str(), error.empty() ? "write failed" : error.c_str());
            return 1;
        }
        index << c.name << ' ' << c.channels << ' ' << c.frames << '\n';
        sums << c.name << ' ' << hex(checksum(r)) << '\n';
    }
    std::printf("%zu renders written to %s\n", list.size(), dir.c_str());
    return 0;
}

int compareDirs(const std::string& a, const std::string& b, double tolerance)
{
    const auto list = readIndex(a);
    if (list.empty())
    {
        std::fprintf(stderr, "velmo-render-set: no renders listed in %s/index.txt\n", a.c_str());
        return 1;
    }
    int failures = 0;
    double worst = 0.0;
    for (const Entry& e : list)
    {
        Render ra, rb;
        if (!readRender(a + "/" + e.name + ".f32", e.channels, e.frames, ra) ||
            !readRender(b + "/" + e.name + ".f32", e.channels, e.frames, rb))
        {
            std::printf("%-32s missing or short\n", e.name.c_str());
            ++failures;
            continue;
        }
        const Difference d = compare(ra, rb);
        const bool ok = d.differingSamples == 0 || (tolerance > 0.0 && d.largest <= tolerance);
        failures += ok ? 0 : 1;
        worst = d.largest > worst ? d.largest : worst;
        if (d.differingSamples == 0)
            std::printf("%-32s identical\n", e.name.c_str());
        else
            std::printf("%-32s %ld samples differ, largest %.9g at channel %d frame %ld%s\n", e.name.c_str(),
                d.differingSamples, d.largest, d.channel, d.frame, ok ? "" : "  FAIL");
    }
    std::printf("%zu renders, %d over the tolerance, largest difference %.9g\n", list.size(), failures, worst);
    return failures == 0 ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::vector<std::string> positional;
    int randomCount = 0;
    std::uint32_t seed = 1;
    double tolerance = 0.0;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--random" && hasValue)
            randomCount = std::atoi(args[++i].c_str());
        else if (args[i] == "--seed" && hasValue)
            seed = static_cast<std::uint32_t>(std::strtoul(args[++i].c_str(), nullptr, 10));
        else if (args[i] == "--tolerance" && hasValue)
            tolerance = std::strtod(args[++i].c_str(), nullptr);
        else if (!args[i].empty() && args[i][0] == '-')
            return usage();
        else
            positional.push_back(args[i]);
    }

    if (positional.size() == 2 && positional[0] == "checksums")
    {
        auto library = load(positional[1]);
        if (!library)
            return 1;
        for (const Case& c : cases())
        {
            Render r;
            std::string error;
            if (!render(library, c, r, error))
            {
                std::fprintf(stderr, "velmo-render-set: %s: %s\n", c.name.c_str(), error.c_str());
                return 1;
            }
            std::printf("%s.input %s\n", c.name.c_str(), hex(checksum(makeInput(c))).c_str());
            std::printf("%s %s\n", c.name.c_str(), hex(checksum(r)).c_str());
        }
        return 0;
    }
    if (positional.size() == 3 && positional[0] == "dump")
        return dump(positional[1], positional[2], randomCount, seed);
    if (positional.size() == 3 && positional[0] == "compare")
        return compareDirs(positional[1], positional[2], tolerance);
    return usage();
}
