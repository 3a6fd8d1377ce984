#include "platform/win32/process/app_cursor.h"

namespace mwn {
namespace {

bool waitShown = false;
// Counts calls of SetApplicationCursor, so that a modal arrow can tell
// whether someone chose a cursor while it was up.
unsigned cursorChanges = 0;

void ShowCursorNow(bool wait) {
  waitShown = wait;
  SetCursor(ApplicationCursor());
}

}  // namespace

void SetApplicationCursor(bool wait) {
  ++cursorChanges;
  ShowCursorNow(wait);
}

HCURSOR ApplicationCursor() {
  return LoadCursorW(nullptr, waitShown ? IDC_WAIT : IDC_ARROW);
}

ArrowWhileModal::ArrowWhileModal() : previousWait_(waitShown), generation_(cursorChanges) {
  ShowCursorNow(false);
}

ArrowWhileModal::~ArrowWhileModal() {
  // A choice made while the message was up is the newer one and stands.
  if (cursorChanges == generation_) ShowCursorNow(previousWait_);
}

}  // namespace mwn
