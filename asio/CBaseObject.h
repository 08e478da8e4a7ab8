#pragma once
// Every object the library hands out derives from this, so the library can tell whether
// any of its objects is still alive (and may not be unloaded yet).

#include <atomic>
#include <cstdint>

namespace qmt {

class CBaseObject {
  public:
    CBaseObject() { ++objectsActive_; }
    virtual ~CBaseObject() { --objectsActive_; }
    CBaseObject(const CBaseObject&) = delete;
    CBaseObject& operator=(const CBaseObject&) = delete;

    static int32_t objectsActive() { return objectsActive_.load(); }

  private:
    static inline std::atomic<int32_t> objectsActive_{0};
};

}  // namespace qmt
