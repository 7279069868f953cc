// The eight list icons and the colour conversion.
#include "list_test_support.h"
#include "ombra/command_icons.h"

#include <QImage>
#include <gtest/gtest.h>

namespace corvid::ombra::testing {
namespace {

class CommandIconsTest : public ::testing::Test {
protected:
    void SetUp() override { Application(); }

    static QImage Image(int index) {
        return CommandIcon(index).toImage().convertToFormat(QImage::Format_ARGB32);
    }
    // Whether any pixel of the columns [left, right) is not fully transparent.
    static bool Drawn(const QImage& image, int left, int right) {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = left; x < right; ++x) {
                if (qAlpha(image.pixel(x, y)) != 0)
                    return true;
            }
        }
        return false;
    }
};

TEST_F(CommandIconsTest, EightIconsOf33By16OnATransparentBackground) {
    for (int index = 0; index < kCommandIconCount; ++index) {
        SCOPED_TRACE(index);
        const QPixmap& icon = CommandIcon(index);
        EXPECT_EQ(icon.width(), 33);
        EXPECT_EQ(icon.height(), 16);
        EXPECT_TRUE(icon.hasAlphaChannel());
        const QImage image = Image(index);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_TRUE(Drawn(image, 0, 16));
    }
}

TEST_F(CommandIconsTest, AllIconsDiffer) {
    for (int first = 0; first < kCommandIconCount; ++first) {
        for (int second = first + 1; second < kCommandIconCount; ++second)
            EXPECT_NE(Image(first), Image(second)) << first << " and " << second;
    }
}

TEST_F(CommandIconsTest, CommentIconsAddANoteSheetBesideTheSymbol) {
    for (int index = 0; index < 4; ++index) {
        SCOPED_TRACE(index);
        const QImage plain = Image(index);
        const QImage withNote = Image(index + 4);
        EXPECT_FALSE(Drawn(plain, 17, 33));
        EXPECT_TRUE(Drawn(withNote, 17, 33));
        EXPECT_EQ(plain.copy(0, 0, 16, 16), withNote.copy(0, 0, 16, 16));
    }
}

TEST_F(CommandIconsTest, StopSignIsRedAndArrowsAreGreenAndRed) {
    const auto centre = [](int index) {
        return QColor(Image(index).pixel(8, 8));
    };
    EXPECT_GT(centre(1).red(), 150);   // the stop sign's red around the text
    EXPECT_GT(centre(2).green(), 150); // green arrow
    EXPECT_LT(centre(2).red(), 100);
    EXPECT_GT(centre(3).red(), 150); // red arrow
    EXPECT_LT(centre(3).green(), 100);
}

TEST_F(CommandIconsTest, IndicesOutsideTheSetGiveTheEmptyBox) {
    EXPECT_EQ(Image(-1), Image(0));
    EXPECT_EQ(Image(8), Image(0));
}

TEST(ColourFromBgrTest, ReadsTheBytesAsBlueGreenRed) {
    EXPECT_EQ(ColourFromBgr(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColourFromBgr(0xC8E1FF), QColor(0xFF, 0xE1, 0xC8));
    EXPECT_EQ(ColourFromBgr(0xFF000000u | 0x123456), QColor(0x56, 0x34, 0x12));
}

} // namespace
} // namespace corvid::ombra::testing
