#pragma once
// Opening the preset editor: on a preset file, or on a new preset of a kind. The screen must
// be large enough and the file must load; then the editor's window runs modally over
// `owner` and the call returns when it closes.

#include <functional>
#include <string>

#include "model/Preset.h"

class QWidget;

namespace qmt {

class DeviceRegistry;
class HidFileSystemIf;
class MessageBoxIf;
class RegistryIf;

// What every editor gets; live input runs only with the registry and the HID files.
struct EditorContext {
    RegistryIf& settings;
    MessageBoxIf& messages;
    std::function<void()> notifyDriver;
    DeviceRegistry* devices = nullptr;
    HidFileSystemIf* hidFiles = nullptr;
};

// `path` null: a new preset of `kind`.
void RunPresetEditor(QWidget* owner, EditorContext& context, const std::string* path,
                     PresetKind kind);

}  // namespace qmt
