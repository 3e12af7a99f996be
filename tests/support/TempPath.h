#pragma once
// A scratch path of this test process in the system's temporary folder. Test programs of several builds may
// run at once: every name carries a tag drawn once per process.
#include <filesystem>
#include <random>
#include <string>

inline std::string TempPath(const std::string& Name)
{
    static const std::string Tag = "marvo-" + std::to_string(std::random_device{}()) + "-";
    return (std::filesystem::temp_directory_path() / (Tag + Name)).string();
}
