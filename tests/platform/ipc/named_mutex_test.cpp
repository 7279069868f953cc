#include "platform/named_mapping.h"
#include "platform/named_mutex.h"
#include "platform/runtime_dir.h"
#include "testsupport/sandbox.h"

#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <future>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace corvid::platform;
using corvid::testing::ChildProcess;
using corvid::testing::SandboxTest;
using corvid::testing::WaitUntil;

constexpr char kName[] = "IOCOMPONENTSENDSGPIBCOMMANDINFOMutex";

using NamedMutexTest = SandboxTest;

fs::path MutexFile(const std::string& name) {
    return RuntimeDirPath() / "mutex" / name;
}

template <typename Work>
auto OnOtherThread(Work work) {
    return std::async(std::launch::async, work).get();
}

// A child that takes the mutex, announces it with the mapping "HELD" and waits to be killed.
ChildProcess StartHolder() {
    ChildProcess child = ChildProcess::Fork([]() -> int {
        NamedMutex mutex = NamedMutex::OpenOrCreate(kName);
        mutex.Lock();
        NamedMapping held = NamedMapping::Create("HELD", 1);
        for (;;)
            ::pause();
    });
    EXPECT_TRUE(WaitUntil([] { return fs::exists(RuntimeDirPath() / "map" / "HELD"); }));
    return child;
}

TEST_F(NamedMutexTest, FileHoldsTheReadyStateAndTheMutex) {
    NamedMutex mutex = NamedMutex::OpenOrCreate(kName);
    struct stat info {};
    ASSERT_EQ(::stat(MutexFile(kName).c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 64);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    int fd = ::open(MutexFile(kName).c_str(), O_RDONLY);
    std::uint32_t state = 0;
    EXPECT_EQ(::pread(fd, &state, sizeof state, 0), 4);
    ::close(fd);
    EXPECT_EQ(state, 1u);
}

TEST_F(NamedMutexTest, IsRecursiveAndBelongsToTheLockingThread) {
    NamedMutex mutex = NamedMutex::OpenOrCreate(kName);
    mutex.Lock();
    mutex.Lock();
    EXPECT_TRUE(mutex.TryLock());
    EXPECT_FALSE(OnOtherThread([&] { return mutex.TryLock(); }));
    EXPECT_FALSE(OnOtherThread([&] { return mutex.Unlock(); }));
    EXPECT_TRUE(mutex.Unlock());
    EXPECT_TRUE(mutex.Unlock());
    EXPECT_FALSE(OnOtherThread([&] { return mutex.TryLock(); }));
    EXPECT_TRUE(mutex.Unlock());
    EXPECT_FALSE(mutex.Unlock());
    EXPECT_TRUE(OnOtherThread([&] { return mutex.TryLock() && mutex.Unlock(); }));

    // Another handle on the same name is the same mutex.
    NamedMutex other = NamedMutex::OpenOrCreate(kName);
    {
        NamedMutexLock hold(other);
        EXPECT_FALSE(OnOtherThread([&] { return mutex.TryLock(); }));
    }
    EXPECT_TRUE(OnOtherThread([&] { return mutex.TryLock() && mutex.Unlock(); }));
}

TEST_F(NamedMutexTest, ClosingAHandleReleasesWhatItsThreadHolds) {
    auto mutex = std::make_unique<NamedMutex>(NamedMutex::OpenOrCreate(kName));
    mutex->Lock();
    mutex->Lock();
    mutex.reset();
    NamedMutex again = NamedMutex::OpenOrCreate(kName);
    EXPECT_TRUE(OnOtherThread([&] { return again.TryLock() && again.Unlock(); }));
}

TEST_F(NamedMutexTest, ExcludesOtherProcesses) {
    constexpr int kRounds = 2000;
    NamedMapping counter = NamedMapping::Create("COUNTER", sizeof(std::int64_t));
    auto work = [] {
        NamedMutex mutex = NamedMutex::OpenOrCreate(kName);
        NamedMapping shared = NamedMapping::Create("COUNTER", sizeof(std::int64_t));
        MappedView view = shared.MapView(sizeof(std::int64_t));
        auto* value = static_cast<volatile std::int64_t*>(view.data());
        for (int i = 0; i < kRounds; ++i) {
            NamedMutexLock hold(mutex);
            std::int64_t seen = *value;
            ::sched_yield(); // invites the other process in, should the mutex let it
            *value = seen + 1;
        }
        return 0;
    };
    ChildProcess first = ChildProcess::Fork(work);
    ChildProcess second = ChildProcess::Fork(work);
    ASSERT_EQ(first.Wait(std::chrono::seconds(60)), 0);
    ASSERT_EQ(second.Wait(std::chrono::seconds(60)), 0);
    EXPECT_EQ(*static_cast<std::int64_t*>(counter.MapView(0).data()), 2 * kRounds);
}

TEST_F(NamedMutexTest, MutexOfAKilledHolderIsTakenOver) {
    NamedMutex mutex = NamedMutex::OpenOrCreate(kName);
    ChildProcess holder = StartHolder();
    EXPECT_FALSE(mutex.TryLock());
    holder.Kill(SIGKILL);
    holder.Wait();
    mutex.Lock(); // would wait forever if the death went unnoticed
    EXPECT_TRUE(mutex.Unlock());
    EXPECT_FALSE(mutex.Unlock());
    EXPECT_TRUE(OnOtherThread([&] { return mutex.TryLock() && mutex.Unlock(); }));
}

TEST_F(NamedMutexTest, TryLockTakesOverTooAfterTheHolderDied) {
    ChildProcess holder = StartHolder();
    holder.Kill(SIGKILL);
    holder.Wait();
    NamedMutex mutex = NamedMutex::OpenOrCreate(kName);
    EXPECT_TRUE(mutex.TryLock());
    EXPECT_TRUE(mutex.Unlock());
}

TEST_F(NamedMutexTest, FileOfAnInitialiserThatDiedIsInitialisedAgain) {
    EnsureRuntimeSubdir("mutex");
    int fd = ::open(MutexFile(kName).c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::ftruncate(fd, 64), 0); // all zero: state "being initialised", nobody at it
    ::close(fd);
    NamedMutex mutex = NamedMutex::OpenOrCreate(kName);
    mutex.Lock();
    EXPECT_FALSE(OnOtherThread([&] { return mutex.TryLock(); }));
    EXPECT_TRUE(mutex.Unlock());
}

TEST_F(NamedMutexTest, GivesUpOnAnInitialiserThatNeverFinishes) {
    EnsureRuntimeSubdir("mutex");
    ChildProcess initialiser = ChildProcess::Fork([]() -> int {
        int fd = ::open(MutexFile(kName).c_str(), O_RDWR | O_CREAT, 0600);
        ::flock(fd, LOCK_EX);
        NamedMapping busy = NamedMapping::Create("BUSY", 1);
        for (;;)
            ::pause();
    });
    ASSERT_TRUE(WaitUntil([] { return fs::exists(RuntimeDirPath() / "map" / "BUSY"); }));
    try {
        NamedMutex::OpenOrCreate(kName);
        FAIL() << "opened a mutex that was never initialised";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), ETIMEDOUT);
    }
}

TEST_F(NamedMutexTest, RefusesBadNames) {
    for (const char* name : {"", "..", "a/b"})
        EXPECT_THROW(NamedMutex::OpenOrCreate(name), std::system_error) << name;
}

} // namespace
