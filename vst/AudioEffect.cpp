#include "vst/AudioEffect.h"

#include <cmath>
#include <cstring>

namespace
{
constexpr VstInt32 kNoEffectId = 0x4E6F4566;     // 'NoEf'
constexpr VstInt32 kIdentifyAnswer = 0x4E764566; // 'NvEf'

// Writes the first maxLen characters of src into text and zeroes the rest of
// the buffer up to and including text[maxLen].
void putText(char* text, VstInt32 maxLen, const char* src, std::size_t len)
{
    if (text == nullptr || maxLen < 0)
        return;
    const std::size_t limit = static_cast<std::size_t>(maxLen);
    const std::size_t n = len < limit ? len : limit;
    std::memcpy(text, src, n);
    std::memset(text + n, 0, limit + 1 - n);
}

void putText(char* text, VstInt32 maxLen, const char* src)
{
    putText(text, maxLen, src, std::strlen(src));
}

void clearText(char* text)
{
    if (text != nullptr)
        text[0] = 0;
}
} // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster_, VstInt32 numPrograms_, VstInt32 numParams_)
    : audioMaster(audioMaster_),
      editor(nullptr),
      sampleRate(44100.0f),
      blockSize(1024),
      numPrograms(numPrograms_),
      numParams(numParams_),
      curProgram(0)
{
    std::memset(&cEffect, 0, sizeof(cEffect));

    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.process = processClass;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = numPrograms_;
    cEffect.numParams = numParams_;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = effFlagsCanReplacing;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = kNoEffectId;
    cEffect.version = 1;
    cEffect.processReplacing = processClassReplacing;
    cEffect.processDoubleReplacing = processClassDoubleReplacing;
}

AudioEffect::~AudioEffect()
{
    delete editor;
}

//------------------------------------------------------------------------------
// Entry points

VstIntPtr AudioEffect::dispatchEffectClass(
    AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    AudioEffect* ae = static_cast<AudioEffect*>(e->object);

    if (opcode == effClose)
    {
        ae->dispatcher(opcode, index, value, ptr, opt);
        delete ae;
        return 1;
    }

    return ae->dispatcher(opcode, index, value, ptr, opt);
}

float AudioEffect::getParameterClass(AEffect* e, VstInt32 index)
{
    return static_cast<AudioEffect*>(e->object)->getParameter(index);
}

void AudioEffect::setParameterClass(AEffect* e, VstInt32 index, float value)
{
    static_cast<AudioEffect*>(e->object)->setParameter(index, value);
}

void AudioEffect::processClass(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames)
{
    static_cast<AudioEffect*>(e->object)->process(inputs, outputs, sampleFrames);
}

void AudioEffect::processClassReplacing(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames)
{
    static_cast<AudioEffect*>(e->object)->processReplacing(inputs, outputs, sampleFrames);
}

void AudioEffect::processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs, VstInt32 sampleFrames)
{
    static_cast<AudioEffect*>(e->object)->processDoubleReplacing(inputs, outputs, sampleFrames);
}

//------------------------------------------------------------------------------
// Dispatcher

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    VstIntPtr v = 0;

    switch (opcode)
    {
        case effOpen:
            open();
            break;
        case effClose:
            close();
            break;
        case effSetProgram:
            if (value >= 0 && value < static_cast<VstIntPtr>(numPrograms))
                setProgram(static_cast<VstInt32>(value));
            break;
        case effGetProgram:
            v = getProgram();
            break;
        case effSetProgramName:
            setProgramName(static_cast<char*>(ptr));
            break;
        case effGetProgramName:
            getProgramName(static_cast<char*>(ptr));
            break;
        case effGetParamLabel:
            getParameterLabel(index, static_cast<char*>(ptr));
            break;
        case effGetParamDisplay:
            getParameterDisplay(index, static_cast<char*>(ptr));
            break;
        case effGetParamName:
            getParameterName(index, static_cast<char*>(ptr));
            break;
        case effSetSampleRate:
            setSampleRate(opt);
            break;
        case effSetBlockSize:
            setBlockSize(static_cast<VstInt32>(value));
            break;
        case effMainsChanged:
            if (value != 0)
                resume();
            else
                suspend();
            break;
        case effEditGetRect:
            if (editor != nullptr)
                v = editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
            break;
        case effEditOpen:
            if (editor != nullptr)
                v = editor->open(ptr) ? 1 : 0;
            break;
        case effEditClose:
            if (editor != nullptr)
                editor->close();
            break;
        case effEditIdle:
            if (editor != nullptr)
                editor->idle();
            break;
        case effIdentify:
            v = kIdentifyAnswer;
            break;
        case effGetChunk:
            v = getChunk(static_cast<void**>(ptr), index != 0);
            break;
        case effSetChunk:
            v = setChunk(ptr, static_cast<VstInt32>(value), index != 0);
            break;
        default:
            break;
    }

    return v;
}

//------------------------------------------------------------------------------
// Defaults

void AudioEffect::setSampleRate(float newSampleRate)
{
    sampleRate = newSampleRate;
}

void AudioEffect::setBlockSize(VstInt32 newBlockSize)
{
    blockSize = newBlockSize;
}

void AudioEffect::processDoubleReplacing(double**, double**, VstInt32) {}

void AudioEffect::setParameter(VstInt32, float) {}

float AudioEffect::getParameter(VstInt32)
{
    return 0.0f;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstInt32 AudioEffect::getProgram()
{
    return curProgram;
}

void AudioEffect::setProgram(VstInt32 program)
{
    curProgram = program;
}

void AudioEffect::setProgramName(char*) {}

void AudioEffect::getProgramName(char* name)
{
    clearText(name);
}

void AudioEffect::getParameterLabel(VstInt32, char* label)
{
    clearText(label);
}

void AudioEffect::getParameterDisplay(VstInt32, char* text)
{
    clearText(text);
}

void AudioEffect::getParameterName(VstInt32, char* text)
{
    clearText(text);
}

VstInt32 AudioEffect::getChunk(void**, bool)
{
    return 0;
}

VstInt32 AudioEffect::setChunk(void*, VstInt32, bool)
{
    return 0;
}

void AudioEffect::setUniqueID(VstInt32 iD)
{
    cEffect.uniqueID = iD;
}

void AudioEffect::setNumInputs(VstInt32 inputs)
{
    cEffect.numInputs = inputs;
}

void AudioEffect::setNumOutputs(VstInt32 outputs)
{
    cEffect.numOutputs = outputs;
}

void AudioEffect::setFlag(VstInt32 bit, bool state)
{
    if (state)
        cEffect.flags |= bit;
    else
        cEffect.flags &= ~bit;
}

void AudioEffect::canProcessReplacing(bool state)
{
    setFlag(effFlagsCanReplacing, state);
}

void AudioEffect::canDoubleReplacing(bool state)
{
    setFlag(effFlagsCanDoubleReplacing, state);
}

void AudioEffect::programsAreChunks(bool state)
{
    setFlag(effFlagsProgramChunks, state);
}

void AudioEffect::setInitialDelay(VstInt32 delay)
{
    cEffect.initialDelay = delay;
}

AEffEditor* AudioEffect::getEditor()
{
    return editor;
}

AEffect* AudioEffect::getAeffect()
{
    return &cEffect;
}

float AudioEffect::getSampleRate()
{
    return sampleRate;
}

VstInt32 AudioEffect::getBlockSize()
{
    return blockSize;
}

//------------------------------------------------------------------------------
// Host services

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    if (audioMaster == nullptr)
        return 0;
    return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

VstInt32 AudioEffect::getMasterVersion()
{
    const VstInt32 version = static_cast<VstInt32>(callHost(audioMasterVersion));
    return version == 0 ? 1 : version;
}

VstInt32 AudioEffect::getCurrentUniqueId()
{
    return static_cast<VstInt32>(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle()
{
    callHost(audioMasterIdle);
}

bool AudioEffect::isInputConnected(VstInt32 input)
{
    // No host (0) reads as connected.
    return static_cast<VstInt32>(callHost(audioMasterPinConnected, input, 0)) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 output)
{
    // No host (0) reads as connected.
    return static_cast<VstInt32>(callHost(audioMasterPinConnected, output, 1)) == 0;
}

//------------------------------------------------------------------------------
// Value-to-text

void AudioEffect::float2string(float value, char* text, VstInt32 maxLen)
{
    constexpr int kField = 8;

    double v = value;
    if (std::isnan(v))
    {
        putText(text, maxLen, "NaN");
        return;
    }

    bool negative = false;
    double limit = 99999999.0;
    if (v < 0.0)
    {
        negative = true;
        v = -v;
        limit = 9999999.0;
    }
    if (v > limit)
    {
        putText(text, maxLen, "Huge!");
        return;
    }

    // Integer digits, collected from the units digit leftwards.
    char digits[kField];
    int numDigits = 0;
    const double integerPart = std::floor(v);
    digits[numDigits++] = static_cast<char>('0' + static_cast<int>(std::fmod(integerPart, 10.0)));
    for (double q = integerPart / 10.0; q >= 1.0 && numDigits < kField; q /= 10.0)
        digits[numDigits++] = static_cast<char>('0' + static_cast<int>(std::fmod(q, 10.0)));

    char buffer[kField + 2];
    int len = 0;
    if (negative)
        buffer[len++] = '-';
    while (numDigits > 0)
        buffer[len++] = digits[--numDigits];

    // Sign and integer digits alone fill the field: no room for the point.
    if (len >= kField)
    {
        putText(text, maxLen, buffer, static_cast<std::size_t>(len));
        return;
    }

    buffer[len++] = '.';
    const int numFraction = kField - len;
    if (numFraction > 0)
    {
        double m = std::fmod(v, 1.0);
        for (int i = 0; i < numFraction; ++i)
            m *= 10.0;
        for (int i = numFraction - 1; i >= 0; --i)
        {
            int digit = 0;
            if (m > 0.0)
            {
                digit = static_cast<int>(std::fmod(m, 10.0));
                m /= 10.0;
            }
            buffer[len + i] = static_cast<char>('0' + digit);
        }
        len += numFraction;
    }

    putText(text, maxLen, buffer, static_cast<std::size_t>(len));
}

void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 maxLen)
{
    // Nine digits for negative values at most; the positive limit is one digit less.
    if (value >= 100000000 || value <= -1000000000)
    {
        putText(text, maxLen, "Huge!");
        return;
    }

    char buffer[12];
    int len = 0;
    VstInt32 magnitude = value;
    if (value < 0)
    {
        buffer[len++] = '-';
        magnitude = -value;
    }

    bool started = false;
    for (VstInt32 divisor = 100000000; divisor >= 1; divisor /= 10)
    {
        const VstInt32 digit = magnitude / divisor;
        magnitude %= divisor;
        if (started || digit != 0 || divisor == 1)
        {
            buffer[len++] = static_cast<char>('0' + digit);
            started = true;
        }
    }

    putText(text, maxLen, buffer, static_cast<std::size_t>(len));
}

void AudioEffect::dB2string(float value, char* text, VstInt32 maxLen)
{
    if (value <= 0.0f)
    {
        putText(text, maxLen, "-oo");
        return;
    }
    const float lg = static_cast<float>(std::log10(static_cast<double>(value)));
    float2string(static_cast<float>(20.0 * static_cast<double>(lg)), text, maxLen);
}

void AudioEffect::Hz2string(float samples, char* text, VstInt32 maxLen)
{
    if (samples == 0.0f)
        float2string(0.0f, text, maxLen);
    else
        float2string(getSampleRate() / samples, text, maxLen);
}

void AudioEffect::ms2string(float samples, char* text, VstInt32 maxLen)
{
    const double ms = static_cast<double>(samples) * 1000.0 / static_cast<double>(getSampleRate());
    float2string(static_cast<float>(ms), text, maxLen);
}

//------------------------------------------------------------------------------
// Deprecated

void AudioEffect::process(float**, float**, VstInt32) {}

float AudioEffect::getVu()
{
    return 0.0f;
}

void AudioEffect::hasVu(bool state)
{
    setFlag(effFlagsHasVu, state);
}

void AudioEffect::hasClip(bool state)
{
    setFlag(effFlagsHasClip, state);
}

void AudioEffect::canMono(bool state)
{
    setFlag(effFlagsCanMono, state);
}

void AudioEffect::setRealtimeQualities(VstInt32 qualities)
{
    cEffect.realQualities = qualities;
}

void AudioEffect::setOfflineQualities(VstInt32 qualities)
{
    cEffect.offQualities = qualities;
}
