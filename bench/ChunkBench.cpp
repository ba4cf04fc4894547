// effSetChunk on the built Velmo.so with chunks of every kind and size: the
// time to accept or reject a chunk must grow no faster than its size.
//
//   chunk_bench --benchmark_filter=bytes:1048576    the 1 MB chunks alone

#include "tests/validation/AdversarialChunks.h"
#include "tools/VstHost.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace
{
using namespace AdversarialChunks;

void setChunk(benchmark::State& state)
{
    const auto kind = (Kind) state.range(0);
    const auto size = (std::size_t) state.range(1);

    std::string error;
    auto plugin = velmohost::Plugin::load(VELMO_PLUGIN_PATH, error);
    if (plugin == nullptr)
    {
        state.SkipWithError(error.c_str());
        return;
    }
    plugin->open();

    const auto chunk = makeChunk(kind, size);
    for (auto _ : state)
        benchmark::DoNotOptimize(plugin->setChunk(chunk));

    state.SetBytesProcessed((std::int64_t)(state.iterations() * chunk.size()));
    state.SetLabel(std::to_string(chunk.size()) + " bytes");
}
}

BENCHMARK(setChunk)
    ->ArgNames({"kind", "bytes"})
    ->ArgsProduct({benchmark::CreateDenseRange(manyAttributes, lastKind, 1), {1 << 10, 1 << 14, 1 << 16, 1 << 20}})
    ->Unit(benchmark::kMillisecond);
