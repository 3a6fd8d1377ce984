#pragma once

namespace mwn {

class Platform;
class MessagePump;
class MainWindow;

// Lists every searchable drive letter C..Z and then every connected network
// disk share in Memo2, and searches each for copies, adding them to Memo1.
void ScanLocations(Platform& platform, MessagePump& pump, MainWindow& window);

}  // namespace mwn
