// Every operation the updater asks of the operating system, behind one
// interface made of four by concern: the process and its window
// (process.h), files (files.h), rights (rights.h) and the walk (walk.h),
// each including only those before it in that order. The Win32 realisation
// lives in win32/, in folders by the same concerns, and is compiled only by
// the cross build; the unit tests supply an in-memory fake.
#pragma once

#include "platform/files.h"
#include "platform/process.h"
#include "platform/rights.h"
#include "platform/walk.h"

namespace mwn {

class Platform : public ProcessServices,
                 public FileServices,
                 public RightsServices,
                 public WalkServices {
 public:
  ~Platform() override = default;
};

}  // namespace mwn
