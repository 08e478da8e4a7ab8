#pragma once
// Path helpers for files named inside presets and mappings. Those names travel between
// systems whose file names ignore case and whose folders may be written with either
// separator.

#include <string>

namespace qmt {

// Joins a folder and a file name with '/', unless the folder already ends in '/' or '\'.
std::string JoinPath(const std::string& folder, const std::string& name);

// The path of an existing file: `path` itself when it exists, else a file of the same
// folder whose name matches case-insensitively. Empty when there is none.
std::string ResolveFileCaseInsensitive(const std::string& path);

// The file name of a path: the text after its last '/' or '\' (the whole text when it has
// none).
std::string FileNameOf(const std::string& path);

// A folder setting without its one trailing '/' or '\', as the programs use it.
std::string WithoutTrailingSeparator(const std::string& folder);

}  // namespace qmt
