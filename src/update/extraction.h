// The payload unpacked for use: the scratch folder with the inflated image
// written into it under the target name.
#pragma once

#include <string>

#include "payload/payload.h"

namespace mwn {

class Platform;
class MessagePump;

// Makes the scratch folder, inflates the program's own payload into `image`
// and writes it to `imagePath` in that folder. `folder` and `imagePath` are
// set as soon as each exists, so that a caller can clean up after an error.
// Throws the errors of the steps (EInOutError, EDecompressionError,
// EOutOfMemory).
void ExtractPayload(Platform& platform, MessagePump& pump, PayloadImage& image,
                    std::string& folder, std::string& imagePath);

}  // namespace mwn
