#pragma once
// Base of the brand object: a process-wide singleton. Constructing one makes it the
// process's brand; destroying it clears that again.

namespace qmt {

class BrandIf {
  public:
    virtual ~BrandIf();
    BrandIf(const BrandIf&) = delete;
    BrandIf& operator=(const BrandIf&) = delete;

    // The process's brand, or null before one is made.
    static BrandIf* instance();

  protected:
    BrandIf();
};

}  // namespace qmt
