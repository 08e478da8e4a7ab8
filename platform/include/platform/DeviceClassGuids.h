#pragma once
// The Windows class identifiers the matching rules compare, as text: upper case, no braces.
// Device interface paths carry an interface class in lower case and braces at their end
// ("...#{4d1e55b2-f16f-11cf-88cb-001111000030}"); a HID probe reports the setup class in
// braces. Every backend, the driver and the user-mode programs take them from here.

#include <string>

#include "common/AsciiCase.h"

namespace qmt {

// Device interface classes and kernel-streaming categories.
inline constexpr const char* kHidInterfaceGuid = "4D1E55B2-F16F-11CF-88CB-001111000030";
inline constexpr const char* kAudioCategoryGuid = "6994AD04-93EF-11D0-A3CC-00A0C9223196";
inline constexpr const char* kRenderCategoryGuid = "65E8773E-8F56-11D0-A3B9-00A0C9223196";
inline constexpr const char* kCaptureCategoryGuid = "65E8773D-8F56-11D0-A3B9-00A0C9223196";

// Device setup classes of device nodes: HID devices ("HIDClass"), sound cards ("MEDIA"), USB
// devices and hubs.
inline constexpr const char* kHidSetupClassGuid = "745A17A0-74D3-11D0-B6FE-00A0C90F57DA";
inline constexpr const char* kMediaSetupClassGuid = "4D36E96C-E325-11CE-BFC1-08002BE10318";
inline constexpr const char* kUsbSetupClassGuid = "36FC9E60-C465-11CF-8056-444553540000";
inline constexpr const char* kHidClassName = "HIDClass";
inline constexpr const char* kMediaClassName = "MEDIA";

// The setup class identifier of a class name the programs ask for; false for any other name.
inline bool SetupClassGuidOf(const std::string& className, std::string& guid) {
    if (equalsIgnoreCase(className, kHidClassName)) {
        guid = kHidSetupClassGuid;
        return true;
    }
    if (equalsIgnoreCase(className, kMediaClassName)) {
        guid = kMediaSetupClassGuid;
        return true;
    }
    return false;
}

// "{guid}" in lower case, as interface paths end.
inline std::string GuidInBraces(const char* guid) {
    return "{" + toLowerAscii(guid) + "}";
}

}  // namespace qmt
