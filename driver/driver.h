#pragma once

#include "driver/result_codes.h"
#include "ui/status_window.h"

// Writes "ComStatus" = result, then "ZorVekDriverRunning" = "0", then posts the quit message.
void Finish(int result);

// Reads the job keys in order and runs the job that they select; its result code.
int RunSelectedJob();

// Everything after the window exists: opens the port (result 5 if it fails), runs the
// selected job and finishes the run. Returns the result code written as "ComStatus".
int RunDriver();

// The jobs and Finish, for the window procedure's system commands.
const TJobCommands& DriverJobCommands();
