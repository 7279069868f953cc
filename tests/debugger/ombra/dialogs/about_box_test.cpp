// The About box's texts for a known and an unknown version.
#include "ombra/about_box.h"
#include "testsupport/qt_application.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace corvid::ombra {
namespace {

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override { corvid::testing::Application(); }
};

TEST_F(AboutBoxTest, ShowsTheVersion) {
    AboutBox box(QStringLiteral("1.1.0.0"));
    EXPECT_EQ(box.windowTitle(), "About Ombra");
    EXPECT_EQ(box.versionLabel()->text(), "OMBRA v1.1.0.0");
    EXPECT_FALSE(box.iconLabel()->pixmap().isNull());
    EXPECT_TRUE(box.contactLabel()->text().contains("href=\"mailto:"));
    EXPECT_TRUE(box.contactLabel()->openExternalLinks());
    EXPECT_FALSE(box.creditsLabel()->text().isEmpty());
    box.okButton()->click();
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST_F(AboutBoxTest, SaysWhenTheVersionIsUnknown) {
    EXPECT_EQ(AboutBox(QString()).versionLabel()->text(), "OMBRA Version Unknown");
    // A version that could not be read is still a text.
    EXPECT_EQ(AboutBox(QStringLiteral("?.?.?.?")).versionLabel()->text(), "OMBRA v?.?.?.?");
}

TEST_F(AboutBoxTest, UsesTheApplicationsIconWhenItHasOne) {
    QPixmap red(16, 16);
    red.fill(Qt::red);
    QApplication::setWindowIcon(QIcon(red));
    const QImage shown = ProgramIcon(16).toImage();
    QApplication::setWindowIcon(QIcon());
    EXPECT_EQ(shown.pixelColor(8, 8), QColor(Qt::red));
    EXPECT_NE(ProgramIcon(16).toImage().pixelColor(8, 8), QColor(Qt::red));
}

} // namespace
} // namespace corvid::ombra
