#include "platform/runtime_dir.h"
#include "testsupport/sandbox.h"

#include <cstdlib>
#include <sys/stat.h>

namespace fs = std::filesystem;
using corvid::platform::CheckRuntimeDir;
using corvid::platform::EnsureHomeDir;
using corvid::platform::EnsureRuntimeDir;
using corvid::platform::EnsureRuntimeSubdir;
using corvid::platform::RuntimeDirError;
using corvid::testing::SandboxTest;
using corvid::testing::TempDir;

namespace {
mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
}
} // namespace

TEST_F(SandboxTest, RuntimeDirIsCreatedPrivate) {
    fs::path dir = EnsureRuntimeDir();
    EXPECT_EQ(dir, sandbox.runtime());
    EXPECT_EQ(ModeOf(dir), 0700u);
    fs::path wnd = EnsureRuntimeSubdir("wnd");
    EXPECT_EQ(wnd, dir / "wnd");
    EXPECT_EQ(ModeOf(wnd), 0700u);
}

TEST_F(SandboxTest, RuntimeDirReadableByOthersIsRefusedAndLeftEmpty) {
    fs::create_directory(sandbox.runtime());
    ::chmod(sandbox.runtime().c_str(), 0755);
    try {
        EnsureRuntimeSubdir("map");
        FAIL() << "a world-readable runtime directory was accepted";
    } catch (const RuntimeDirError& error) {
        EXPECT_NE(std::string(error.what()).find(sandbox.runtime().string()), std::string::npos);
    }
    EXPECT_TRUE(fs::is_empty(sandbox.runtime()));
}

TEST_F(SandboxTest, RuntimeDirOwnedByAnotherUserIsRefused) {
    // /proc is owned by root; as root, pick a directory owned by nobody instead.
    TempDir other;
    fs::path foreign = other.path() / "foreign";
    fs::create_directory(foreign);
    ::chmod(foreign.c_str(), 0700);
    if (::geteuid() == 0)
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    else
        GTEST_SKIP() << "needs root to make a directory owned by someone else";
    ::setenv("CORVID_RUNTIME_DIR", foreign.c_str(), 1);
    EXPECT_THROW(EnsureRuntimeDir(), RuntimeDirError);
    EXPECT_THROW(CheckRuntimeDir(foreign), RuntimeDirError);
}

TEST_F(SandboxTest, MissingRuntimeDirChecksAsAbsent) {
    EXPECT_FALSE(CheckRuntimeDir(sandbox.runtime()));
    EXPECT_FALSE(fs::exists(sandbox.runtime()));
}

TEST_F(SandboxTest, HomeDirIsCreatedWithParents) {
    fs::path nested = sandbox.home() / "a" / "b";
    ::setenv("CORVID_HOME", nested.c_str(), 1);
    EXPECT_EQ(EnsureHomeDir(), nested);
    EXPECT_EQ(ModeOf(nested), 0700u);
}

TEST(RuntimeDirDefaults, FallBackToXdgAndTmp) {
    corvid::testing::Sandbox sandbox;
    ::unsetenv("CORVID_RUNTIME_DIR");
    const char* oldXdg = std::getenv("XDG_RUNTIME_DIR");
    std::string saved = oldXdg ? oldXdg : "";
    ::setenv("XDG_RUNTIME_DIR", "/run/user/42", 1);
    EXPECT_EQ(corvid::platform::RuntimeDirPath(), fs::path("/run/user/42/corvid"));
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(corvid::platform::RuntimeDirPath(), fs::path("/tmp/corvid-" + std::to_string(::getuid())));
    if (oldXdg)
        ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}
