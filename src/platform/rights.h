// What the updater asks of the system about rights: who the process runs as,
// an administrator's rights asked for and handed on, the lock on the machine
// and the folder of a privileged run's log. Part of the platform interface
// (platform/platform.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/process.h"

namespace mwn {

// Held by the one run on the machine; released when destroyed, and by the
// system when the process ends in any way.
class MachineLock {
 public:
  virtual ~MachineLock() = default;
};

// One value of the run's status, as detection rules read it: a number
// (REG_DWORD) or a text (REG_SZ).
struct StatusValue {
  std::string name;
  bool isNumber = false;
  std::uint32_t number = 0;
  std::string text;
};

class RightsServices {
 public:
  virtual ~RightsServices() = default;

  // True when the process already runs with an administrator's full rights:
  // started elevated, as SYSTEM, or (before Vista) by an administrator.
  virtual bool RunningElevated() = 0;
  // True when the process runs as no person but as the system itself
  // (SYSTEM, or a service's account), as deployment tools start it.
  virtual bool RunningAsSystemAccount() = 0;
  // True when every DLL the system loads on the program's behalf comes from
  // the system folder alone, never from the program's own folder. Without
  // it nothing may be done with an administrator's rights.
  virtual bool DllSearchNarrowed() = 0;
  // Starts the program's own executable with `arguments` and an
  // administrator's rights (the system asks the user's consent), without a
  // window, and waits for it to end, calling `whileWaiting` whenever a
  // window message arrives meanwhile. The executable is the very file the
  // process was started from, held unchanged since, started by the path the
  // hold has now, and its identity (ImageIdentityArgument) follows
  // `arguments` so that the instance can check it is that file. 0 with the
  // instance's exit code in `exitCode`; 1223 when the user declined; 50
  // without DllSearchNarrowed; else the system's error code.
  virtual std::uint32_t RunElevated(const std::string& arguments, const Progress& whileWaiting,
                                    std::uint32_t& exitCode) = 0;

  // The name the process runs under (SYSTEM for a deployment tool's run), or
  // the empty string.
  virtual std::string UserName() = 0;

  // Takes the lock named `name` for all the sessions of the machine; a lock
  // left by a process that ended is taken over. With an administrator's
  // rights: null only when another process with those rights holds it; a
  // name a standard user made or holds first is passed over, so that no
  // standard user can hold such a run off. Without them: null when a process
  // with those rights holds it, or another run of the same account does;
  // each account has a lock of its own, and a name another account made
  // first is passed over, so that no user can hold another's run off.
  virtual std::unique_ptr<MachineLock> TakeMachineLock(const std::string& name) = 0;

  // Sets `values` under SOFTWARE\Marlowen\MwnUpdate, created when missing:
  // the machine's key in its 64-bit view with `machine`, the user's
  // otherwise. 0 or the system's error code of the first step that failed.
  virtual std::uint32_t WriteStatus(bool machine, const std::vector<StatusValue>& values) = 0;

  // The folder that a run with an administrator's rights writes /log alone
  // to, %SystemRoot%\Logs\MwnUpdate, private to Administrators and SYSTEM:
  // made so when missing; one that others may only read is narrowed to them.
  // `error` 0 when it can be used; else the system's error code: it cannot
  // be made, or what stands there already is a link or no folder, is not
  // owned by Administrators or SYSTEM (1307), or others may change it (5),
  // and a standard user may have prepared it.
  virtual std::string AdministratorsLogFolder(std::uint32_t& error) = 0;
};

}  // namespace mwn
