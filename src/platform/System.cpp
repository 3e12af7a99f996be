// Backend-independent system helpers.
#include "platform/System.h"

// [any] Both separators are accepted, and the drive colon, so paths of either system split alike.
std::string ExtractFilePath(const std::string& Path)
{
    const auto Pos = Path.find_last_of("\\/:");
    return Pos == std::string::npos ? std::string() : Path.substr(0, Pos + 1);
}
