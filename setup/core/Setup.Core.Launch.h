// Starting processes and handling files in use, in five units: the elevated restart, the spawn
// service that lets the elevated copy start programs with the desktop user's rights, the
// uninstaller's restart from a fresh temporary folder, deletion now or at restart, and running
// a program and waiting for it. This header brings all five.
#pragma once

#include "Setup.Core.Launch.Elevation.h"
#include "Setup.Core.Launch.Files.h"
#include "Setup.Core.Launch.Process.h"
#include "Setup.Core.Launch.Spawn.h"
#include "Setup.Core.Launch.Uninstaller.h"
