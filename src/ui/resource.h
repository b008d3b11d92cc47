// Resource ids of the program's icon, version block and manifest, shared by
// the resource script and the code that loads them.
#pragma once

#define IDI_RUNWARDEN 1
