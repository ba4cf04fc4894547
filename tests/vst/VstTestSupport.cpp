#include "tests/vst/VstTestSupport.h"

#include <ostream>

namespace vsttest
{
namespace
{
FakeHost* activeHost = nullptr;
}

FakeHost::FakeHost()
{
    activeHost = this;
}

FakeHost::~FakeHost()
{
    if (activeHost == this)
        activeHost = nullptr;
}

VstIntPtr FakeHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    FakeHost* host = activeHost;
    if (host == nullptr)
        return 0;
    const HostCall call{effect, opcode, index, value, ptr, opt};
    host->calls.push_back(call);
    if (host->onCall)
        host->onCall(call);
    const auto it = host->answers.find(opcode);
    return it != host->answers.end() ? it->second : 0;
}

bool operator==(const Call& a, const Call& b)
{
    return a.op == b.op && a.x == b.x && a.y == b.y && a.p == b.p && a.q == b.q &&
           (a.f == b.f || (a.f != a.f && b.f != b.f)) && a.text == b.text;
}

std::ostream& operator<<(std::ostream& os, const Call& c)
{
    os << c.op << "(x=" << c.x << ", y=" << c.y << ", p=" << c.p << ", q=" << c.q << ", f=" << c.f;
    if (!c.text.empty())
        os << ", text=\"" << c.text << "\"";
    return os << ")";
}
} // namespace vsttest
