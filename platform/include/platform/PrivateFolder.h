#pragma once
// A folder for one user's sockets and locks: created readable by that user alone, and
// refused when it is not a real folder of that user (someone else could listen in it).

#include <string>

namespace qmt {

bool MakePrivateFolder(const std::string& folder, std::string& error);

}  // namespace qmt
