// How the worker tells the interface what happens: integer codes with one parameter, handed to
// the controller's listeners on the interface thread.
#pragma once

#include <cstdint>

namespace Setup::Core {

enum TSetupNotifyCode : int32_t {
    snFinished = 1,         // Param: 1 when the run was stopped, else 0; always the worker's last
    snProgress = 2,         // Param: overall progress * 65536 + the current action's (both 0..100)
    snStatusText = 4,       // Param: a const std::u16string* valid for the call only
    snPageChanged = 5,      // Param: 0
    snProgressChanged = 6,  // Param: 0; right after each snProgress
};

class IInstallerNotify {
public:
    // Called on the interface thread while the sender waits.
    virtual void Notify(int32_t code, intptr_t param) = 0;

protected:
    ~IInstallerNotify() = default;
};

} // namespace Setup::Core
