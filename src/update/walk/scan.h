#pragma once

namespace mwn {

class Platform;
class MessagePump;
class MainWindow;

// Removable, fixed and RAM drives and drives of undetermined type are
// searched; CD-ROMs, network letters and letters without a root are not.
bool IsSearchedDriveType(unsigned type);

// Lists every searchable drive letter C..Z and then every connected network
// disk share in Memo2, and searches each for copies, adding them to Memo1.
void ScanLocations(Platform& platform, MessagePump& pump, MainWindow& window);

}  // namespace mwn
