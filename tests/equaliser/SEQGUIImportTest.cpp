// The overview strip's menu with the preset import: the specified items stay as they were, and a cancelled
// dialog changes nothing. (The import itself: tests/adapter/ImportMenuTest.cpp, through the player.)
#ifdef MARVO_HEADLESS

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SEQGUITestSupport.h"

namespace
{

class SEQGUIImport : public TEditorTest
{
};

TEST_F(SEQGUIImport, TheStripMenuEndsWithTheImportAndACancelledDialogChangesNothing)
{
    std::vector<std::string> Names;
    for (const TMenuItem* Item : Editor->PopupMenu("PUOverview")->Items())
        Names.push_back(Item->Name());
    EXPECT_EQ(Names, (std::vector<std::string>{"MIDefaultScheme", "MIBlackWhiteScheme", "N1", "MIOff", "N5", "MIShowResponse", "N3",
                                               "MIImportPreset"}));
    EXPECT_FALSE(Editor->MenuItem("MIImportPreset")->RadioItem());

    Editor->MenuItem("MIOff")->Click();
    std::vector<float> Before;
    for (int i = 0; i < Module->numParams(); ++i)
        Before.push_back(Module->Parameter(i));
    HeadlessDriver::ChooseInNextPopup("MIImportPreset");
    HeadlessDriver::MouseDown(*Editor, TMouseButton::mbRight, ssRight, 70, 32);
    ASSERT_EQ(HeadlessDriver::Dialogs().size(), 1u);
    EXPECT_EQ(HeadlessDriver::Dialogs()[0].Title, "Import EQ preset");
    EXPECT_TRUE(Editor->MenuItem("MIOff")->Checked()) << "the import is no scheme";
    EXPECT_FALSE(Editor->MenuItem("MIDefaultScheme")->Checked());
    for (int i = 0; i < Module->numParams(); ++i)
        EXPECT_EQ(Module->Parameter(i), Before[static_cast<std::size_t>(i)]) << i;
    EXPECT_TRUE(HeadlessDriver::MessageBoxes().empty());
}

} // namespace

#endif // MARVO_HEADLESS
