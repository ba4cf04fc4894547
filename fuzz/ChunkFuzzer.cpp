// effSetChunk with any bytes. Besides what the sanitizers catch, a chunk must
// leave the instance able to save and restore itself exactly: the chunk it
// then writes, set again, gives the same parameters (NaN as NaN, -0 as 0).
#include "FuzzSupport.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace
{
bool same(float a, float b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto& plugin = FuzzSupport::instance();
    const std::vector<std::uint8_t> chunk(data, data + size);

    plugin.setChunk(chunk, size % 2 == 1);

    float values[3];
    for (VstInt32 i = 0; i < 3; ++i)
        values[i] = plugin.getParameter(i);

    const auto saved = plugin.getChunk();
    for (VstInt32 i = 0; i < 3; ++i)
        plugin.setParameter(i, 0.5f);
    plugin.setChunk(saved);

    for (VstInt32 i = 0; i < 3; ++i)
        if (!same(plugin.getParameter(i), values[i]))
            std::abort();

    FuzzSupport::forgetHostCalls(plugin);
    return 0;
}
