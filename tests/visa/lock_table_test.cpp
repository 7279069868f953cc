#include "lock_table.h"
#include "testsupport/sandbox.h"
#include "testsupport/thread_state.h"

#include <gtest/gtest.h>
#include <thread>

namespace corvid::visa {
namespace {

const std::string kDevice = "GPIB0::5::INSTR";

TEST(Locks, ExclusiveLockKeepsOtherSessionsOut) {
    LockTable locks;
    std::string key;
    EXPECT_TRUE(locks.MayAccess(2, kDevice));
    ASSERT_EQ(locks.Lock(1, kDevice, VI_EXCLUSIVE_LOCK, 0, nullptr, key), VI_SUCCESS);
    EXPECT_TRUE(locks.MayAccess(1, kDevice));
    EXPECT_FALSE(locks.MayAccess(2, kDevice));
    EXPECT_TRUE(locks.MayAccess(2, "GPIB0::6::INSTR"));
    EXPECT_EQ(locks.State(kDevice), static_cast<ViAccessMode>(VI_EXCLUSIVE_LOCK));
    EXPECT_EQ(locks.Lock(2, kDevice, VI_EXCLUSIVE_LOCK, 10, nullptr, key), VI_ERROR_TMO);
    EXPECT_EQ(locks.Unlock(2, kDevice), VI_ERROR_SESN_NLOCKED);
    EXPECT_EQ(locks.Unlock(1, kDevice), VI_SUCCESS);
    EXPECT_TRUE(locks.MayAccess(2, kDevice));
    EXPECT_EQ(locks.State(kDevice), static_cast<ViAccessMode>(VI_NO_LOCK));
}

TEST(Locks, NestedLocksCountAndUnlockInReverseOrder) {
    LockTable locks;
    std::string key;
    ASSERT_EQ(locks.Lock(1, kDevice, VI_SHARED_LOCK, 0, "k", key), VI_SUCCESS);
    EXPECT_EQ(key, "k");
    EXPECT_EQ(locks.Lock(1, kDevice, VI_EXCLUSIVE_LOCK, 0, nullptr, key), VI_SUCCESS);
    EXPECT_EQ(locks.Lock(1, kDevice, VI_EXCLUSIVE_LOCK, 0, nullptr, key), VI_SUCCESS_NESTED_EXCLUSIVE);
    EXPECT_EQ(locks.Unlock(1, kDevice), VI_SUCCESS_NESTED_EXCLUSIVE);
    EXPECT_EQ(locks.Unlock(1, kDevice), VI_SUCCESS_NESTED_SHARED);
    EXPECT_EQ(locks.Unlock(1, kDevice), VI_SUCCESS);
    EXPECT_EQ(locks.Unlock(1, kDevice), VI_ERROR_SESN_NLOCKED);
}

TEST(Locks, SharedLocksAreJoinedWithTheirKey) {
    LockTable locks;
    std::string key, other;
    ASSERT_EQ(locks.Lock(1, kDevice, VI_SHARED_LOCK, 0, nullptr, key), VI_SUCCESS);
    EXPECT_FALSE(key.empty());
    EXPECT_FALSE(locks.MayAccess(2, kDevice));
    EXPECT_EQ(locks.Lock(2, kDevice, VI_SHARED_LOCK, 0, "wrong", other), VI_ERROR_TMO);
    ASSERT_EQ(locks.Lock(2, kDevice, VI_SHARED_LOCK, 0, key.c_str(), other), VI_SUCCESS);
    EXPECT_TRUE(locks.MayAccess(2, kDevice));
    EXPECT_FALSE(locks.MayAccess(3, kDevice));
    EXPECT_EQ(locks.Lock(2, kDevice, VI_EXCLUSIVE_LOCK, 0, nullptr, other), VI_ERROR_TMO);
    EXPECT_EQ(locks.Lock(1, kDevice, VI_SHARED_LOCK, 0, "another", other), VI_ERROR_INV_ACCESS_KEY);
    EXPECT_EQ(locks.State(kDevice), static_cast<ViAccessMode>(VI_SHARED_LOCK));
}

TEST(Locks, AWaiterGetsTheLockWhenItIsReleased) {
    LockTable locks;
    std::string key;
    ASSERT_EQ(locks.Lock(1, kDevice, VI_EXCLUSIVE_LOCK, 0, nullptr, key), VI_SUCCESS);
    std::thread releaser([&, waiter = corvid::testing::ThisThreadId()] {
        EXPECT_TRUE(corvid::testing::WaitUntil(
            [waiter] { return corvid::testing::ThreadBlockedIn(waiter, corvid::testing::FutexCalls()); }));
        locks.ReleaseAll(1, kDevice);
    });
    std::string other;
    EXPECT_EQ(locks.Lock(2, kDevice, VI_EXCLUSIVE_LOCK, VI_TMO_INFINITE, nullptr, other), VI_SUCCESS);
    releaser.join();
    EXPECT_FALSE(locks.MayAccess(1, kDevice));
}

TEST(Locks, UnknownLockTypesAreRefused) {
    LockTable locks;
    std::string key;
    EXPECT_EQ(locks.Lock(1, kDevice, VI_NO_LOCK, 0, nullptr, key), VI_ERROR_INV_LOCK_TYPE);
    EXPECT_EQ(locks.Lock(1, kDevice, 7, 0, nullptr, key), VI_ERROR_INV_LOCK_TYPE);
}

} // namespace
} // namespace corvid::visa
