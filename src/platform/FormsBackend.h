#pragma once
// What the backend-independent part of the window toolkit (Forms.cpp) shares with the backends: the kind and
// the backend-independent state of a control (each backend's TControl::TImpl extends it with its window
// state), and the backend's file dialog. [editor]
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Forms.h"

enum class TControlKind { ckForm, ckLabel, ckScrollBar, ckTrackBar, ckComboBox };

struct TControlState
{
    TControl* Self = nullptr;
    TControlKind Kind = TControlKind::ckForm;
    unsigned Anchors = akLeft | akTop;
    int TabOrder = 0;

    // Forms (and label captions).
    std::string Caption;
    TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
    unsigned BorderIcons = 0;
    std::uint32_t Color = 0;
    TFormPosition Position = TFormPosition::poDesigned;
    bool FixedOpaque = false;
    TControl* ActiveControl = nullptr;

    // Labels.
    bool AutoSize = true;
    bool Centered = false;

    // Scroll bars and track bars.
    int Min = 0, Max = 100, Position_ = 0, LargeChange = 1, Frequency = 1, SelStart = 0, SelEnd = 0;
    bool NoTicks = false;

    // Combo boxes.
    std::vector<std::string> Items;
    int ItemIndex = -1;
    int ItemHeight = 13;
    std::uint32_t FontColor = 0xFF000000;
};

// [editor] A new form's state from its declaration (everything but its name, owner and size).
inline void LoadFormDeclaration(TControlState& S, const TFormDeclaration& D)
{
    S.Kind = TControlKind::ckForm;
    S.Caption = D.Caption;
    S.BorderStyle = D.BorderStyle;
    S.BorderIcons = D.BorderIcons;
    S.Color = D.Color;
    S.FixedOpaque = D.FixedOpaque;
    S.Position = D.Position;
}

// [editor] Runs the open (Save false) or save file dialog; the chosen path, or nothing when cancelled.
std::optional<std::string> RunFileDialog(bool Save, const std::string& Title, const std::string& InitialDir,
                                         const std::string& Filter);
