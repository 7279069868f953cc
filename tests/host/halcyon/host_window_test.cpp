// The host's window under the offscreen platform: listing, running, aborting a running
// test from the window, and the operator plug-in taking the window's place.
#include "halcyon/pubapi.h"
#include "host_window.h"
#include "testsupport/qt_application.h"
#include "testsupport/sandbox.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace corvid::host::testing {
namespace {

using corvid::testing::Application;

class HostWindowTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override { Application(); }
    void TearDown() override { VUnloadTestsuite(); }

    std::string WritePlan(const std::string& text) {
        std::string path = (sandbox.home() / "plan.lua").string();
        std::ofstream(path) << text;
        return path;
    }
};

TEST_F(HostWindowTest, ListsTheTestsAndRunsThoseOfTheVariant) {
    HostWindow window;
    ASSERT_TRUE(window.LoadPlan(QString::fromStdString(WritePlan(R"lua(
        TestPlan {Variants = {"Full", "Quick"}}
        Test("Good", function() Report("hello from Good") return 0 end)
        Test("Bad", {Variants = {"Full"}}, function() return 1 end)
    )lua"))));
    ASSERT_EQ(window.testList()->count(), 2);
    EXPECT_EQ(window.variantBox()->count(), 2);
    window.variantBox()->setCurrentIndex(1); // Quick: Bad is not part of it
    EXPECT_FALSE(window.testList()->item(1)->flags() & Qt::ItemIsEnabled);
    window.runButton()->click();
    EXPECT_EQ(window.testList()->item(0)->text(), "Good    PASSED");
    EXPECT_EQ(window.testList()->item(1)->text(), "Bad");
    EXPECT_TRUE(window.reportView()->toPlainText().contains("hello from Good"));
    window.variantBox()->setCurrentIndex(0);
    window.runButton()->click();
    EXPECT_EQ(window.testList()->item(1)->text(), "Bad    FAILED");
}

TEST_F(HostWindowTest, TheAbortButtonEndsARunningTest) {
    HostWindow window;
    ASSERT_TRUE(window.LoadPlan(QString::fromStdString(WritePlan(R"lua(
        Test("Spin", function() while true do end end)
        Test("After", function() return 0 end)
    )lua"))));
    window.show();
    bool sawRunning = false;
    // Fires only if the window processes its events while the test runs.
    QTimer::singleShot(100, &window, [&] {
        sawRunning =
            window.running() && window.abortButton()->isEnabled() && !window.runButton()->isEnabled();
        window.abortButton()->click();
    });
    window.runButton()->click();
    EXPECT_TRUE(sawRunning);
    EXPECT_FALSE(window.running());
    EXPECT_EQ(window.testList()->item(0)->text(), "Spin    ERROR");
    EXPECT_EQ(window.testList()->item(1)->text(), "After"); // the rest of the run does not start
    EXPECT_TRUE(window.runButton()->isEnabled());
}

TEST_F(HostWindowTest, ABrokenPlanIsNotListed) {
    qputenv("CORVID_MSGBOX", "ok");
    HostWindow window;
    QTimer::singleShot(0, [] { // the warning box is modal: close it
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->inherits("QMessageBox"))
                widget->close();
    });
    EXPECT_FALSE(window.LoadPlan(QString::fromStdString(WritePlan("Test(\n"))));
    EXPECT_EQ(window.testList()->count(), 0);
    EXPECT_FALSE(window.runButton()->isEnabled());
}

TEST_F(HostWindowTest, ThePluginTakesTheWindowsPlace) {
    std::string plan = WritePlan(R"lua(Test("Only", function() Report("ran") return 2 end))lua");
    setenv("HALCYON_TEST_PLAN", plan.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    auto child = corvid::testing::ChildProcess::Spawn({HALCYON_PROGRAM, "--plugin", FAKE_PLUGIN});
    std::string output, line;
    while (child.ReadLine(line))
        output += line + "\n";
    EXPECT_EQ(child.Wait(), 0);
    unsetenv("HALCYON_TEST_PLAN");
    EXPECT_EQ(output,
              "sequence begin\ntest begin Only\nmessage ran\ntest end Only 2\nsequence end 0\nshutdown\n");
}

TEST_F(HostWindowTest, AModuleWithoutTheEntryPointsIsRefused) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    auto child = corvid::testing::ChildProcess::Spawn({HALCYON_PROGRAM, "--plugin", VELACONFIG_MODULE});
    EXPECT_EQ(child.Wait(), 1);
}

} // namespace
} // namespace corvid::host::testing
