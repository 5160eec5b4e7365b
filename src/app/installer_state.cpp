// Storage of the program-wide record with its static initial values.
#include "app/installer_state.h"

InstallerStateRecord InstallerState = {
    0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 1, {0}, nullptr,
};
