// VST 2.4 interface: the integer types, the effect record, the opcodes and
// flags, and the small records exchanged between host and plug-in.
// Shared by the plug-in and by hosts; fixed-width fields only, except where
// the effect record itself holds pointers.
#pragma once

#include <cstddef>
#include <cstdint>

//------------------------------------------------------------------------------
// Integer types

typedef std::int16_t VstInt16;
typedef std::int32_t VstInt32;
typedef std::intptr_t VstIntPtr; // as wide as a pointer

static_assert(sizeof(VstInt16) == 2, "VstInt16 must be 16 bits");
static_assert(sizeof(VstInt32) == 4, "VstInt32 must be 32 bits");
static_assert(sizeof(VstIntPtr) == sizeof(void*), "VstIntPtr must be pointer-sized");

//------------------------------------------------------------------------------
// Entry-point and callback types (plain C functions, default C convention)

struct AEffect;

typedef VstIntPtr (*audioMasterCallback)(
    AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
typedef VstIntPtr (*AEffectDispatcherProc)(
    AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
typedef void (*AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames);
typedef void (*AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs, VstInt32 sampleFrames);
typedef void (*AEffectSetParameterProc)(AEffect* effect, VstInt32 index, float parameter);
typedef float (*AEffectGetParameterProc)(AEffect* effect, VstInt32 index);

//------------------------------------------------------------------------------
// The effect record: 192 bytes on x86-64, 144 bytes on 32-bit x86

// 'VstP', first character highest; bytes in memory 50 74 73 56.
constexpr VstInt32 kEffectMagic = 0x56737450;

struct AEffect
{
    VstInt32 magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;
    VstIntPtr resvd1;
    VstIntPtr resvd2;
    VstInt32 initialDelay;
    VstInt32 realQualities;
    VstInt32 offQualities;
    float ioRatio;
    void* object;
    void* user;
    VstInt32 uniqueID;
    VstInt32 version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

#if UINTPTR_MAX == 0xffffffffffffffffu
static_assert(sizeof(AEffect) == 192, "AEffect must be 192 bytes in a 64-bit build");
static_assert(offsetof(AEffect, magic) == 0, "AEffect layout");
static_assert(offsetof(AEffect, dispatcher) == 8, "AEffect layout");
static_assert(offsetof(AEffect, process) == 16, "AEffect layout");
static_assert(offsetof(AEffect, setParameter) == 24, "AEffect layout");
static_assert(offsetof(AEffect, getParameter) == 32, "AEffect layout");
static_assert(offsetof(AEffect, numPrograms) == 40, "AEffect layout");
static_assert(offsetof(AEffect, numParams) == 44, "AEffect layout");
static_assert(offsetof(AEffect, numInputs) == 48, "AEffect layout");
static_assert(offsetof(AEffect, numOutputs) == 52, "AEffect layout");
static_assert(offsetof(AEffect, flags) == 56, "AEffect layout");
static_assert(offsetof(AEffect, resvd1) == 64, "AEffect layout");
static_assert(offsetof(AEffect, resvd2) == 72, "AEffect layout");
static_assert(offsetof(AEffect, initialDelay) == 80, "AEffect layout");
static_assert(offsetof(AEffect, realQualities) == 84, "AEffect layout");
static_assert(offsetof(AEffect, offQualities) == 88, "AEffect layout");
static_assert(offsetof(AEffect, ioRatio) == 92, "AEffect layout");
static_assert(offsetof(AEffect, object) == 96, "AEffect layout");
static_assert(offsetof(AEffect, user) == 104, "AEffect layout");
static_assert(offsetof(AEffect, uniqueID) == 112, "AEffect layout");
static_assert(offsetof(AEffect, version) == 116, "AEffect layout");
static_assert(offsetof(AEffect, processReplacing) == 120, "AEffect layout");
static_assert(offsetof(AEffect, processDoubleReplacing) == 128, "AEffect layout");
static_assert(offsetof(AEffect, future) == 136, "AEffect layout");
#elif UINTPTR_MAX == 0xffffffffu
static_assert(sizeof(AEffect) == 144, "AEffect must be 144 bytes in a 32-bit build");
static_assert(offsetof(AEffect, magic) == 0, "AEffect layout");
static_assert(offsetof(AEffect, dispatcher) == 4, "AEffect layout");
static_assert(offsetof(AEffect, process) == 8, "AEffect layout");
static_assert(offsetof(AEffect, setParameter) == 12, "AEffect layout");
static_assert(offsetof(AEffect, getParameter) == 16, "AEffect layout");
static_assert(offsetof(AEffect, numPrograms) == 20, "AEffect layout");
static_assert(offsetof(AEffect, numParams) == 24, "AEffect layout");
static_assert(offsetof(AEffect, numInputs) == 28, "AEffect layout");
static_assert(offsetof(AEffect, numOutputs) == 32, "AEffect layout");
static_assert(offsetof(AEffect, flags) == 36, "AEffect layout");
static_assert(offsetof(AEffect, resvd1) == 40, "AEffect layout");
static_assert(offsetof(AEffect, resvd2) == 44, "AEffect layout");
static_assert(offsetof(AEffect, initialDelay) == 48, "AEffect layout");
static_assert(offsetof(AEffect, realQualities) == 52, "AEffect layout");
static_assert(offsetof(AEffect, offQualities) == 56, "AEffect layout");
static_assert(offsetof(AEffect, ioRatio) == 60, "AEffect layout");
static_assert(offsetof(AEffect, object) == 64, "AEffect layout");
static_assert(offsetof(AEffect, user) == 68, "AEffect layout");
static_assert(offsetof(AEffect, uniqueID) == 72, "AEffect layout");
static_assert(offsetof(AEffect, version) == 76, "AEffect layout");
static_assert(offsetof(AEffect, processReplacing) == 80, "AEffect layout");
static_assert(offsetof(AEffect, processDoubleReplacing) == 84, "AEffect layout");
static_assert(offsetof(AEffect, future) == 88, "AEffect layout");
#else
#error "AEffect: unsupported pointer width"
#endif

// Bits of AEffect::flags.
enum VstAEffectFlags : VstInt32
{
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1,
    effFlagsHasVu = 1 << 2,
    effFlagsCanMono = 1 << 3,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsExtIsAsync = 1 << 10,
    effFlagsExtHasBuffer = 1 << 11,
    effFlagsCanDoubleReplacing = 1 << 12
};

//------------------------------------------------------------------------------
// Dispatcher opcodes (host to plug-in)

enum AEffectOpcodes : VstInt32
{
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effGetVu = 9, // deprecated
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditDraw = 16,  // deprecated
    effEditMouse = 17, // deprecated
    effEditKey = 18,   // deprecated
    effEditIdle = 19,
    effEditTop = 20,   // deprecated
    effEditSleep = 21, // deprecated
    effIdentify = 22,  // deprecated
    effGetChunk = 23,
    effSetChunk = 24,

    effProcessEvents = 25,
    effCanBeAutomated = 26,
    effString2Parameter = 27,
    effGetNumProgramCategories = 28, // deprecated
    effGetProgramNameIndexed = 29,
    effCopyProgram = 30,   // deprecated
    effConnectInput = 31,  // deprecated
    effConnectOutput = 32, // deprecated
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effGetCurrentPosition = 36,   // deprecated
    effGetDestinationBuffer = 37, // deprecated
    effOfflineNotify = 38,
    effOfflinePrepare = 39,
    effOfflineRun = 40,
    effProcessVarIo = 41,
    effSetSpeakerArrangement = 42,
    effSetBlockSizeAndSampleRate = 43, // deprecated
    effSetBypass = 44,
    effGetEffectName = 45,
    effGetErrorText = 46, // deprecated
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effVendorSpecific = 50,
    effCanDo = 51,
    effGetTailSize = 52,
    effIdle = 53,            // deprecated
    effGetIcon = 54,         // deprecated
    effSetViewPosition = 55, // deprecated
    effGetParameterProperties = 56,
    effKeysRequired = 57, // deprecated
    effGetVstVersion = 58,
    effEditKeyDown = 59,
    effEditKeyUp = 60,
    effSetEditKnobMode = 61,
    effGetMidiProgramName = 62,
    effGetCurrentMidiProgram = 63,
    effGetMidiProgramCategory = 64,
    effHasMidiProgramsChanged = 65,
    effGetMidiKeyName = 66,
    effBeginSetProgram = 67,
    effEndSetProgram = 68,
    effGetSpeakerArrangement = 69,
    effShellGetNextPlugin = 70,
    effStartProcess = 71,
    effStopProcess = 72,
    effSetTotalSampleToProcess = 73,
    effSetPanLaw = 74,
    effBeginLoadBank = 75,
    effBeginLoadProgram = 76,
    effSetProcessPrecision = 77,
    effGetNumMidiInputChannels = 78,
    effGetNumMidiOutputChannels = 79
};

//------------------------------------------------------------------------------
// Host-callback opcodes (plug-in to host)

enum AudioMasterOpcodes : VstInt32
{
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4, // deprecated

    audioMasterWantMidi = 6, // deprecated
    audioMasterGetTime = 7,

    audioMasterTempoAt = 10,                     // deprecated
    audioMasterGetNumAutomatableParameters = 11, // deprecated
    audioMasterGetParameterQuantization = 12,    // deprecated
    audioMasterIOChanged = 13,
    audioMasterNeedIdle = 14, // deprecated
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetPreviousPlug = 20,         // deprecated
    audioMasterGetNextPlug = 21,             // deprecated
    audioMasterWillReplaceOrAccumulate = 22, // deprecated
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterOfflineStart = 25,
    audioMasterOfflineRead = 26,
    audioMasterOfflineWrite = 27,
    audioMasterOfflineGetCurrentPass = 28,
    audioMasterOfflineGetCurrentMetaPass = 29,
    audioMasterSetOutputSampleRate = 30,         // deprecated
    audioMasterGetOutputSpeakerArrangement = 31, // deprecated
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,

    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterOpenWindow = 39,  // deprecated
    audioMasterCloseWindow = 40, // deprecated
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterCloseFileSelector = 46,

    audioMasterGetChunkFile = 48,
    audioMasterGetInputSpeakerArrangement = 49 // deprecated
};

// VST version implemented by this interface.
constexpr VstInt32 kVstVersion = 2400;

// Answers of audioMasterGetCurrentProcessLevel.
constexpr VstInt32 kVstProcessLevelUser = 1;     // a user-interface thread
constexpr VstInt32 kVstProcessLevelRealtime = 2; // the audio thread
constexpr VstInt32 kVstProcessLevelOffline = 4;  // offline processing

// Lengths of the texts exchanged with the host, in bytes without the
// terminating zero: the buffer holds one byte more.
constexpr int kVstMaxParamStrLen = 8;    // parameter names, labels and display texts
constexpr int kVstMaxProgNameLen = 24;   // program names
constexpr int kVstMaxEffectNameLen = 32; // effect name
constexpr int kVstMaxVendorStrLen = 64;  // vendor
constexpr int kVstMaxProductStrLen = 64; // product

//------------------------------------------------------------------------------
// Records

// Editor rectangle, returned through effEditGetRect.
struct ERect
{
    VstInt16 top;
    VstInt16 left;
    VstInt16 bottom;
    VstInt16 right;
};
static_assert(sizeof(ERect) == 8, "ERect layout");
static_assert(offsetof(ERect, top) == 0 && offsetof(ERect, left) == 2 && offsetof(ERect, bottom) == 4 &&
                  offsetof(ERect, right) == 6,
    "ERect layout");

// Key event handed to the editor (effEditKeyDown, effEditKeyUp).
struct VstKeyCode
{
    VstInt32 character;
    std::uint8_t virt;
    std::uint8_t modifier;
};
static_assert(sizeof(VstKeyCode) == 8, "VstKeyCode layout");
static_assert(
    offsetof(VstKeyCode, character) == 0 && offsetof(VstKeyCode, virt) == 4 && offsetof(VstKeyCode, modifier) == 5,
    "VstKeyCode layout");

// One speaker of an arrangement: 112 bytes.
struct VstSpeakerProperties
{
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    VstInt32 type;
    char future[28];
};
static_assert(sizeof(VstSpeakerProperties) == 112, "VstSpeakerProperties layout");
static_assert(offsetof(VstSpeakerProperties, name) == 16 && offsetof(VstSpeakerProperties, type) == 80 &&
                  offsetof(VstSpeakerProperties, future) == 84,
    "VstSpeakerProperties layout");

// Speaker arrangement: a header of 8 bytes followed by numChannels speaker
// records in one block of 8 + 112 * numChannels bytes. The array is declared
// for up to 8 channels so that a stereo or surround arrangement fits on the
// stack; blocks made for more channels are longer than the declaration.
struct VstSpeakerArrangement
{
    VstInt32 type;
    VstInt32 numChannels;
    VstSpeakerProperties speakers[8];
};
static_assert(offsetof(VstSpeakerArrangement, type) == 0 && offsetof(VstSpeakerArrangement, numChannels) == 4 &&
                  offsetof(VstSpeakerArrangement, speakers) == 8,
    "VstSpeakerArrangement layout");

// Records that pass between host and plug-in by pointer only; this code reads
// and writes none of their fields.
struct VstTimeInfo;
struct VstEvents;
struct VstPinProperties;
struct VstParameterProperties;
struct VstPatchChunkInfo;
struct VstVariableIo;
struct VstOfflineTask;
struct VstAudioFile;
struct VstFileSelect;
struct VstWindow;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
