// marvo-lv2-turtle OUTDIR [--with-ui]: writes the bundle's manifest.ttl and Marvo.ttl from the equaliser's
// own declaration, read through its effect record. Run by the build; exit status 1 with one line on error.
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

#include "lv2/LV2Entry.h"
#include "lv2/LV2Turtle.h"

namespace
{

void WriteFile(const std::string& Path, const std::string& Text)
{
    std::ofstream File(Path, std::ios::binary | std::ios::trunc);
    File << Text;
    File.close();
    if (!File)
        throw std::runtime_error("cannot write '" + Path + "'");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--with-ui") != 0))
    {
        std::fprintf(stderr, "usage: marvo-lv2-turtle OUTDIR [--with-ui]\n");
        return 2;
    }
    try
    {
        LV2Marvo::TPluginFacts Facts = LV2Marvo::ReadPluginFacts(&LV2EqualiserMain);
        Facts.WithUi = argc == 3;
        const auto Controls = LV2Marvo::DescribeControls(&LV2EqualiserMain);
        const std::string Dir = argv[1];
        WriteFile(Dir + "/manifest.ttl", LV2Marvo::ManifestTurtle(Facts));
        WriteFile(Dir + "/Marvo.ttl", LV2Marvo::PluginTurtle(Facts, Controls));
        return 0;
    }
    catch (const std::exception& E)
    {
        std::fprintf(stderr, "marvo-lv2-turtle: %s\n", E.what());
        return 1;
    }
}
