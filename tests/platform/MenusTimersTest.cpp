// Menu item state and window timers, on both backends.
#include <gtest/gtest.h>

#include "PlatformTestSupport.h"

namespace
{

class RadioMenu : public ::testing::Test
{
protected:
    RadioMenu() : Menu(nullptr)
    {
        Menu.SetName("PUMeter");
        Input = Menu.Add("Input1", "&Input");
        Output = Menu.Add("MIOutput", "&Output");
        Separator = Menu.Add("N2", "-");
        Off = Menu.Add("MIMeterOff", "Off");
        for (TMenuItem* I : {Input, Output, Off})
        {
            I->SetRadioItem(true);
            I->SetAutoCheck(true);
        }
        Input->SetEnabled(false);
        Output->SetChecked(true);
    }
    TPopupMenu Menu;
    TMenuItem *Input, *Output, *Separator, *Off;
};

TEST_F(RadioMenu, ChoosingARadioItemChecksItAndUnchecksItsGroup)
{
    int Clicks = 0;
    Off->OnClick = [&](TComponent* S) {
        ++Clicks;
        EXPECT_TRUE(static_cast<TMenuItem*>(S)->Checked()) << "checked before the handler runs";
    };
    Off->Click();
    EXPECT_TRUE(Off->Checked());
    EXPECT_FALSE(Output->Checked());
    Off->Click(); // a radio item stays checked when chosen again
    EXPECT_TRUE(Off->Checked());
    EXPECT_EQ(Clicks, 2);
    Output->Click();
    EXPECT_TRUE(Output->Checked());
    EXPECT_FALSE(Off->Checked());
}

TEST_F(RadioMenu, DisabledItemsAndSeparatorsCannotBeChosen)
{
    int Clicks = 0;
    Input->OnClick = [&](TComponent*) { ++Clicks; };
    Separator->OnClick = [&](TComponent*) { ++Clicks; };
    Input->Click();
    Separator->Click();
    EXPECT_EQ(Clicks, 0);
    EXPECT_FALSE(Input->Checked());
    EXPECT_TRUE(Output->Checked());
    EXPECT_TRUE(Separator->IsSeparator());
}

TEST_F(RadioMenu, GroupsAndPlainItemsAreIndependent)
{
    TMenuItem* Other = Menu.Add("Other", "O&ther");
    Other->SetRadioItem(true);
    Other->SetGroupIndex(1);
    Other->SetChecked(true);
    EXPECT_TRUE(Output->Checked()) << "another group is not touched";
    TMenuItem* Toggle = Menu.Add("Toggle", "&Toggle");
    Toggle->SetAutoCheck(true);
    Toggle->Click();
    EXPECT_TRUE(Toggle->Checked());
    Toggle->Click();
    EXPECT_FALSE(Toggle->Checked());
    delete Toggle;
    EXPECT_EQ(Menu.Items().size(), 5u);
    EXPECT_EQ(Menu.Items().back(), Other);
}

TEST(Timers, EnabledTimerFiresAndDisabledTimerDoesNot)
{
    TTimer T(nullptr);
    T.SetInterval(20);
    EXPECT_EQ(T.Interval(), 20u);
    int Ticks = 0;
    T.OnTimer = [&](TComponent*) { ++Ticks; };
    T.SetEnabled(true);
    LetTimePass(150);
    EXPECT_GE(Ticks, 1);
    T.SetEnabled(false);
    const int AtStop = Ticks;
    LetTimePass(100);
    EXPECT_EQ(Ticks, AtStop);
    T.SetEnabled(true);
    LetTimePass(150);
    EXPECT_GT(Ticks, AtStop);
}

TEST(Timers, ATimerFreedInsideItsOwnHandlerStopsCleanly)
{
    auto* T = new TTimer(nullptr);
    T->SetInterval(10);
    int Ticks = 0;
    T->OnTimer = [&](TComponent* S) {
        ++Ticks;
        delete S;
    };
    LetTimePass(100);
    EXPECT_EQ(Ticks, 1);
}

} // namespace
