// The administrator's login and password change against the station configuration and
// the database's shared flag, and the flag given back when the plug-in unloads.
#include "operatordb/admin_flag.h"
#include "operatortabs/admin_login.h"
#include "station_fixture.h"

namespace corvid::operatormodule::testing {
namespace {

using operatortabs::CAdminLogin;
using operatortabs::DialogStep;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kCaption = "Corvid Technologies Halcyon|";

class AdminLogin : public StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        std::ofstream(sandbox.home() / "vela.ini", std::ios::app) << "Password=Secret\n";
        StartApp();
        login = std::make_unique<CAdminLogin>(TheApp()->db(), TheApp()->window(), prompt);
    }
    bool SharedFlag() {
        operatordb::Database other(database);
        return operatordb::IsAdministratorLoggedIn(other);
    }

    std::unique_ptr<CAdminLogin> login;
};

TEST_F(AdminLogin, ThePasswordIsTakenInAnyCaseButNotWithATrailingBlank) {
    EXPECT_EQ(login->Login("Admin", "Secret "), DialogStep::KeepOpen);
    EXPECT_EQ(login->Login("Admin", "wrong"), DialogStep::KeepOpen);
    EXPECT_THAT(prompt.boxes, ElementsAre(kCaption + "Invalid password entered please try again",
                                          kCaption + "Invalid password entered please try again"));
    EXPECT_FALSE(SharedFlag());
    EXPECT_FALSE(TheApp()->window().administratorLoggedIn);

    EXPECT_EQ(login->Login("admin", "sECRET"), DialogStep::Close);
    EXPECT_TRUE(SharedFlag());
    EXPECT_TRUE(TheApp()->window().administratorLoggedIn);

    SetTheApp(nullptr);
    EXPECT_FALSE(SharedFlag()) << "given back at unload";
}

TEST_F(AdminLogin, AFlagSetElsewhereRefusesEvenTheRightPasswordAndStaysSetAtUnload) {
    {
        operatordb::Database other(database);
        ASSERT_TRUE(operatordb::TakeAdministratorFlag(other));
    }
    EXPECT_EQ(login->Login("Admin", "Secret"), DialogStep::KeepOpen);
    EXPECT_THAT(prompt.boxes,
                ElementsAre(kCaption + "An Administrator is already logged in.\n\n"
                                       "Only one Administrator is allowed to log in at one time"));
    EXPECT_FALSE(TheApp()->window().administratorLoggedIn);
    SetTheApp(nullptr);
    EXPECT_TRUE(SharedFlag()) << "not this instance's to clear";
}

TEST_F(AdminLogin, ThePasswordChangeTrimsComparesExactlyAndStoresTheNewOne) {
    login->BeginChangePassword();
    EXPECT_EQ(login->ChangePassword("secret", "New", "New"), DialogStep::KeepOpen);
    EXPECT_EQ(login->ChangePassword(" Secret ", "New", "Newer"), DialogStep::ClearNewAndKeep);
    EXPECT_THAT(prompt.boxes, ElementsAre(kCaption + "The Old Password is incorrect; Try Again",
                                          kCaption + "Both of the new passwords are not same; Try Again"));
    prompt.boxes.clear();
    EXPECT_EQ(login->ChangePassword("Secret", "  New ", "New"), DialogStep::Close);
    EXPECT_THAT(prompt.boxes, ElementsAre(kCaption + "The Password has been updated"));
    EXPECT_NE(Read(sandbox.home() / "vela.ini").find("Password=New\n"), std::string::npos);

    prompt.boxes.clear();
    EXPECT_EQ(login->Login("Admin", "Secret"), DialogStep::KeepOpen);
    EXPECT_EQ(login->Login("Admin", "NEW"), DialogStep::Close);

    // An empty new password is taken.
    login->BeginChangePassword();
    EXPECT_EQ(login->ChangePassword("New", "", " "), DialogStep::Close);
    EXPECT_NE(Read(sandbox.home() / "vela.ini").find("Password=\n"), std::string::npos);
}

} // namespace
} // namespace corvid::operatormodule::testing
