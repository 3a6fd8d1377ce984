// The cursor the program's windows show over their client areas. Windows
// answer WM_SETCURSOR for HTCLIENT with SetCursor(ApplicationCursor()) and
// TRUE, so the choice made here holds wherever the mouse is over them.
#pragma once

#include "platform/win32/windows_api.h"

namespace mwn {

// Wait (hourglass) or the normal arrow, effective at once.
void SetApplicationCursor(bool wait);
HCURSOR ApplicationCursor();

// Shows the normal arrow while a plain message is up. On destruction the
// cursor set before comes back, unless SetApplicationCursor was called
// meanwhile: then the cursor it chose stays (the normal one, when the run's
// finishing steps reset it).
class ArrowWhileModal {
 public:
  ArrowWhileModal();
  ~ArrowWhileModal();
  ArrowWhileModal(const ArrowWhileModal&) = delete;
  ArrowWhileModal& operator=(const ArrowWhileModal&) = delete;

 private:
  bool previousWait_;
  unsigned generation_;
};

}  // namespace mwn
