// Every render of the render set through the built Velmo.so has the bytes it
// had when checksums.txt was written. On a difference the test names the
// case and, from the committed reference renders, the largest difference.
#include "tests/support/RenderSet.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

using namespace renderset;

namespace
{
const std::string dataDir = RENDER_SET_DATA;

std::shared_ptr<velmohost::PluginLibrary> library()
{
    static std::shared_ptr<velmohost::PluginLibrary> lib = []
    {
        std::string error;
        auto l = velmohost::PluginLibrary::load(VELMO_PLUGIN_PATH, error, true);
        if (!l)
            ADD_FAILURE() << error;
        return l;
    }();
    return lib;
}

const std::map<std::string, std::string>& committedChecksums()
{
    static const std::map<std::string, std::string> sums = []
    {
        std::vector<std::pair<std::string, std::string>> list;
        if (!readChecksums(dataDir + "/checksums.txt", list))
            ADD_FAILURE() << "cannot read " << dataDir << "/checksums.txt";
        return std::map<std::string, std::string>(list.begin(), list.end());
    }();
    return sums;
}
} // namespace

class RenderSet : public ::testing::TestWithParam<std::size_t>
{
};

TEST_P(RenderSet, OutputBytesMatchTheCommittedChecksum)
{
    const Case& c = cases()[GetParam()];
    ASSERT_TRUE(library());

    // The input first: the generator must give the same bytes on every platform.
    const auto input = committedChecksums().find(c.name + ".input");
    ASSERT_NE(input, committedChecksums().end()) << "no committed input checksum for " << c.name;
    ASSERT_EQ(hex(checksum(makeInput(c))), input->second) << "the input of " << c.name << " changed";

    Render out;
    std::string error;
    ASSERT_TRUE(render(library(), c, out, error)) << error;

    const auto found = committedChecksums().find(c.name);
    ASSERT_NE(found, committedChecksums().end()) << "no committed checksum for " << c.name;
    const std::string actual = hex(checksum(out));
    if (actual == found->second)
        return;

    std::string detail = "no reference render to compare with";
    Render reference;
    if (readRender(dataDir + "/reference/" + c.name + ".f32", c.channels, c.frames, reference))
    {
        const Difference d = compare(out, reference);
        std::ostringstream text;
        text.precision(9);
        text << d.differingSamples << " samples differ from the reference render, largest " << d.largest
             << " at channel " << d.channel << " frame " << d.frame;
        detail = text.str();
    }
    ADD_FAILURE() << "case " << c.name << ": checksum " << actual << ", committed " << found->second << "; " << detail;
}

TEST(RenderSetList, EveryCaseHasCommittedChecksumsAndNamesAreUnique)
{
    std::map<std::string, int> names;
    for (const Case& c : cases())
    {
        EXPECT_EQ(++names[c.name], 1) << c.name;
        EXPECT_EQ(committedChecksums().count(c.name), 1u) << c.name;
        EXPECT_EQ(committedChecksums().count(c.name + ".input"), 1u) << c.name;
    }
    EXPECT_EQ(committedChecksums().size(), 2 * cases().size());
}

INSTANTIATE_TEST_SUITE_P(Cases, RenderSet, ::testing::Range<std::size_t>(0, cases().size()),
    [](const ::testing::TestParamInfo<std::size_t>& info) { return cases()[info.param].name; });
