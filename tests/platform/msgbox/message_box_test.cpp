#include "platform/message_box.h"

#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>

using namespace corvid::platform;

namespace {
// Clears the installed handler and CORVID_MSGBOX around each test.
class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = SetMessageBoxHandler({});
        ::unsetenv("CORVID_MSGBOX");
    }
    void TearDown() override {
        SetMessageBoxHandler(previous_);
        ::unsetenv("CORVID_MSGBOX");
    }
    MessageBoxHandler previous_;
};
} // namespace

TEST_F(MessageBoxTest, InstalledHandlerSeesTheRequestAndAnswers) {
    MessageBoxRequest seen;
    SetMessageBoxHandler([&](const MessageBoxRequest& request) {
        seen = request;
        return MsgAnswer::No;
    });
    ::setenv("CORVID_MSGBOX", "yes", 1); // the handler takes precedence
    EXPECT_EQ(ShowMessageBox("Continue?\r\nReally", "Question", MsgButtons::YesNo, MsgIcon::Question),
              MsgAnswer::No);
    EXPECT_EQ(seen.text, "Continue?\r\nReally");
    EXPECT_EQ(seen.caption, "Question");
    EXPECT_EQ(seen.buttons, MsgButtons::YesNo);
    EXPECT_EQ(seen.icon, MsgIcon::Question);
}

TEST_F(MessageBoxTest, AModuleLoadedLaterAsksTheProgramsHandler) {
    std::string caption;
    SetMessageBoxHandler([&](const MessageBoxRequest& request) {
        caption = request.caption;
        return MsgAnswer::No;
    });
    void* module = ::dlopen(PROBE_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    auto show = reinterpret_cast<int (*)()>(::dlsym(module, "ShowProbeBox"));
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(show(), static_cast<int>(MsgAnswer::No));
    EXPECT_EQ(caption, "Probe");
    ::dlclose(module);
}

TEST_F(MessageBoxTest, EmptyCaptionBecomesTheProgramName) {
    std::string caption;
    SetMessageBoxHandler([&](const MessageBoxRequest& request) {
        caption = request.caption;
        return MsgAnswer::Ok;
    });
    ShowMessageBox("text");
    EXPECT_EQ(caption, program_invocation_short_name);
}

TEST_F(MessageBoxTest, EnvironmentAnswersWhenTheBoxOffersTheButton) {
    ::setenv("CORVID_MSGBOX", "no", 1);
    EXPECT_EQ(ShowMessageBox("q", "c", MsgButtons::YesNoCancel), MsgAnswer::No);
    // No is not offered by an OK/Cancel box: the default button answers.
    EXPECT_EQ(ShowMessageBox("q", "c", MsgButtons::OkCancel), MsgAnswer::Ok);
    ::setenv("CORVID_MSGBOX", "cancel", 1);
    EXPECT_EQ(ShowMessageBox("q", "c", MsgButtons::RetryCancel), MsgAnswer::Cancel);
    ::setenv("CORVID_MSGBOX", "log", 1);
    EXPECT_EQ(ShowMessageBox("q", "c", MsgButtons::AbortRetryIgnore), MsgAnswer::Abort);
}

TEST_F(MessageBoxTest, UnattendedAnswersOnlyWhenTheVariableIsSet) {
    const MessageBoxRequest request{"q", "c", MsgButtons::YesNo, MsgIcon::Question};
    EXPECT_EQ(AnswerUnattended(request), std::nullopt);
    ::setenv("CORVID_MSGBOX", "no", 1);
    EXPECT_EQ(AnswerUnattended(request), MsgAnswer::No);
    ::setenv("CORVID_MSGBOX", "log", 1);
    EXPECT_EQ(AnswerUnattended(request), MsgAnswer::Yes);
}

TEST_F(MessageBoxTest, WithoutTerminalTheDefaultButtonAnswers) {
    if (::isatty(0))
        GTEST_SKIP() << "standard input is a terminal";
    EXPECT_EQ(ShowMessageBox("q", "c", MsgButtons::YesNo), MsgAnswer::Yes);
    EXPECT_EQ(ShowMessageBox("q", "c", MsgButtons::RetryCancel), MsgAnswer::Retry);
}

TEST(MessageBoxButtons, DefaultsAndOffers) {
    EXPECT_EQ(DefaultAnswer(MsgButtons::Ok), MsgAnswer::Ok);
    EXPECT_EQ(DefaultAnswer(MsgButtons::YesNoCancel), MsgAnswer::Yes);
    EXPECT_TRUE(Offers(MsgButtons::YesNoCancel, MsgAnswer::Cancel));
    EXPECT_FALSE(Offers(MsgButtons::YesNo, MsgAnswer::Cancel));
    EXPECT_EQ(AnswerName(MsgAnswer::Ignore), "Ignore");
}
