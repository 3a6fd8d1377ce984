#pragma once

#include <string>

#include "update/base/window.h"
#include "update/walk/listings_ahead.h"

namespace mwn {

class Platform;
class MessagePump;

// Walks the tree under `folder`, depth first, this folder before its
// subfolders, and adds JoinPath(folder, name) to `found` for every folder
// where that file exists. Each subfolder entered is shown in `progress`. A
// folder that is missing, unreadable, on the current descent path (a link
// back to an ancestor) or reached through links a second time adds nothing.
// With `lookAhead`, threads list the folders ahead of the walk; the window is
// told the same, in the same order. Nothing is thrown but what the window or
// memory throws.
void SearchFolder(Platform& platform, MessagePump& pump, const std::string& name,
                  const std::string& folder, StringList& found, MainWindow& window,
                  Label progress, LookAhead lookAhead = {});

}  // namespace mwn
