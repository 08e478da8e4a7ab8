#pragma once
// The user's folders as the XDG base-directory rules name them. A variable that is unset,
// empty or relative is ignored, as the rules say; the fallbacks hang below $HOME. Empty
// when neither the variable nor $HOME gives an absolute folder.

#include <string>

namespace qmt {

// $XDG_CONFIG_HOME, else ~/.config.
std::string XdgConfigHome();
// $XDG_DATA_HOME, else ~/.local/share.
std::string XdgDataHome();
// $XDG_RUNTIME_DIR; empty when the session has none.
std::string XdgRuntimeDir();

}  // namespace qmt
