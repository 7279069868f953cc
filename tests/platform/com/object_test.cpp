// Reference counting, the QueryInterface table, module counts and class factories.
#include "com/module.h"

#include <gtest/gtest.h>

using namespace corvid::com;

namespace {

struct IFirst : IUnknown {
    static constexpr IID iid = MakeGuid("{0D3C1A10-0000-4000-8000-000000000001}");
    virtual int First() = 0;
};
struct ISecond : IUnknown {
    static constexpr IID iid = MakeGuid("{0D3C1A10-0000-4000-8000-000000000002}");
    virtual int Second() = 0;
};
struct IMissing : IUnknown {
    static constexpr IID iid = MakeGuid("{0D3C1A10-0000-4000-8000-000000000003}");
};

int destroyed = 0;

class Sample final : public ComClass<Sample, IFirst, ISecond> {
public:
    int First() override { return 1; }
    int Second() override { return 2; }

private:
    ~Sample() override {
        // Handing itself around while going away must not delete it twice.
        AddRef();
        Release();
        ++destroyed;
    }
};

constexpr CLSID kSampleClass = MakeGuid("{0D3C1A10-0000-4000-8000-000000000010}");
constexpr ClassObjectEntry kClassTable[] = {ClassObject<Sample>(kSampleClass)};

} // namespace

TEST(ComObject, QueryInterfaceFollowsTheTableAndKeepsIdentity) {
    ComPtr<Sample> sample = MakeObject<Sample>();
    ComPtr<IFirst> first;
    ComPtr<ISecond> second;
    ASSERT_EQ(sample.As(first), S_OK);
    ASSERT_EQ(sample.As(second), S_OK);
    EXPECT_EQ(first->First(), 1);
    EXPECT_EQ(second->Second(), 2);
    ComPtr<IUnknown> viaFirst, viaSecond;
    ASSERT_EQ(first.As(viaFirst), S_OK);
    ASSERT_EQ(second.As(viaSecond), S_OK);
    EXPECT_EQ(viaFirst.get(), viaSecond.get()) << "IUnknown is the object's identity";

    void* missing = reinterpret_cast<void*>(1);
    EXPECT_EQ(sample->QueryInterface(IMissing::iid, &missing), E_NOINTERFACE);
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(sample->QueryInterface(IFirst::iid, nullptr), E_POINTER);
}

TEST(ComObject, LastReleaseDeletesOnceAndUpdatesModuleCounts) {
    destroyed = 0;
    long before = ModuleCounts::Objects();
    Sample* raw = nullptr;
    {
        ComPtr<Sample> sample = MakeObject<Sample>();
        raw = sample.get();
        EXPECT_EQ(ModuleCounts::Objects(), before + 1);
        EXPECT_EQ(ModuleCounts::CanUnloadNow(), S_FALSE);
        EXPECT_EQ(raw->AddRef(), 2u);
        EXPECT_EQ(raw->Release(), 1u);
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(ModuleCounts::Objects(), before);
}

TEST(ComObjectDeathTest, ReleaseWithoutAReferenceAborts) {
    EXPECT_DEATH(
        {
            Sample* unowned = new Sample;
            unowned->Release();
        },
        "Release called on an object without references");
}

TEST(ComPtr, OwnershipOperations) {
    ComPtr<IFirst> first = MakeObject<Sample>();
    ComPtr<IFirst> copy = first;
    EXPECT_EQ(first->AddRef(), 3u);
    first->Release();
    ComPtr<IFirst> moved = std::move(copy);
    EXPECT_FALSE(copy);
    IFirst* raw = nullptr;
    ASSERT_EQ(moved.CopyTo(&raw), S_OK);
    ComPtr<IFirst> adopted = ComPtr<IFirst>::Adopt(raw);
    EXPECT_EQ(adopted, moved);
    IFirst* detached = adopted.Detach();
    EXPECT_FALSE(adopted);
    detached->Release();
    moved.Reset();
    EXPECT_EQ(first->AddRef(), 2u);
    first->Release();
    EXPECT_EQ(ComPtr<IFirst>().As<ISecond>(), nullptr);
}

TEST(ClassFactory, CreatesLocksAndRefusesAggregation) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(GetClassObjectFromTable(kClassTable, kSampleClass, IClassFactory::iid, factory.OutVoid()),
              S_OK);
    void* object = nullptr;
    EXPECT_EQ(GetClassObjectFromTable(kClassTable, IFirst::iid, IClassFactory::iid, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    ComPtr<ISecond> second;
    ASSERT_EQ(factory->CreateInstance(nullptr, ISecond::iid, second.OutVoid()), S_OK);
    EXPECT_EQ(second->Second(), 2);
    EXPECT_EQ(factory->CreateInstance(second.get(), ISecond::iid, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IMissing::iid, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    long locks = ModuleCounts::Locks();
    factory->LockServer(1);
    EXPECT_EQ(ModuleCounts::Locks(), locks + 1);
    factory->LockServer(0);
    factory->LockServer(0); // unbalanced: must not go below zero
    EXPECT_EQ(ModuleCounts::Locks(), locks);
}
