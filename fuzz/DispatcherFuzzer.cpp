// The dispatcher with any opcode, index, value and option, and blocks of
// audio between the calls. An input is a list of steps, read from the front:
//
//   step := kind:u8, then for a call:  opcode:u8 index:i32 value:i64 opt:f32 n:u8 bytes[n]
//                         for a block: frames:u16 channels:u8 level:f32
//
// The pointer an opcode takes is always valid: a zeroed scratch block for
// opcodes that write into it (text or a record), the n bytes as
// zero-terminated text where the plug-in reads text, a pointer variable
// where it writes a pointer, and the n bytes with their length for
// effSetChunk. Two opcodes are left as a fuzzer cannot drive them safely:
// effClose is skipped (it deletes the instance every later step would use)
// and effEditOpen gets no window (its pointer is a native window handle),
// as do effSetSpeakerArrangement's two records, which are built valid from
// the bytes (type, channel count up to 8), since the value is a pointer there.
#include "FuzzSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace
{
class Reader
{
public:
    Reader(const std::uint8_t* d, std::size_t n) : data(d), size(n) {}

    bool empty() const { return position >= size; }

    template <typename T>
    T next()
    {
        T value{};
        const std::size_t n = std::min(sizeof(T), size - std::min(position, size));
        std::memcpy(&value, data + position, n);
        position += sizeof(T);
        return value;
    }

    std::vector<std::uint8_t> bytes(std::size_t count)
    {
        const std::size_t start = std::min(position, size);
        const std::size_t n = std::min(count, size - start);
        position += count;
        return std::vector<std::uint8_t>(data + start, data + start + n);
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};

// Room for any record the interface writes, zeroed, 8-byte aligned.
struct Scratch
{
    alignas(8) std::uint8_t bytes[4096];
};

VstSpeakerArrangement arrangement(const std::vector<std::uint8_t>& from, std::size_t offset)
{
    VstSpeakerArrangement a{};
    const auto at = [&](std::size_t i) { return i < from.size() ? from[i] : std::uint8_t{0}; };
    a.type = static_cast<std::int8_t>(at(offset));
    a.numChannels = at(offset + 1) % 9;
    for (int c = 0; c < a.numChannels; ++c)
        a.speakers[c].type = static_cast<std::int8_t>(at(offset + 2 + static_cast<std::size_t>(c)));
    return a;
}

VstIntPtr call(velmohost::Plugin& plugin, VstInt32 opcode, VstInt32 index, VstIntPtr value, float opt,
    const std::vector<std::uint8_t>& bytes)
{
    Scratch scratch{};
    std::vector<char> text(bytes.begin(), bytes.end());
    text.push_back(0);

    switch (opcode)
    {
        case effClose:
            return 0;
        case effEditOpen:
            return plugin.dispatch(opcode, index, value, nullptr, opt);
        case effSetProgramName:
        case effString2Parameter:
        case effCanDo:
            return plugin.dispatch(opcode, index, value, text.data(), opt);
        case effEditGetRect:
        case effGetChunk:
        {
            void* pointer = nullptr;
            return plugin.dispatch(opcode, index, value, &pointer, opt);
        }
        case effSetChunk:
        {
            std::vector<std::uint8_t> chunk(bytes);
            chunk.push_back(0);
            return plugin.dispatch(opcode, index, static_cast<VstIntPtr>(bytes.size()), chunk.data(), opt);
        }
        case effSetSpeakerArrangement:
        {
            auto in = arrangement(bytes, 0);
            auto out = arrangement(bytes, 10);
            return plugin.dispatch(opcode, index, reinterpret_cast<VstIntPtr>(&in), &out, opt);
        }
        case effGetSpeakerArrangement:
        {
            VstSpeakerArrangement* in = nullptr;
            VstSpeakerArrangement* out = nullptr;
            return plugin.dispatch(opcode, index, reinterpret_cast<VstIntPtr>(&in), &out, opt);
        }
        default:
            return plugin.dispatch(opcode, index, value, scratch.bytes, opt);
    }
}

void block(velmohost::Plugin& plugin, int frames, int channels, float level)
{
    std::vector<std::vector<float>> in(
        static_cast<std::size_t>(channels), std::vector<float>(static_cast<std::size_t>(frames)));
    auto out = in;
    std::vector<float*> ins, outs;
    for (int c = 0; c < channels; ++c)
    {
        for (int i = 0; i < frames; ++i)
            in[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
                level * static_cast<float>((i * 7 + c * 3) % 17 - 8) / 8.0f;
        ins.push_back(in[static_cast<std::size_t>(c)].data());
        outs.push_back(out[static_cast<std::size_t>(c)].data());
    }
    plugin.processReplacing(ins.data(), outs.data(), frames);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto& plugin = FuzzSupport::instance();
    Reader reader(data, size);

    for (int steps = 0; !reader.empty() && steps < 64; ++steps)
    {
        if (reader.next<std::uint8_t>() % 4 == 3)
        {
            const int frames = reader.next<std::uint16_t>() % 4097;
            // The record's channel count: the host's buffers always match it.
            const int channels =
                std::max(2, static_cast<int>(plugin.effect()->numOutputs) + reader.next<std::uint8_t>() % 2);
            const float level = reader.next<float>();
            block(plugin, frames, channels, level);
            continue;
        }

        const VstInt32 opcode = reader.next<std::uint8_t>();
        const auto index = reader.next<VstInt32>();
        const auto value = static_cast<VstIntPtr>(reader.next<std::int64_t>());
        const float opt = reader.next<float>();
        const auto bytes = reader.bytes(reader.next<std::uint8_t>());
        call(plugin, opcode, index, value, opt, bytes);
    }

    FuzzSupport::forgetHostCalls(plugin);
    return 0;
}
