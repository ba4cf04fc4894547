// Base class of a VST 2.4 plug-in: owns the effect record handed to the host,
// turns the record's entry points into virtual calls and offers the basic
// host services.
#pragma once

#include "vst/AEffEditor.h"
#include "vst/VstInterface.h"

class AudioEffect
{
public:
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    // Opcodes 0 to 24.
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    virtual void setSampleRate(float sampleRate);
    virtual void setBlockSize(VstInt32 blockSize);

    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames);

    virtual void setParameter(VstInt32 index, float value);
    virtual float getParameter(VstInt32 index);
    // setParameter, then reports the value to the host as automation.
    virtual void setParameterAutomated(VstInt32 index, float value);

    virtual VstInt32 getProgram();
    virtual void setProgram(VstInt32 program);
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    virtual void getParameterLabel(VstInt32 index, char* label);
    virtual void getParameterDisplay(VstInt32 index, char* text);
    virtual void getParameterName(VstInt32 index, char* text);

    // Stores the chunk's address into *data and answers its size in bytes.
    virtual VstInt32 getChunk(void** data, bool isPreset = false);
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset = false);

    virtual void setUniqueID(VstInt32 iD);
    virtual void setNumInputs(VstInt32 inputs);
    virtual void setNumOutputs(VstInt32 outputs);
    virtual void canProcessReplacing(bool state = true);
    virtual void canDoubleReplacing(bool state = true);
    virtual void programsAreChunks(bool state = true);
    virtual void setInitialDelay(VstInt32 delay);

    virtual AEffEditor* getEditor();
    virtual AEffect* getAeffect();
    virtual float getSampleRate();
    virtual VstInt32 getBlockSize();

    // Host services (audioMasterVersion, audioMasterCurrentId, audioMasterIdle).
    virtual VstInt32 getMasterVersion();
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();

    // Value-to-text: text holds maxLen + 1 bytes; the result is cut to maxLen
    // characters and zero-filled up to and including text[maxLen].
    virtual void dB2string(float value, char* text, VstInt32 maxLen);
    virtual void Hz2string(float samples, char* text, VstInt32 maxLen);
    virtual void ms2string(float samples, char* text, VstInt32 maxLen);
    virtual void float2string(float value, char* text, VstInt32 maxLen);
    virtual void int2string(VstInt32 value, char* text, VstInt32 maxLen);

    // Deprecated.
    virtual void process(float** inputs, float** outputs, VstInt32 sampleFrames);
    virtual float getVu();
    virtual void hasVu(bool state = true);
    virtual void hasClip(bool state = true);
    virtual void canMono(bool state = true);
    virtual void setRealtimeQualities(VstInt32 qualities);
    virtual void setOfflineQualities(VstInt32 qualities);
    virtual bool isInputConnected(VstInt32 input);
    virtual bool isOutputConnected(VstInt32 output);

    // Entry points stored in the effect record.
    static VstIntPtr dispatchEffectClass(
        AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    static float getParameterClass(AEffect* e, VstInt32 index);
    static void setParameterClass(AEffect* e, VstInt32 index, float value);
    static void processClass(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames);
    static void processClassReplacing(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames);
    static void processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs, VstInt32 sampleFrames);

protected:
    void setFlag(VstInt32 bit, bool state);

    // Calls the host with this effect's record; 0 when there is no host callback.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);

    audioMasterCallback audioMaster;
    AEffEditor* editor;
    float sampleRate;
    VstInt32 blockSize;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram;
    AEffect cEffect;
};
