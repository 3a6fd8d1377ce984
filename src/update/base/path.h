// The one set of rules by which the program joins and splits paths.
#pragma once

#include <string>

namespace mwn {

// Joins a folder and a name with one backslash, none when the folder already
// ends in a separator (C:\ and Mwn.exe give C:\Mwn.exe; an empty folder gives
// the name alone).
std::string JoinPath(const std::string& folder, const std::string& name);

// True when `path` is shorter than the system's limit on a path, counted in
// UTF-16 units as the system counts it: the one test of length the walk and
// the replacement make.
bool WithinPathLimit(const std::string& path);

// True for an absolute path on a drive letter (X:\...).
bool IsOnDriveLetter(const std::string& path);

// The folder of `path`, keeping the backslash of a drive root (C:\Mwn.exe
// gives C:\, not the drive-relative C:); empty when there is no backslash.
std::string FolderOfPath(const std::string& path);

// The last component of `path`: what follows its last backslash or colon.
std::string NameOfPath(const std::string& path);

}  // namespace mwn
