#include <gtest/gtest.h>

#include "model/BasicSettingEdit.h"
#include "model/CBasicSettingsModuleValue.h"
#include "support/TestDocument.h"

namespace corvane {
namespace {

using Scroll = BasicSettingEdit::Scroll;

class SettingEditTest : public ::testing::Test {
protected:
    const CBasicSettingsModuleValue& Setting(int index) const { return *m_settings[static_cast<std::size_t>(index)]; }
    test::TestDocument m_doc;
    std::vector<std::unique_ptr<CBasicSettingsModuleValue>> m_settings = CreateBasicSettings(&m_doc.ctx);
};

TEST_F(SettingEditTest, RevLimitScrollsIn125StepsOf32) {
    BasicSettingEdit edit(Setting(kRevLimit));
    EXPECT_EQ(edit.GetMode(), BasicSettingEdit::Mode::kScroll);
    EXPECT_EQ(edit.Step(), 32);
    EXPECT_EQ((edit.ScrollMaximum() - edit.ScrollMinimum()) / edit.ScrollPage(), 125);
    EXPECT_EQ(edit.ScrollMinimum(), 4000);
    EXPECT_EQ(edit.ScrollLimit(), 8000 - 32 + 1);
    EXPECT_EQ(edit.Label(), "Rev Limit");
    EXPECT_EQ(edit.Position(), 6144);
    EXPECT_EQ(edit.ValueText(), "6144");
    EXPECT_TRUE(edit.RangeText().empty());
}

TEST_F(SettingEditTest, ScrollRulesKeepTheBarWithinItsRange) {
    BasicSettingEdit edit(Setting(kRevLimit));
    EXPECT_EQ(edit.Move(Scroll::kLineRight), 6176);
    EXPECT_EQ(edit.ValueText(), "6176");
    EXPECT_EQ(edit.Move(Scroll::kLineLeft), 6144);
    EXPECT_EQ(edit.Move(Scroll::kPageRight), 6176);
    EXPECT_EQ(edit.Move(Scroll::kPageLeft), 6144);
    // Thumb drags land on whole steps counted from zero.
    EXPECT_EQ(edit.Move(Scroll::kThumb, 5000), 4992);
    EXPECT_EQ(edit.ValueText(), "4992");

    // At the low end: a line left needs a whole step of room, a page left stops at the minimum.
    EXPECT_EQ(edit.Move(Scroll::kHome), 4000);
    EXPECT_EQ(edit.Move(Scroll::kLineLeft), 4000);
    EXPECT_EQ(edit.Move(Scroll::kPageLeft), 4000);
    edit.Move(Scroll::kThumb, 4016);  // 4000 + half a step
    EXPECT_EQ(edit.Position(), 4000);

    // At the high end: the bar never passes its limit, whatever the move.
    EXPECT_EQ(edit.Move(Scroll::kEnd), 7969);
    EXPECT_EQ(edit.ValueText(), "7969");
    EXPECT_EQ(edit.Move(Scroll::kLineRight), 7969);
    EXPECT_EQ(edit.Move(Scroll::kPageRight), 7969);
    EXPECT_EQ(edit.Move(Scroll::kThumb, 9000), 7969);
    EXPECT_EQ(edit.Move(Scroll::kPageLeft), 7937);
    EXPECT_EQ(edit.Move(Scroll::kPageRight), 7969);
    EXPECT_TRUE(edit.Accept());  // whatever the bar shows is within the range
}

TEST_F(SettingEditTest, SignedSettingScrollsThroughZero) {
    BasicSettingEdit edit(Setting(FindBasicSetting("CCrankSensorSync")));
    ASSERT_EQ(edit.GetMode(), BasicSettingEdit::Mode::kScroll);
    EXPECT_EQ(edit.Step(), 1);
    EXPECT_EQ(edit.Move(Scroll::kHome), -15);
    EXPECT_EQ(edit.ValueText(), "-15");
    EXPECT_EQ(edit.Move(Scroll::kThumb, -7), -7);
    EXPECT_EQ(edit.Move(Scroll::kEnd), 15);
}

TEST_F(SettingEditTest, InjectorSizeIsTypedWithinItsRange) {
    BasicSettingEdit edit(Setting(FindBasicSetting("CInjectorSize")));
    EXPECT_EQ(edit.Step(), 0);
    EXPECT_EQ(edit.GetMode(), BasicSettingEdit::Mode::kTyped);
    EXPECT_EQ(edit.RangeText(), "Valid Range = 0.0 - 2048.0");
    EXPECT_EQ(edit.ValueText(), "585.0");
    EXPECT_EQ(edit.Move(Scroll::kEnd), edit.Position());  // no bar to move

    edit.SetValueText("2100");
    EXPECT_FALSE(edit.Accept());
    edit.SetValueText("-0.5");
    EXPECT_FALSE(edit.Accept());
    edit.SetValueText("2048");
    EXPECT_TRUE(edit.Accept());
    edit.SetValueText(" 612.5 ");
    EXPECT_TRUE(edit.Accept());
    // Text that is not a number is refused rather than taken as 0.
    for (const char* text : {"", "abc", "12abc", "1e999", "nan"}) {
        edit.SetValueText(text);
        EXPECT_FALSE(edit.Accept()) << text;
    }
}

TEST_F(SettingEditTest, RangesWithoutAWholeStepAreTyped) {
    // More than 32000 steps, no step at all, an empty range.
    EXPECT_EQ(BasicSettingEdit("a", "5", 0, 32000, 1, 0).GetMode(), BasicSettingEdit::Mode::kScroll);
    EXPECT_EQ(BasicSettingEdit("a", "5", 0, 32001, 1, 0).GetMode(), BasicSettingEdit::Mode::kTyped);
    EXPECT_EQ(BasicSettingEdit("a", "5", 0, 64001, 2, 0).GetMode(), BasicSettingEdit::Mode::kTyped);
    EXPECT_EQ(BasicSettingEdit("a", "5", 0, 10, 0, 0).GetMode(), BasicSettingEdit::Mode::kTyped);
    EXPECT_EQ(BasicSettingEdit("a", "5", 3, 3, 0, 0).GetMode(), BasicSettingEdit::Mode::kTyped);
    // The 2-decimal placeholders over 0 … 65535 module units are typed.
    BasicSettingEdit placeholder(Setting(FindBasicSetting("CIgnitionMode")));
    EXPECT_EQ(placeholder.GetMode(), BasicSettingEdit::Mode::kTyped);
}

TEST_F(SettingEditTest, IgnitionDelayNeedsFirmware81) {
    const auto& delay = Setting(kStartIgnRevsDelay);
    EXPECT_EQ(SettingValueText(delay, 80), "N/A Firmware");
    EXPECT_EQ(SettingValueText(delay, 0), "N/A Firmware");  // unlinked
    EXPECT_EQ(SettingValueText(delay, 81), "2");
    EXPECT_EQ(SettingValueText(Setting(kRevLimit), 80), "6144");
}

}  // namespace
}  // namespace corvane
