#include "midiconfig/HidIoDeviceInfo.h"

#include "midiconfig/HidStateDecoder.h"

namespace qmt {

std::unique_ptr<HidIoDeviceInfo> HidIoDeviceInfo::Open(HidFileSystemIf& files,
                                                       const std::string& path, uint32_t modelType,
                                                       size_t deviceIndex) {
    const size_t length = LiveReportLength(modelType);
    if (length == 0) return nullptr;
    // Reading is all the display needs; a read-only handle stands beside the driver's own.
    std::unique_ptr<HidFileIf> file = files.Open(path, false);
    if (!file) return nullptr;
    return std::make_unique<HidIoDeviceInfo>(path, std::move(file), modelType, deviceIndex, length);
}

HidIoDeviceInfo::HidIoDeviceInfo(std::string path, std::unique_ptr<HidFileIf> file,
                                 uint32_t modelType, size_t deviceIndex, size_t reportLength)
    : path_(std::move(path)),
      modelType_(modelType),
      deviceIndex_(deviceIndex),
      report_(reportLength),
      file_(std::move(file)),
      read_(*file_) {}

}  // namespace qmt
