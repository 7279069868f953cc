// The administrator's login and the change of the administrator password. The password
// is the station configuration's "VELA SYSTEM" Password; the login takes the database's
// shared administrator flag, so that one administrator at a time works on the
// instrument database, and remembers in the window state that this instance took it
// (the flag is given back when the plug-in unloads).
#pragma once

#include "operatordb/database.h"
#include "operatortabs/operator_state.h"
#include "operatortabs/prompt.h"

#include <string>

namespace corvid::operatortabs {

inline constexpr const char* kAdministratorName = "Admin";
inline constexpr const char* kAdminAlreadyLoggedIn =
    "An Administrator is already logged in.\n\nOnly one Administrator is allowed to log in at one time";
inline constexpr const char* kInvalidPassword = "Invalid password entered please try again";
inline constexpr const char* kOldPasswordIncorrect = "The Old Password is incorrect; Try Again";
inline constexpr const char* kNewPasswordsDiffer = "Both of the new passwords are not same; Try Again";
inline constexpr const char* kPasswordUpdated = "The Password has been updated";

// What a dialog does after its OK button.
enum class DialogStep {
    Close,           // the dialog ends (with success for the login)
    KeepOpen,        // the dialog stays, its fields as they are
    ClearNewAndKeep, // the change-password dialog empties both new-password fields
};

class CAdminLogin {
public:
    CAdminLogin(operatordb::Database& db, WindowState& window, Prompt& prompt)
        : db_(db), window_(window), prompt_(prompt) {}

    // The login dialog's Login button. A wrong name or password leaves every flag as it was.
    DialogStep Login(const std::string& name, const std::string& password);

    // The change-password dialog: Begin when it opens (reads the configured password),
    // Change on OK.
    void BeginChangePassword();
    DialogStep ChangePassword(std::string oldPassword, std::string newPassword, std::string confirmPassword);

private:
    bool ReadPassword(std::string& password);

    operatordb::Database& db_;
    WindowState& window_;
    Prompt& prompt_;
    std::string current_;
    bool currentKnown_ = false;
};

} // namespace corvid::operatortabs
