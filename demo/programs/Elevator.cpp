// Stand-in for the player's registration tool. The real one registers file associations and
// the shell integration according to its /REG switches; this one only writes down the switches
// it got, one run a line, so that a test can see what the installer asked for.
#include "StandIn.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return StandIn::RecordArguments(L"Elevator.log"); }
