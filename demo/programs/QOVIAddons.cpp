// Stand-in for the add-on installer that travels in the setup package. The installer extracts
// it to the temporary folder and opens it with the parameters built from the user's add-on
// choices; this one writes those parameters down beside itself and ends.
#include "StandIn.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return StandIn::RecordArguments(L"QOVIAddons.log"); }
