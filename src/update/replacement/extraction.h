// The payload unpacked for use: the scratch folder with the inflated image
// written into it under the target name.
#pragma once

#include <string>

#include "payload/payload.h"

namespace mwn {

class Platform;
class MessagePump;

// Inflates the program's own payload. Throws EDecompressionError or
// EOutOfMemory.
PayloadImage InflateOwnPayload(Platform& platform, MessagePump& pump);

// Makes the scratch folder (private to administrators when
// `privateToAdministrators`), inflates the program's own payload into
// `image` and writes it to `imagePath` in that folder. `folder` and
// `imagePath` are set as soon as each exists, so that a caller can clean up
// after an error. Throws the errors of the steps (EInOutError,
// EDecompressionError, EOutOfMemory).
void ExtractPayload(Platform& platform, MessagePump& pump, bool privateToAdministrators,
                    PayloadImage& image, ScratchFolder& folder, std::string& imagePath);

}  // namespace mwn
