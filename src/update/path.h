#pragma once

#include <string>

namespace mwn {

// Joins a folder and a name with one backslash, none when the folder already
// ends in a separator (C:\ and Mwn.exe give C:\Mwn.exe; an empty folder gives
// the name alone).
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace mwn
