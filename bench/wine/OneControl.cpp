// bench_one_control: a dialog program with one control, started like Quarvel.exe (same manifest,
// caption and dialog font, the same start-up set-up and common controls): the yardstick for its
// start-up time.

#include "BaselineSupport.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunBenchDialog(instance, nullptr); }
