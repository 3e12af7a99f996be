#pragma once
// Adapter test support: module 0 as the player drives it (Win32: from the real dsp_Marvo.dll beside the test
// program; natively: the adapter linked in, so the headless windows are this program's own), a window of
// the test as the player's main window, isolated per-user settings, and equaliser setting files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "adapter/WinampDSP.h"
#include "equaliser/SmallEQEntry.h"
#include "equaliser/SmallEQModule.h"
#include "platform/AtomicFile.h"
#include "platform/Exceptions.h"
#include "platform/Forms.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/WindowProbe.h"
#include "vsthost/DVSTHost.h"
#ifndef MARVO_WIN32
#include "adapter/WADSPVST.h"
#endif

#ifdef MARVO_WIN32
inline constexpr const char* kSep = "\\";
#else
inline constexpr const char* kSep = "/";
#endif

// The header record the player sees.
inline TWinampDSPHeader* AdapterHeader()
{
#ifdef MARVO_WIN32
    static TLibraryHandle Library = LoadDynamicLibrary(ExtractFilePath(ExecutablePath()) + "dsp_Marvo.dll");
    if (!Library)
        throw EMarvoError("cannot load dsp_Marvo.dll: " + SystemErrorMessage(LastSystemError()));
    auto Entry = reinterpret_cast<TWinampDSPGetHeader2>(GetLibraryEntry(Library, kWinampDSPEntryName));
    if (!Entry)
        throw EMarvoError("dsp_Marvo.dll has no winampDSPGetHeader2");
    return Entry();
#else
    return WinampDSPHeader();
#endif
}

inline void SetEnvironmentValue(const char* Name, const std::string& Value)
{
#ifdef MARVO_WIN32
    _putenv_s(Name, Value.c_str());
#else
    setenv(Name, Value.c_str(), 1);
#endif
}

inline std::vector<std::uint8_t> FileBytes(const std::string& Path)
{
    return ReadWholeFile(Path).value_or(std::vector<std::uint8_t>{});
}

inline void WriteBytes(const std::string& Path, const std::vector<std::uint8_t>& Bytes)
{
    WriteFileAtomically(Path, Bytes.data(), Bytes.size());
}

// Writes an equaliser setting file: the parameters in real units (the rest at their defaults); Foreign
// gives it another plug-in's identifier. Call only while the adapter is not running (the host made here
// is the library's current host while it lives).
inline std::vector<std::uint8_t> MakeSetting(std::vector<std::pair<int, float>> Values, bool Foreign = false)
{
    std::vector<std::uint8_t> Bytes;
    {
        TVstHost Host;
        TVstPlugIn* Plugin = Host.VstPlugIns().Add();
        auto* Module = new TSmallEQModule(nullptr);
        Module->SetAudioMaster(&AudioMasterCallback);
        Plugin->VstEffect = Module->Effect();
        Plugin->SetActive(true);
        for (auto [Index, Value] : Values)
            Plugin->SetParameter(Index, Module->ParameterToNormalized(Index, Value));
        std::ostringstream Stream(std::ios::binary);
        Plugin->SavePreset(Stream);
        Plugin->SetActive(false);
        const std::string S = Stream.str();
        Bytes.assign(S.begin(), S.end());
    }
    if (Foreign)
        Bytes[16] ^= 0x20; // the first letter of the plug-in identifier
    return Bytes;
}

class TAdapterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetEnvironmentValue(kUserFolderVariable, UserFolder());
        RemoveSettings();
        RemoveKeys();
        Header = AdapterHeader();
        Module = Header->getModule(0);
        TFormDeclaration D;
        D.Name = "PlayerWindow";
        D.Caption = "Player";
        D.ClientWidth = 275;
        D.ClientHeight = 116;
        Player = std::make_unique<TForm>(nullptr, D);
        Module->hwndParent = Player->Handle();
    }

    void TearDown() override
    {
        Module->Quit(Module);
        RemoveSettings();
        RemoveKeys();
        Player.reset();
    }

    // The window's key and the equaliser's own preference.
    static void RemoveKeys()
    {
        TRegistry Registry;
        Registry.DeleteKey("Software\\Zentrova\\Marvo\\WinAmp");
        Registry.DeleteKey("Software\\Zentrova\\Marvo\\SmallEQ");
    }

    static std::string UserFolder() { return ExtractFilePath(ExecutablePath()) + "adapter-user" + kSep; }
    static std::string PlayerFile() { return ExtractFilePath(ExecutablePath()) + "Marvo.fxp"; }
    static std::string UserFile() { return UserFolder() + "Zentrova" + kSep + "Marvo" + kSep + "Marvo.fxp"; }
    static void RemoveSettings()
    {
        for (const std::string& F : {PlayerFile(), PlayerFile() + ".rejected", PlayerFile() + ".tmp", UserFile(),
                                     UserFile() + ".rejected"})
        {
            std::error_code Ignored;
            std::filesystem::remove_all(std::filesystem::u8path(F), Ignored);
        }
    }

    int Init() { return Module->Init(Module); }
    void Quit() { Module->Quit(Module); }
    void Config() { Module->Config(Module); }
    std::int32_t Modify(void* Samples, int Frames, int Bps, int Nch, int Rate = 44100)
    {
        return Module->ModifySamples(Module, Samples, Frames, Bps, Nch, Rate);
    }
    // A 16-bit block of one constant on every channel, processed; answers the block.
    std::vector<std::int16_t> ProcessConstant(std::int16_t Value, int Nch = 2, int Frames = 576)
    {
        std::vector<std::int16_t> Block(static_cast<std::size_t>(Frames * Nch), Value);
        EXPECT_EQ(Modify(Block.data(), Frames, 16, Nch), Frames);
        return Block;
    }

    // The adapter's windows: top-level windows captioned "Marvo" or with the design caption.
    static std::vector<TWindowProbe> MarvoWindows()
    {
        std::vector<TWindowProbe> R;
        for (const TWindowProbe& W : TopLevelWindows())
            if (W.Caption == "Marvo" || W.Caption == "VST Host DSP Plugin v1.0 for Winamp")
                R.push_back(W);
        return R;
    }
    static TWindowProbe MarvoWindow()
    {
        auto W = MarvoWindows();
        if (W.size() != 1)
            throw EMarvoError("expected one Marvo window, found " + std::to_string(W.size()));
        return W[0];
    }

#ifdef MARVO_WIN32
    static constexpr const char* kUserFolderVariable = "APPDATA";
#else
    static constexpr const char* kUserFolderVariable = "XDG_CONFIG_HOME";
#endif

    TWinampDSPHeader* Header = nullptr;
    TWinampDSPModule* Module = nullptr;
    std::unique_ptr<TForm> Player;
};
