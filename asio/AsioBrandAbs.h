#pragma once
// The part of a brand that is plain data: names, class identifier, sample width, rate limits
// and the control panel's flags, given as one table by each brand.

#include "asio/AsioBrandIf.h"

namespace qmt {

struct AsioBrandTable {
    const char* makerName;
    const char* productName;
    const char* longDriverName;
    const char* driverName;
    const char* libraryFileName;
    const char* controlPanelFileName;
    Guid classId;
    uint32_t sampleBitDepth;
    double defaultSampleRate;
    double minimumSampleRate;
    double maximumSampleRate;
    bool canRemoveAbsentDevices;
    bool listsAllConfigurations;
    bool showsModeColumn;
};

class AsioBrandAbs : public AsioBrandIf {
  public:
    const char* getMakerName() const override { return table_.makerName; }
    const char* getProductName() const override { return table_.productName; }
    const char* getLongDriverName() const override { return table_.longDriverName; }
    const char* getDriverName() const override { return table_.driverName; }
    const char* getLibraryFileName() const override { return table_.libraryFileName; }
    const char* getControlPanelFileName() const override { return table_.controlPanelFileName; }
    const Guid& getClassId() const override { return table_.classId; }
    uint32_t getSampleBitDepth() const override { return table_.sampleBitDepth; }
    double getDefaultSampleRate() const override { return table_.defaultSampleRate; }
    double getMinimumSampleRate() const override { return table_.minimumSampleRate; }
    double getMaximumSampleRate() const override { return table_.maximumSampleRate; }
    bool canRemoveAbsentDevices() const override { return table_.canRemoveAbsentDevices; }
    bool listsAllConfigurations() const override { return table_.listsAllConfigurations; }
    bool showsModeColumn() const override { return table_.showsModeColumn; }

  protected:
    explicit AsioBrandAbs(const AsioBrandTable& table) : table_(table) {}

  private:
    const AsioBrandTable& table_;
};

}  // namespace qmt
