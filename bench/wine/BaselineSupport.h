#pragma once
// What the bench programs share, so that bench_timer sees them as it sees Quarvel.exe: the same
// start-up set-up, a dialog captioned "Install USB Driver" whose button 1001 starts the work, and at
// the end of the work the box Quarvel.exe shows after a successful install, owned by the dialog.

#include <windows.h>

// Runs the dialog modally after Quarvel.exe's start-up set-up (DLLs from the system directory only,
// the common controls). A click on button 1001 runs work; when it returns true the success box
// follows and the dialog ends. A null work makes a dialog that only waits to be closed.
int RunBenchDialog(HINSTANCE instance, bool (*work)());

// UpdateDriverForPlugAndPlayDevicesA, resolved at its first use the way Quarvel.exe resolves it:
// newdev.dll from the system directory, then the entry point. False (with the loader's code) when
// it is unavailable.
BOOL UpdateDriver(HWND parent, LPCSTR hardwareId, LPCSTR infPath, DWORD flags, BOOL *rebootRequired);

// The sample package's INF files as Quarvel.exe's passes take them: beside the executable, in this
// order, each with the hardware ID its node carries (the fallback ID of its kind).
struct BaselinePass {
  const char *fileName;
  const char *hardwareId;
};
extern const BaselinePass kBaselinePasses[3];

// Runs pass once per INF file beside the running executable, in Quarvel.exe's order; true when every
// pass returned true.
bool RunBaselinePasses(bool (*pass)(const char *infPath, const char *hardwareId));
