// The host records the display text of an automated parameter when the
// plug-in reports it, so a log shows the value and the text of one moment.
#include "tools/VstHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace
{
std::vector<std::uint8_t> chunk(const std::string& text)
{
    std::vector<std::uint8_t> bytes = {'V', 'C', '2', '!'};
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<std::uint8_t>((text.size() >> (8 * i)) & 0xff));
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}
} // namespace

TEST(HostAutomation, EachReportCarriesTheTextOfItsOwnValue)
{
    velmohost::HostSettings settings;
    settings.automationText = true;
    std::string error;
    auto plugin = velmohost::Plugin::load(VELMO_PLUGIN_PATH, error, settings);
    ASSERT_TRUE(plugin) << error;
    plugin->open();

    // Two restores in a row, read afterwards: each report keeps its own text.
    plugin->setChunk(chunk("<Velmo_SETTINGS Gain=\"0.3\" Punch=\"0.25\" Color=\"0.125\"/>"));
    plugin->setChunk(chunk("<Velmo_SETTINGS Gain=\"0.7\" Punch=\"1\" Color=\"0\"/>"));
    const auto calls = plugin->calls().callsWith(audioMasterAutomate);
    ASSERT_EQ(calls.size(), 6u);
    const char* const texts[] = {"0.30", "0.25", "0.13", "0.70", "1.00", "0.00"};
    for (std::size_t i = 0; i < calls.size(); ++i)
    {
        EXPECT_EQ(calls[i].index, static_cast<VstInt32>(i % 3));
        EXPECT_EQ(calls[i].text, texts[i]) << i;
    }
}
