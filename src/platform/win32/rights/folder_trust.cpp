// Whether standard users can change a folder, asked of the system's own
// access check (Authz) over the folder's security descriptor, for each
// principal its access list names and for the groups every user is in: the
// system weighs deny entries, inheritance and ownership as it does for a
// real user, and nothing here interprets an entry's rights by hand.
#include <vector>

#include "platform/win32/rights/administrators.h"
#include "platform/win32/process/system_library.h"
#include "platform/win32/win32_platform.h"

// Not part of the lean <windows.h>.
#include <authz.h>

namespace mwn {
namespace {

// What lets its holder put something of theirs in the folder or in the
// place of an entry: add files or folders, delete entries or the folder
// itself, change the access list or the owner.
constexpr ACCESS_MASK kChanges =
    FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;

// Every ordinary user is in these.
constexpr WELL_KNOWN_SID_TYPE kEveryUsersGroups[] = {
    WinWorldSid, WinAuthenticatedUserSid, WinBuiltinUsersSid, WinInteractiveSid, WinLocalSid,
};

class Sid {
 public:
  explicit Sid(WELL_KNOWN_SID_TYPE type) : bytes_(SECURITY_MAX_SID_SIZE) {
    DWORD size = SECURITY_MAX_SID_SIZE;
    if (!CreateWellKnownSid(type, nullptr, bytes_.data(), &size)) bytes_.clear();
  }
  PSID get() { return bytes_.empty() ? nullptr : bytes_.data(); }

 private:
  std::vector<BYTE> bytes_;
};

// The principals the access list names other than the trusted ones: a user
// or group granted something there may be any standard user.
std::vector<PSID> NamedPrincipals(PACL dacl) {
  std::vector<PSID> principals;
  if (dacl == nullptr) return principals;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) continue;
    const auto* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    PSID sid = &static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart;
    if (!IsAdministrativeSid(sid)) principals.push_back(sid);
  }
  return principals;
}

using InitializeResourceManager = decltype(&AuthzInitializeResourceManager);
using InitializeContextFromSid = decltype(&AuthzInitializeContextFromSid);
using AddSidsToContext = decltype(&AuthzAddSidsToContext);
using AccessCheck = decltype(&AuthzAccessCheck);
using FreeContext = decltype(&AuthzFreeContext);
using FreeResourceManager = decltype(&AuthzFreeResourceManager);

class AccessChecker {
 public:
  AccessChecker()
      : library_(L"authz.dll"),
        initializeContext_(library_.Function<InitializeContextFromSid>(
            "AuthzInitializeContextFromSid")),
        addSids_(library_.Function<AddSidsToContext>("AuthzAddSidsToContext")),
        accessCheck_(library_.Function<AccessCheck>("AuthzAccessCheck")),
        freeContext_(library_.Function<FreeContext>("AuthzFreeContext")),
        freeManager_(library_.Function<FreeResourceManager>("AuthzFreeResourceManager")) {
    const auto initialize =
        library_.Function<InitializeResourceManager>("AuthzInitializeResourceManager");
    if (initialize == nullptr || initializeContext_ == nullptr || addSids_ == nullptr ||
        accessCheck_ == nullptr || freeContext_ == nullptr || freeManager_ == nullptr ||
        !initialize(AUTHZ_RM_FLAG_NO_AUDIT, nullptr, nullptr, nullptr, L"", &manager_)) {
      manager_ = nullptr;
    }
    for (const WELL_KNOWN_SID_TYPE type : kEveryUsersGroups) groups_.emplace_back(type);
  }
  ~AccessChecker() {
    if (manager_ != nullptr) freeManager_(manager_);
  }
  AccessChecker(const AccessChecker&) = delete;
  AccessChecker& operator=(const AccessChecker&) = delete;

  // The rights `principal`, in every user's groups, has under `descriptor`;
  // false when the system cannot tell.
  bool Granted(PSID principal, PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK& granted) {
    if (manager_ == nullptr) return false;
    LUID none{};
    AUTHZ_CLIENT_CONTEXT_HANDLE alone = nullptr;
    if (!initializeContext_(AUTHZ_SKIP_TOKEN_GROUPS, principal, manager_, nullptr, none, nullptr,
                            &alone)) {
      return false;
    }
    std::vector<SID_AND_ATTRIBUTES> groups;
    for (Sid& group : groups_) {
      if (group.get() != nullptr) groups.push_back({group.get(), SE_GROUP_ENABLED});
    }
    AUTHZ_CLIENT_CONTEXT_HANDLE context = nullptr;
    const bool added = addSids_(alone, groups.data(), static_cast<DWORD>(groups.size()), nullptr,
                                0, &context) != FALSE;
    freeContext_(alone);
    if (!added) return false;
    AUTHZ_ACCESS_REQUEST request{};
    request.DesiredAccess = MAXIMUM_ALLOWED;
    DWORD error = 0;
    AUTHZ_ACCESS_REPLY reply{};
    reply.ResultListLength = 1;
    reply.GrantedAccessMask = &granted;
    reply.Error = &error;
    const bool checked = accessCheck_(0, context, &request, nullptr, descriptor, nullptr, 0,
                                      &reply, nullptr) != FALSE;
    freeContext_(context);
    return checked;
  }

 private:
  SystemLibrary library_;
  InitializeContextFromSid initializeContext_;
  AddSidsToContext addSids_;
  AccessCheck accessCheck_;
  FreeContext freeContext_;
  FreeResourceManager freeManager_;
  AUTHZ_RESOURCE_MANAGER_HANDLE manager_ = nullptr;
  std::vector<Sid> groups_;
};

}  // namespace

// Anything the system cannot answer counts as changeable: the run then
// treats the folder as a standard user's.
FolderTrust TrustOfFolder(HANDLE folder) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(folder, SE_FILE_OBJECT,
                      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                          DACL_SECURITY_INFORMATION,
                      &owner, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return FolderTrust::kChangeable;
  }
  bool onlyAdministrators = owner != nullptr && IsAdministrativeSid(owner);
  if (onlyAdministrators) {
    static AccessChecker checker;
    Sid everyUser(WinAuthenticatedUserSid);
    std::vector<PSID> principals = NamedPrincipals(dacl);
    principals.push_back(everyUser.get());
    for (PSID principal : principals) {
      ACCESS_MASK granted = 0;
      if (principal == nullptr || !checker.Granted(principal, descriptor, granted) ||
          (granted & kChanges) != 0) {
        onlyAdministrators = false;
        break;
      }
    }
  }
  LocalFree(descriptor);
  return onlyAdministrators ? FolderTrust::kAdministratorsOnly : FolderTrust::kChangeable;
}

}  // namespace mwn
