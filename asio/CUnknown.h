#pragma once
// Reference counting and interface queries for the library's objects, with aggregation: an
// object created inside an outer object hands every IUnknown call of its interfaces to the
// outer one (its owner), while the outer object controls the inner one's life through the
// non-delegating unknown. A standalone object is its own owner.

#include <atomic>

#include "asio/CBaseObject.h"
#include "asio/Unknown.h"

namespace qmt {

class INonDelegatingUnknown {
  public:
    virtual HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG NonDelegatingAddRef() = 0;
    virtual ULONG NonDelegatingRelease() = 0;

  protected:
    ~INonDelegatingUnknown() = default;
};

class CUnknown : public INonDelegatingUnknown, public CBaseObject {
  public:
    // `outer` is the aggregating object, or null for a standalone one.
    explicit CUnknown(IUnknown* outer);
    ~CUnknown() override = default;

    // Where the IUnknown calls of the object's interfaces go.
    IUnknown* getOwner() const { return owner_; }

    // Answers IID_IUnknown with the non-delegating unknown; derived objects add theirs.
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
    // Both return the new count, but never less than 1 unless the object was destroyed.
    ULONG NonDelegatingAddRef() override;
    ULONG NonDelegatingRelease() override;

  protected:
    // Hands out `face` with a reference added through it.
    static HRESULT getInterface(IUnknown* face, void** object);

  private:
    // The non-delegating unknown as an IUnknown, for the outer object to hold.
    class Inner final : public IUnknown {
      public:
        explicit Inner(CUnknown& object) : object_(object) {}
        HRESULT QueryInterface(REFIID iid, void** out) override {
            return object_.NonDelegatingQueryInterface(iid, out);
        }
        ULONG AddRef() override { return object_.NonDelegatingAddRef(); }
        ULONG Release() override { return object_.NonDelegatingRelease(); }

      private:
        CUnknown& object_;
    };

    Inner inner_{*this};
    IUnknown* owner_;
    std::atomic<int32_t> refCount_{0};
};

}  // namespace qmt
