#include "operatortabs/admin_login.h"

#include "operatordb/admin_flag.h"

#include <strings.h>

namespace corvid::operatortabs {
namespace {

constexpr const char* kSystemSection = "VELA SYSTEM";
constexpr const char* kPasswordKey = "Password";

std::string TrimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

bool CAdminLogin::ReadPassword(std::string& password) {
    operatorconfig::CConfigurationManager config(prompt_);
    password.clear();
    return config.GetValue(kSystemSection, kPasswordKey, password);
}

DialogStep CAdminLogin::Login(const std::string& name, const std::string& password) {
    if (operatordb::IsAdministratorLoggedIn(db_)) {
        prompt_.Show(kAdminAlreadyLoggedIn, operatorconfig::kApplicationTitle, MsgButtons::Ok,
                     MsgIcon::Warning);
        return DialogStep::KeepOpen;
    }
    // A password that cannot be read (its message was shown) lets nobody in.
    std::string configured;
    if (!ReadPassword(configured))
        return DialogStep::KeepOpen;
    if (::strcasecmp(name.c_str(), kAdministratorName) != 0 ||
        ::strcasecmp(password.c_str(), configured.c_str()) != 0) {
        prompt_.Show(kInvalidPassword);
        return DialogStep::KeepOpen;
    }
    // Another station may have logged in since the flag was read.
    if (!operatordb::TakeAdministratorFlag(db_)) {
        prompt_.Show(kAdminAlreadyLoggedIn, operatorconfig::kApplicationTitle, MsgButtons::Ok,
                     MsgIcon::Warning);
        return DialogStep::KeepOpen;
    }
    window_.administratorLoggedIn = true;
    return DialogStep::Close;
}

void CAdminLogin::BeginChangePassword() {
    currentKnown_ = ReadPassword(current_);
}

DialogStep CAdminLogin::ChangePassword(std::string oldPassword, std::string newPassword,
                                       std::string confirmPassword) {
    oldPassword = TrimBlanks(oldPassword);
    newPassword = TrimBlanks(newPassword);
    confirmPassword = TrimBlanks(confirmPassword);
    if (!currentKnown_ || oldPassword != current_) {
        prompt_.Show(kOldPasswordIncorrect);
        return DialogStep::KeepOpen;
    }
    if (newPassword != confirmPassword) {
        prompt_.Show(kNewPasswordsDiffer);
        return DialogStep::ClearNewAndKeep;
    }
    operatorconfig::CConfigurationManager config(prompt_);
    if (config.SetValue(kSystemSection, kPasswordKey, newPassword)) {
        prompt_.Show(kPasswordUpdated);
        current_ = newPassword;
    }
    return DialogStep::Close;
}

} // namespace corvid::operatortabs
