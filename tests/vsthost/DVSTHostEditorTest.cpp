// Editor hosting: the plug-in's own editor, and the generic editor's two layouts on the platform's controls
// (in-memory controls natively, real Win32 controls under Wine, windowless controls on X11).
#include <gtest/gtest.h>

#include <deque>

#include "vsthost/DVSTHost.h"
#include "support/FakeEffect.h"
#if defined(MARVO_HEADLESS)
#include "platform/headless/HeadlessDriver.h"
#endif

namespace
{

// Moves a scroll bar to its maximum as a user would: the change arrives as a notification.
void UserScrollToEnd(TForm& Form, TScrollBar& Bar)
{
#if defined(MARVO_HEADLESS)
    (void)Form;
    HeadlessDriver::UserSetPosition(Bar, Bar.Max());
#elif defined(MARVO_X11)
    (void)Form;
    Bar.SetPosition(Bar.Max()); // the windowless control has no user input of its own
#else
    constexpr unsigned kHScroll = 0x0114, kScrollRight = 7;
    Form.SendMessage(kHScroll, kScrollRight, reinterpret_cast<std::intptr_t>(Bar.Handle()));
#endif
}

// Chooses a list item as a user would.
void UserSelect(TForm& Form, TComboBox& Box, int Index)
{
#if defined(MARVO_HEADLESS)
    (void)Form;
    HeadlessDriver::UserSelect(Box, Index);
#elif defined(MARVO_X11)
    (void)Form;
    Box.SetItemIndex(Index);
#else
    constexpr unsigned kSetCurSel = 0x014E, kCommand = 0x0111, kSelChange = 1;
    Box.SendMessage(kSetCurSel, static_cast<std::uintptr_t>(Index), 0);
    Form.SendMessage(kCommand, kSelChange << 16, reinterpret_cast<std::intptr_t>(Box.Handle()));
#endif
}

template <class T>
T* Named(TForm& Form, const std::string& Name)
{
    return dynamic_cast<T*>(Form.FindComponent(Name));
}

TFormDeclaration EditorHostDeclaration()
{
    TFormDeclaration D;
    D.Name = "EditorHost";
    D.ClientWidth = 400;
    D.ClientHeight = 120;
    return D;
}

struct Editor : ::testing::Test
{
    // Declared before the host: instances still open at the end send effClose to their records.
    std::deque<TFakeEffect> Fakes;
    template <class... A>
    TFakeEffect& Make(A... Args)
    {
        return Fakes.emplace_back(Args...);
    }
    TForm Form{nullptr, EditorHostDeclaration()}; // outlives the host as well
    TVstHost Host;
    TVstPlugIn* P = nullptr;

    void Host_(TFakeEffect& Fake) { P = HandInFake(Host, Fake); }
};

TEST_F(Editor, ThePlugInsOwnEditorOpensOnceAndEveryShowIsAnnounced)
{
    TFakeEffect& Fake = Make(4, true);
    Fake.Answers[effEditOpen] = 1;
    Host_(Fake);
    std::vector<std::string> Log;
    P->OnShowEdit = [&](TVstPlugIn*, TForm* F) { Log.push_back(F == &Form ? "show" : "show elsewhere"); };
    P->OnCloseEdit = [&](TVstPlugIn*) { Log.push_back("close"); };
    P->ShowEdit(&Form);
    P->ShowEdit(&Form);
    EXPECT_EQ(Fake.Opcodes(), (std::vector<VstInt32>{effEditOpen, effEditIdle}));
    EXPECT_EQ(Fake.Calls[0].Value, 0);
    EXPECT_TRUE(P->EditVisible());
    EXPECT_EQ(P->EditorWindow, &Form);
    P->CloseEdit();
    EXPECT_EQ(Fake.Opcodes().back(), effEditClose);
    EXPECT_FALSE(P->EditVisible());
    EXPECT_EQ(Log, (std::vector<std::string>{"show", "show", "close"}));
    EXPECT_TRUE(Form.Controls().empty());
}

TEST_F(Editor, ListLayoutHasOneRowPerParameterAndAMovedBarRefreshesOnlyItsValue)
{
    TFakeEffect& Fake = Make(4, true); // has an editor, but the list is asked for
    Fake.Parameters = {0.25f, 0.0f, 0.5f, 0.75f};
    Fake.Texts[effGetParamName] = "Parameter";
    Fake.Texts[effGetParamDisplay] = "before";
    Host_(Fake);
    P->SetGUIStyle(gsList);
    P->ShowEdit(&Form);
    EXPECT_TRUE(P->EditVisible());
    EXPECT_EQ(Form.ClientHeight(), 68);
    const int W = Form.Width();
    for (int I = 0; I < 4; ++I)
    {
        const std::string N = std::to_string(I);
        auto* Bar = Named<TScrollBar>(Form, "ParamBar" + N);
        auto* Name = Named<TLabel>(Form, "LbL" + N);
        auto* Value = Named<TLabel>(Form, "LbV" + N);
        ASSERT_TRUE(Bar && Name && Value) << I;
        EXPECT_EQ(Bar->Top(), 16 * I + 2);
        EXPECT_EQ(Bar->Left(), Named<TScrollBar>(Form, "ParamBar0")->Left());
        EXPECT_GT(Bar->Left(), 2 + Name->TextWidth("Parameter:") - 1);
        EXPECT_EQ(Bar->Width(), W - Bar->Left() - 72);
        EXPECT_EQ(Bar->Max(), 1000);
        EXPECT_EQ(Bar->Tag(), I);
        EXPECT_EQ(Name->Caption(), "Parameter:");
        EXPECT_EQ(Value->Left(), W - 72);
        EXPECT_EQ(Value->Width(), 65);
        EXPECT_EQ(Value->Caption(), "before");
    }
    EXPECT_EQ(Named<TScrollBar>(Form, "ParamBar0")->Position(), 250);
    EXPECT_EQ(Named<TScrollBar>(Form, "ParamBar3")->Position(), 750);
    // Building reports no change to the plug-in.
    EXPECT_EQ(Fake.Count(kSetParameterCall), 0);

    Fake.Texts[effGetParamDisplay] = "after";
    UserScrollToEnd(Form, *Named<TScrollBar>(Form, "ParamBar3"));
    EXPECT_EQ(Fake.Parameters[3], 1.0f);
    EXPECT_EQ(Named<TLabel>(Form, "LbV3")->Caption(), "after");
    EXPECT_EQ(Named<TLabel>(Form, "LbV0")->Caption(), "before");

    P->CloseEdit();
    EXPECT_TRUE(Form.Controls().empty());
    EXPECT_FALSE(P->EditVisible());
    EXPECT_EQ(Fake.Count(effEditClose), 0);
}

TEST_F(Editor, ListLayoutServesAPlugInWithoutEditorEvenWithNoParameters)
{
    TFakeEffect& Fake = Make(0, false);
    Host_(Fake);
    P->ShowEdit(&Form);
    EXPECT_TRUE(P->EditVisible());
    EXPECT_EQ(Form.ClientHeight(), 4);
    EXPECT_TRUE(Form.Controls().empty());
    EXPECT_EQ(Fake.Count(effEditOpen), 0);
    P->CloseEdit();
    EXPECT_FALSE(P->EditVisible());
}

TEST_F(Editor, SelectorLayoutWritesTheRoundedValueOnlyWhenTheTrackBarMoves)
{
    TFakeEffect& Fake = Make(3, false);
    Fake.Parameters = {0.25f, 0.333f, 0.333f};
    for (int I = 0; I < 3; ++I)
    {
        Fake.IndexedTexts[{effGetParamName, I}] = "P" + std::to_string(I);
        Fake.IndexedTexts[{effGetParamDisplay, I}] = "d" + std::to_string(I);
    }
    Fake.Texts[effGetParamLabel] = "dB";
    Host_(Fake);
    P->SetGUIStyle(gsOld);
    P->ShowEdit(&Form);
    auto* Box = Named<TComboBox>(Form, "ParamBox");
    auto* Bar = Named<TTrackBar>(Form, "ParamBar");
    auto* Label = Named<TLabel>(Form, "LbL");
    ASSERT_TRUE(Box && Bar && Label);
    const int W = Form.Width();
    EXPECT_EQ(Box->ItemCount(), 3);
    EXPECT_EQ(Box->Item(2), "P2");
    EXPECT_EQ(Box->ItemIndex(), 0);
    EXPECT_EQ(Box->Left(), 4);
    EXPECT_EQ(Box->Width(), W - 16);
    EXPECT_EQ(Bar->Left(), 5);
    EXPECT_EQ(Bar->Top(), 33);
    EXPECT_EQ(Bar->Width(), W - 20);
    EXPECT_EQ(Bar->Max(), 100);
    EXPECT_EQ(Bar->Position(), 25);
    EXPECT_EQ(Label->Caption(), "Value: d0dB");

    UserSelect(Form, *Box, 1);
    EXPECT_EQ(Bar->Position(), 33);
    EXPECT_EQ(Fake.Parameters[1], 0.33f);
    EXPECT_EQ(Label->Caption(), "Value: d1dB");

    UserSelect(Form, *Box, 2); // rounds to the position the bar already has: nothing is written
    EXPECT_EQ(Fake.Parameters[2], 0.333f);
    EXPECT_EQ(Label->Caption(), "Value: d1dB");

    P->CloseEdit();
    EXPECT_TRUE(Form.Controls().empty());
}

TEST_F(Editor, AGenericEditorShownTwiceKeepsOneSetOfControls)
{
    TFakeEffect& Fake = Make(2, false);
    Host_(Fake);
    P->ShowEdit(&Form);
    P->ShowEdit(&Form);
    EXPECT_EQ(Form.Controls().size(), 6u);
    P->CloseEdit();
    EXPECT_TRUE(Form.Controls().empty());
}

} // namespace
