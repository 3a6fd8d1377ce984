#include "platform/access_list.h"

#include <gtest/gtest.h>

namespace {

using mwn::AccessEntry;
using mwn::AccessList;
using mwn::FolderTrust;
using mwn::Trustee;
namespace r = mwn::rights;

constexpr auto kAllow = AccessEntry::Kind::kAllow;
constexpr auto kDeny = AccessEntry::Kind::kDeny;
constexpr auto kOther = AccessEntry::Kind::kOther;
constexpr std::uint32_t kRead = 0x001200A9;  // read and execute
constexpr std::uint32_t kFull = 0x001F01FF;

// On the folder, and by inheritance on files, subfolders, or only on files.
AccessEntry Entry(AccessEntry::Kind kind, Trustee trustee, std::uint32_t mask, bool toFiles,
                  bool inheritOnly = false) {
  return {kind, trustee, mask, toFiles, inheritOnly};
}

// The usual system folder: administrators full, users read, CREATOR OWNER
// full on what its makers make.
std::vector<AccessEntry> SystemFolder() {
  return {Entry(kAllow, Trustee::kAdministrative, kFull, true),
          Entry(kAllow, Trustee::kAnyone, kRead, true),
          Entry(kAllow, Trustee::kCreatorOwner, r::kGenericAll, true, true)};
}

struct Case {
  const char* what;
  Trustee owner;
  std::vector<AccessEntry> extra;
  FolderTrust expected;
};

class TrustOfAccessList : public testing::TestWithParam<Case> {};

TEST_P(TrustOfAccessList, GivesTheWeakestAnswerThatApplies) {
  AccessList list;
  list.owner = GetParam().owner;
  list.entries = SystemFolder();
  // Each ahead of the usual ones and of those listed before it.
  for (const AccessEntry& entry : GetParam().extra) {
    list.entries.insert(list.entries.begin(), entry);
  }
  EXPECT_EQ(mwn::TrustOfAccessList(list), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrustOfAccessList,
    testing::Values(
        Case{"system folder", Trustee::kAdministrative, {}, FolderTrust::kAdministratorsOnly},
        Case{"owned by a user", Trustee::kAnyone, {}, FolderTrust::kChangeable},
        Case{"Everyone may write, and so the files made there",
             Trustee::kAdministrative,
             {Entry(kAllow, Trustee::kAnyone, r::kGenericWrite, true)},
             FolderTrust::kChangeable},
        Case{"a deny before the grant narrows nothing",
             Trustee::kAdministrative,
             {Entry(kAllow, Trustee::kAnyone, r::kDeleteChild, false),
              Entry(kDeny, Trustee::kAnyone, r::kDeleteChild, false)},
             FolderTrust::kChangeable},
        Case{"conditional or callback entry for administrators",
             Trustee::kAdministrative,
             {Entry(kOther, Trustee::kAdministrative, kFull, false)},
             FolderTrust::kChangeable},
        Case{"inherit-only write on new files",
             Trustee::kAdministrative,
             {Entry(kAllow, Trustee::kAnyone, r::kAddFile, true, true)},
             FolderTrust::kChangeable},
        Case{"inherit-only full on subfolders alone",
             Trustee::kAdministrative,
             {Entry(kAllow, Trustee::kAnyone, kFull, false, true)},
             FolderTrust::kAdministratorsOnly},
        Case{"users may add files and folders, as under ProgramData",
             Trustee::kAdministrative,
             {Entry(kAllow, Trustee::kAnyone,
                    r::kAddFile | r::kAddSubfolder | r::kWriteAttributes |
                        r::kWriteExtendedAttributes,
                    false)},
             FolderTrust::kUsersMayAdd},
        Case{"users may add to a folder a user owns",
             Trustee::kRunAccount,
             {Entry(kAllow, Trustee::kAnyone, r::kAddFile, false)},
             FolderTrust::kChangeable},
        Case{"users may delete entries",
             Trustee::kAdministrative,
             {Entry(kAllow, Trustee::kAnyone, r::kAddFile | r::kDeleteChild, false)},
             FolderTrust::kChangeable},
        Case{"users may change the list",
             Trustee::kAdministrative,
             {Entry(kAllow, Trustee::kAnyone, r::kWriteDac, false)},
             FolderTrust::kChangeable},
        Case{"the run's account may change it",
             Trustee::kAdministrative,
             {Entry(kAllow, Trustee::kRunAccount, kFull, true)},
             FolderTrust::kRunAccountOnly},
        Case{"the run's account owns it", Trustee::kRunAccount, {}, FolderTrust::kRunAccountOnly}),
    [](const testing::TestParamInfo<Case>& info) { return std::to_string(info.index); });

TEST(TrustOfAccessListWithout, AListGrantsEveryoneEverything) {
  AccessList list;
  list.owner = Trustee::kAdministrative;
  list.present = false;
  EXPECT_EQ(mwn::TrustOfAccessList(list), FolderTrust::kChangeable);
  list.present = true;
  EXPECT_EQ(mwn::TrustOfAccessList(list), FolderTrust::kAdministratorsOnly);
}

}  // namespace
