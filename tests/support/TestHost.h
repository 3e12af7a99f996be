#pragma once
// The smallest host: it answers audioMasterVersion and nothing else, and talks to an effect only through its
// AEffect record.
#include <string>
#include <vector>

#include "vstplugin/DVSTEffect.h"
#include "vstplugin/DVSTVersionHost.h"

struct THostView
{
    AEffect* E;

    VstIntPtr Dispatch(VstInt32 Opcode, VstInt32 Index = 0, VstIntPtr Value = 0, void* Ptr = nullptr,
                       float Opt = 0.0f) const
    {
        return E->dispatcher(E, Opcode, Index, Value, Ptr, Opt);
    }
    std::string Text(VstInt32 Opcode, VstInt32 Index = 0) const
    {
        char buffer[256] = {};
        Dispatch(Opcode, Index, 0, buffer);
        return buffer;
    }
    // Runs both channels through processReplacing in place.
    void Process(std::vector<float>& Left, std::vector<float>& Right) const
    {
        float* planes[2] = {Left.data(), Right.data()};
        E->processReplacing(E, planes, planes, static_cast<VstInt32>(Left.size()));
    }
};
