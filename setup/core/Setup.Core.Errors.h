// The setup's own failures. Each carries the plain text that the user is shown; the worker
// turns the first one of a run into a line of the error list, the entry point shows the rest.
#pragma once

#include "ORV.SysUtils.h"

#include <string>

namespace Setup::Core {

// The setup data is unusable: "Setup is malformed", "Setup has wrong config".
class EInstallerGeneralError : public ORV::Exception {
public:
    using ORV::Exception::Exception;
};

// A file of the previous installation could not be backed up.
class EInstallerBackupError : public EInstallerGeneralError {
public:
    using EInstallerGeneralError::EInstallerGeneralError;
};

// The installation itself failed: a missing package file, an empty destination, a failed copy.
class EInstallerInstallError : public EInstallerGeneralError {
public:
    using EInstallerGeneralError::EInstallerGeneralError;
};

// The installation found at the destination cannot be updated: "Cannot install update on v%s".
class EInstallerUpdateError : public EInstallerInstallError {
public:
    using EInstallerInstallError::EInstallerInstallError;
};

// The program was started in a way it cannot work with: "Invalid Arguments",
// "Cannot start the Uninstaller".
class EInstallerMysteryError : public EInstallerGeneralError {
public:
    using EInstallerGeneralError::EInstallerGeneralError;
};

class EInstallerNoAdminRightsError : public EInstallerGeneralError {
public:
    EInstallerNoAdminRightsError()
        : EInstallerGeneralError(u"Administrator rights are required to process this operation.") {}
};

inline constexpr char16_t kMsgSetupMalformed[] = u"Setup is malformed";
inline constexpr char16_t kMsgSetupWrongConfig[] = u"Setup has wrong config";
inline constexpr char16_t kMsgCannotLocateFile[] = u"Cannot locate \"%s\" file in setup archive";

} // namespace Setup::Core
