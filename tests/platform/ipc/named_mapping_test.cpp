#include "platform/named_mapping.h"
#include "testsupport/sandbox.h"

#include <csignal>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <system_error>

namespace {

namespace fs = std::filesystem;
using namespace corvid::platform;
using corvid::testing::ChildProcess;
using corvid::testing::SandboxTest;
using corvid::testing::WaitUntil;

constexpr char kName[] = "IOCOMPONENTSENDSGPIBCOMMANDINFO";

using NamedMappingTest = SandboxTest;

fs::path MapFile(const std::string& name) {
    return fs::path(std::getenv("CORVID_RUNTIME_DIR")) / "map" / name;
}

int ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::system_error& error) {
        return error.code().value();
    }
    return 0;
}

// A child that creates `name` with a marker byte, announces it by creating "READY",
// and then waits to be killed.
ChildProcess StartCreator(const std::string& name, std::size_t size) {
    ChildProcess child = ChildProcess::Fork([name, size]() -> int {
        NamedMapping mapping = NamedMapping::Create(name, size);
        static_cast<unsigned char*>(mapping.MapView(size).data())[0] = 0xAB;
        NamedMapping ready = NamedMapping::Create("READY", 1);
        for (;;)
            ::pause();
    });
    EXPECT_TRUE(WaitUntil([] { return fs::exists(MapFile("READY")); }));
    return child;
}

TEST_F(NamedMappingTest, SecondCreateOpensTheSameMemoryAsItIs) {
    NamedMapping first = NamedMapping::Create(kName, 100);
    EXPECT_FALSE(first.alreadyExisted());
    EXPECT_EQ(first.fileSize(), 100u);
    struct stat info {};
    ASSERT_EQ(::stat(MapFile(kName).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    MappedView view = first.MapView(100);
    const auto* bytes = static_cast<const unsigned char*>(view.data());
    EXPECT_TRUE(std::all_of(bytes, bytes + 100, [](unsigned char b) { return b == 0; }));
    std::memcpy(view.data(), "hello", 5);

    NamedMapping second = NamedMapping::Create(kName, 50);
    EXPECT_TRUE(second.alreadyExisted());
    EXPECT_EQ(second.fileSize(), 100u);
    MappedView whole = second.MapView(0);
    EXPECT_EQ(whole.size(), 100u);
    EXPECT_EQ(std::memcmp(whole.data(), "hello", 5), 0);
    EXPECT_EQ(ErrorOf([&] { second.MapView(101); }), EINVAL);
}

TEST_F(NamedMappingTest, AnotherProcessSharesTheBytes) {
    NamedMapping mapping = NamedMapping::Create(kName, 16);
    MappedView view = mapping.MapView(16);
    std::memcpy(view.data(), "ping", 4);
    ChildProcess child = ChildProcess::Fork([] {
        NamedMapping opened = NamedMapping::Create(kName, 16);
        MappedView seen = opened.MapView(16);
        if (!opened.alreadyExisted() || std::memcmp(seen.data(), "ping", 4) != 0)
            return 1;
        std::memcpy(static_cast<char*>(seen.data()) + 8, "pong", 4);
        return 0;
    });
    ASSERT_EQ(child.Wait(), 0);
    EXPECT_EQ(std::memcmp(static_cast<char*>(view.data()) + 8, "pong", 4), 0);
}

TEST_F(NamedMappingTest, OnlyTheCreatorRemovesTheFile) {
    auto creator = std::make_unique<NamedMapping>(NamedMapping::Create(kName, 8));
    ChildProcess opener =
        ChildProcess::Fork([] { return NamedMapping::Create(kName, 8).alreadyExisted() ? 0 : 1; });
    ASSERT_EQ(opener.Wait(), 0);
    NamedMapping::Create(kName, 8); // opened and closed here too
    EXPECT_TRUE(fs::exists(MapFile(kName)));

    MappedView view = creator->MapView(8);
    creator.reset();
    EXPECT_FALSE(fs::exists(MapFile(kName)));
    static_cast<char*>(view.data())[7] = 'x'; // a view outlives its handle
    EXPECT_FALSE(NamedMapping::Create(kName, 8).alreadyExisted());
}

TEST_F(NamedMappingTest, FileOfAKilledCreatorDoesNotCountAsExisting) {
    ChildProcess creator = StartCreator(kName, 10);
    creator.Kill(SIGKILL);
    creator.Wait();
    ASSERT_TRUE(fs::exists(MapFile(kName))) << "the killed creator left its file behind";

    NamedMapping fresh = NamedMapping::Create(kName, 20);
    EXPECT_FALSE(fresh.alreadyExisted());
    EXPECT_EQ(fresh.fileSize(), 20u);
    EXPECT_EQ(static_cast<unsigned char*>(fresh.MapView(20).data())[0], 0);
}

TEST_F(NamedMappingTest, OpenHandleKeepsTheMappingOfAKilledCreator) {
    ChildProcess creator = StartCreator(kName, 10);
    NamedMapping opened = NamedMapping::Create(kName, 10);
    EXPECT_TRUE(opened.alreadyExisted());
    creator.Kill(SIGKILL);
    creator.Wait();

    NamedMapping again = NamedMapping::Create(kName, 10);
    EXPECT_TRUE(again.alreadyExisted());
    EXPECT_EQ(static_cast<unsigned char*>(again.MapView(10).data())[0], 0xAB);
}

// A peer that follows only the naming contract: it makes the file with its size and
// takes no lock, leaves no creator record.
void CreateAsContractPeer(const std::string& name, std::size_t size, unsigned char marker) {
    fs::create_directories(MapFile(name).parent_path());
    std::ofstream(MapFile(name), std::ios::binary)
        << std::string(1, static_cast<char>(marker)) << std::string(size - 1, '\0');
}

TEST_F(NamedMappingTest, AFileOfAPeerWithoutLocksIsOpenedAsItIs) {
    NamedMapping::Create("PREPARE", 1); // the map folder, as the runtime makes it
    CreateAsContractPeer(kName, 28, 0x5A);
    for (int open = 0; open < 2; ++open) {
        NamedMapping opened = NamedMapping::Create(kName, 4096);
        EXPECT_TRUE(opened.alreadyExisted());
        EXPECT_EQ(opened.fileSize(), 28u);
        EXPECT_EQ(static_cast<unsigned char*>(opened.MapView(28).data())[0], 0x5A);
    }
    EXPECT_TRUE(fs::exists(MapFile(kName))) << "a handle that did not create the file removed it";

    // A record that names another file (an earlier one of the same name) proves nothing.
    std::ofstream(MapFile(".creator-" + std::string(kName))) << "999999 1 1\n";
    EXPECT_TRUE(NamedMapping::Create(kName, 4096).alreadyExisted());
    EXPECT_TRUE(fs::exists(MapFile(kName)));
}

TEST_F(NamedMappingTest, TheCreatorRecordGoesWithItsMapping) {
    fs::path record = MapFile(".creator-" + std::string(kName));
    {
        NamedMapping created = NamedMapping::Create(kName, 8);
        EXPECT_TRUE(fs::exists(record));
        NamedMapping::Create(kName, 8); // an opener leaves it in place
        EXPECT_TRUE(fs::exists(record));
    }
    EXPECT_FALSE(fs::exists(record));
    EXPECT_FALSE(fs::exists(MapFile(kName)));
}

TEST_F(NamedMappingTest, StillNamedUntilTheNameRefersToAnotherFile) {
    auto creator = std::make_unique<NamedMapping>(NamedMapping::Create(kName, 16));
    NamedMapping opener = NamedMapping::Create(kName, 16);
    static_cast<char*>(opener.MapView(16).data())[0] = 'x'; // writing does not change the identity
    EXPECT_TRUE(creator->StillNamed());
    EXPECT_TRUE(opener.StillNamed());
    creator.reset(); // the creator removes the name
    EXPECT_FALSE(opener.StillNamed());
    NamedMapping successor = NamedMapping::Create(kName, 16);
    EXPECT_FALSE(successor.alreadyExisted());
    EXPECT_FALSE(opener.StillNamed()) << "a new file under the same name was taken for the old one";
    EXPECT_TRUE(successor.StillNamed());
    EXPECT_FALSE(NamedMapping().StillNamed());
}

TEST_F(NamedMappingTest, RefusesBadNamesAndEmptyMappings) {
    for (const char* name : {"", ".", "..", "a/b"})
        EXPECT_EQ(ErrorOf([&] { NamedMapping::Create(name, 8); }), EINVAL) << name;
    EXPECT_EQ(ErrorOf([] { NamedMapping::Create(kName, 0); }), EINVAL);
    EXPECT_EQ(ErrorOf([] { NamedMapping().MapView(1); }), EBADF);
}

} // namespace
