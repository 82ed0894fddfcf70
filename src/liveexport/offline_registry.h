// The registry of an offline Windows installation, read from its hive
// files (/r).
//
// LocateHives finds the three hive files below `folder`, which is an
// installation's root (hives in Windows/System32/config), its Windows
// folder (System32/config), or a folder that holds hive files itself:
//  - SOFTWARE and SYSTEM both come from the first of Windows/System32/config,
//    System32/config and the folder itself that holds either of them;
//  - NTUSER.DAT is looked up on its own: in the folder itself, else
//    Users/Default/NTUSER.DAT, else
//    Documents and Settings/Default User/NTUSER.DAT under the installation
//    root (the folder, or its parent when the folder holds System32/config).
// Names are matched without regard to ASCII letter case; of two entries
// that differ only in case, the one with the smaller bytes (capitals before
// small letters, so the all-capitals spelling first) wins. A file that is
// not found is left empty. Throws EFOpenError naming the folder when it
// cannot be read or none of the three is found.
//
// OpenOfflineRegistry opens the hives LocateHives finds and puts the
// registry's roots over them:
//   HKEY_LOCAL_MACHINE  a key whose subkeys are SOFTWARE and SYSTEM (those
//                       found), each the root of its hive
//   HKEY_CLASSES_ROOT   SOFTWARE's Classes key
//   HKEY_CURRENT_USER   NTUSER.DAT's root
// Keys of a hive that is absent are absent; the other roots have no keys.
// A hive whose header says its log files hold changes is read as it
// stands, after one warning line on standard error naming it. Throws
// ERegistryException naming the file when a hive cannot be loaded.
#ifndef TOVRIX_LIVEEXPORT_OFFLINE_REGISTRY_H_
#define TOVRIX_LIVEEXPORT_OFFLINE_REGISTRY_H_

#include <memory>
#include <string>

#include "platform/registry.h"

namespace tovrix {

struct HiveFiles {
  std::string software;
  std::string system;
  std::string ntuser;
};

HiveFiles LocateHives(const std::string& folder);

std::unique_ptr<platform::RegistryStore> OpenOfflineRegistry(const std::string& folder);

// The roots over stores already open (any of them may be null).
std::unique_ptr<platform::RegistryStore> MountHives(
    std::unique_ptr<platform::RegistryStore> software,
    std::unique_ptr<platform::RegistryStore> system,
    std::unique_ptr<platform::RegistryStore> ntuser);

}  // namespace tovrix

#endif  // TOVRIX_LIVEEXPORT_OFFLINE_REGISTRY_H_
