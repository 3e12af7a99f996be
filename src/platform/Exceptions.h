#pragma once
// The one exception type of the system. It carries the system's fixed English messages ("Index out of
// bounds", "AudioMaster Error", "This is not a valid Vst Plugin!", "preset file not for this plugin!",
// "not allowed", ...). It is caught, with everything else, wherever failures turn into answers: the VST
// dispatcher entries, the host callback, every window callback and the Winamp exports.
#include <stdexcept>
#include <string>

class EMarvoError : public std::runtime_error
{
public:
    explicit EMarvoError(const std::string& Message) : std::runtime_error(Message) {}
};
