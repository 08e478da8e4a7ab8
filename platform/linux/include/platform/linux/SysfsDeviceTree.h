#pragma once
// The sysfs device folders seen as Windows device nodes: which folders are nodes, their
// instance ids and setup classes, and the parent and children a Windows tree would show.

#include <string>
#include <vector>

namespace qmt {

enum class SysfsNodeKind { None, UsbDevice, UsbInterface, HidDevice, Other };

SysfsNodeKind KindOfFolder(const std::string& folder);
// A USB interface of a device with a single interface has no node of its own.
bool IsTransparent(const std::string& folder);
std::string InstanceIdOfFolder(const std::string& sysRoot, const std::string& folder);
std::string ClassGuidOfFolder(const std::string& folder);
// The node folder above; empty at a root hub or outside USB and HID.
std::string ParentFolder(const std::string& folder);
// The node folders below, in name order.
std::vector<std::string> ChildFolders(const std::string& folder);

}  // namespace qmt
