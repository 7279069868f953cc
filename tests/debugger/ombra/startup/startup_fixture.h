// The fixture of the start-up tests: a fresh sandbox, a scratch directory, an XDG data
// directory of its own, and helpers that register a driver file.
#pragma once

#include "../test_support.h"
#include "ombra/version_check.h"
#include "platform/registry.h"
#include "testsupport/sandbox.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace corvid::ombra::testing {

namespace fs = std::filesystem;

inline const std::string kRegistrationKey =
    std::string("SOFTWARE\\Classes\\TypeLib\\") + kDriverTypeLibrary + "\\1.0\\0\\win32";

// This test program carries the 1.1.0.0 record, like the debugger itself.
inline fs::path StampedProgram() {
    return fs::read_symlink("/proc/self/exe");
}

class StartupTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("XDG_DATA_HOME"))
            oldDataHome_ = old;
        ::setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
    }
    void TearDown() override {
        if (oldDataHome_)
            ::setenv("XDG_DATA_HOME", oldDataHome_->c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }

    fs::path Scratch() const { return scratch_.path(); }
    fs::path DataHome() const { return dataHome_.path(); }

    // A link named `name` in the scratch directory (directories created) to `target`.
    fs::path LinkTo(const fs::path& relative, const fs::path& target) const {
        const fs::path link = Scratch() / relative;
        fs::create_directories(link.parent_path());
        fs::create_symlink(target, link);
        return link;
    }

    static void RegisterDriverValue(const std::string& value) {
        ASSERT_TRUE(
            platform::RegistrySetString(platform::RegistryRoot::LocalMachine, kRegistrationKey, "", value));
    }

    debugger::testing::ScriptedPrompt prompt;

private:
    corvid::testing::TempDir scratch_;
    corvid::testing::TempDir dataHome_;
    std::optional<std::string> oldDataHome_;
};

} // namespace corvid::ombra::testing
