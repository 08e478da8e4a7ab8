// The class factory and the reference counting behind the library's entry points, with a
// stand-in class in the template so the rules are seen apart from the driver object.

#include <gtest/gtest.h>

#include "asio/CClassFactory.h"
#include "asio/CFactoryTemplate.h"
#include "asio/CUnknown.h"

namespace qmt {
namespace {

constexpr CLSID kClassId = ParseGuid("0D1E7A55-1234-4C0D-9A2B-00AABBCCDDEE");
constexpr IID kOtherId = ParseGuid("0D1E7A55-1234-4C0D-9A2B-00AABBCCDDEF");

class IProbe : public IUnknown {
  public:
    virtual int value() = 0;

  protected:
    ~IProbe() = default;
};

// Answers kClassId with IProbe, as the driver object answers its class id with IASIO.
class Probe final : public IProbe, public CUnknown {
  public:
    static inline int destroyed = 0;
    static inline HRESULT constructionStatus = S_OK;

    explicit Probe(IUnknown* outer) : CUnknown(outer) {}
    ~Probe() override { ++destroyed; }

    static CUnknown* create(IUnknown* outer, HRESULT* status) {
        *status = constructionStatus;
        return new Probe(outer);
    }

    HRESULT QueryInterface(REFIID iid, void** out) override {
        return getOwner()->QueryInterface(iid, out);
    }
    ULONG AddRef() override { return getOwner()->AddRef(); }
    ULONG Release() override { return getOwner()->Release(); }
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override {
        if (out != nullptr && iid == kClassId) return getInterface(this, out);
        return CUnknown::NonDelegatingQueryInterface(iid, out);
    }
    int value() override { return 42; }
};

// An aggregating object that only counts the calls its inner objects hand it.
class Outer final : public IUnknown {
  public:
    int addRefs = 0;
    int releases = 0;
    HRESULT QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++addRefs); }
    ULONG Release() override { return static_cast<ULONG>(++releases); }
};

class ClassFactoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = factoryTemplates()[0];
        factoryTemplates()[0].clsid = kClassId;
        factoryTemplates()[0].createInstance = &Probe::create;
        Probe::destroyed = 0;
        Probe::constructionStatus = S_OK;
    }
    void TearDown() override { factoryTemplates()[0] = saved_; }

    IClassFactory* factory() {
        void* out = nullptr;
        EXPECT_EQ(dllGetClassObject(kClassId, IID_IClassFactory, &out), S_OK);
        return static_cast<IClassFactory*>(out);
    }

    CFactoryTemplate saved_;
};

TEST_F(ClassFactoryTest, ClassObjectIsHandedOutOnlyForKnownClassAndFactoryInterfaces) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(dllGetClassObject(kOtherId, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(dllGetClassObject(kClassId, kOtherId, &out), E_NOINTERFACE);
    EXPECT_EQ(dllGetClassObject(kClassId, IID_IClassFactory, nullptr), E_POINTER);
    ASSERT_EQ(dllGetClassObject(kClassId, IID_IUnknown, &out), S_OK);
    auto* unknown = static_cast<IUnknown*>(out);
    void* again = nullptr;
    ASSERT_EQ(unknown->QueryInterface(IID_IClassFactory, &again), S_OK);
    EXPECT_EQ(unknown->QueryInterface(kClassId, &out), E_NOINTERFACE);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(static_cast<IUnknown*>(again)->Release(), 0u);
    EXPECT_EQ(dllCanUnloadNow(), S_OK);
}

TEST_F(ClassFactoryTest, CreatedObjectAnswersItsClassIdAndDiesWithItsLastRelease) {
    IClassFactory* classFactory = factory();
    void* out = nullptr;
    ASSERT_EQ(classFactory->CreateInstance(nullptr, kClassId, &out), S_OK);
    EXPECT_EQ(classFactory->Release(), 0u);
    auto* probe = static_cast<IProbe*>(out);
    EXPECT_EQ(probe->value(), 42);
    EXPECT_EQ(dllCanUnloadNow(), S_FALSE) << "a live object keeps the library loaded";

    void* unknown = nullptr;
    ASSERT_EQ(probe->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(probe->QueryInterface(kOtherId, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(probe->QueryInterface(kClassId, nullptr), E_POINTER);
    EXPECT_EQ(static_cast<IUnknown*>(unknown)->Release(), 1u);
    EXPECT_EQ(Probe::destroyed, 0);
    EXPECT_EQ(probe->Release(), 0u);
    EXPECT_EQ(Probe::destroyed, 1);
    EXPECT_EQ(dllCanUnloadNow(), S_OK);
}

TEST_F(ClassFactoryTest, AggregationAllowsOnlyTheUnknownAndDelegatesToTheOuterObject) {
    IClassFactory* classFactory = factory();
    Outer outer;
    void* out = nullptr;
    EXPECT_EQ(classFactory->CreateInstance(&outer, kClassId, &out), E_NOINTERFACE);
    EXPECT_EQ(Probe::destroyed, 0) << "refused before anything was made";
    ASSERT_EQ(classFactory->CreateInstance(&outer, IID_IUnknown, &out), S_OK);
    auto* inner = static_cast<IUnknown*>(out);

    // The inner object's own interfaces count on the outer object.
    void* probe = nullptr;
    ASSERT_EQ(inner->QueryInterface(kClassId, &probe), S_OK);
    EXPECT_EQ(outer.addRefs, 1);
    static_cast<IProbe*>(probe)->Release();
    EXPECT_EQ(outer.releases, 1);
    EXPECT_EQ(Probe::destroyed, 0);
    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(Probe::destroyed, 1);
    classFactory->Release();
}

TEST_F(ClassFactoryTest, FailedConstructionIsDeletedAndItsStatusReturned) {
    IClassFactory* classFactory = factory();
    Probe::constructionStatus = E_OUTOFMEMORY;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(classFactory->CreateInstance(nullptr, kClassId, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Probe::destroyed, 1);
    EXPECT_EQ(classFactory->CreateInstance(nullptr, kClassId, nullptr), E_POINTER);
    classFactory->Release();
}

TEST_F(ClassFactoryTest, ServerLockAndFactoriesKeepTheLibraryLoaded) {
    IClassFactory* classFactory = factory();
    EXPECT_EQ(dllCanUnloadNow(), S_FALSE) << "a held factory is a live object";
    EXPECT_EQ(classFactory->LockServer(1), S_OK);
    classFactory->Release();
    EXPECT_EQ(dllCanUnloadNow(), S_FALSE);
    classFactory = factory();
    EXPECT_EQ(classFactory->LockServer(0), S_OK);
    classFactory->Release();
    EXPECT_EQ(dllCanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace qmt
