#pragma once
#include <string>

// The one line the simulator serves: the master of a pseudo-terminal or a serial device,
// non-blocking, raw, 2400 baud 8N1. Return codes: 0 success, 1 failure with `error` set.

// Opens a pseudo-terminal; `path` becomes its slave's path.
int LineOpenPty(std::string& path, std::string& error);
// Opens the serial device at `device`.
int LineOpenDevice(const std::string& device, std::string& error);
// Points a symbolic link at `linkPath` to `target`, replacing an existing link.
int LineLink(const std::string& target, const std::string& linkPath, std::string& error);

// The descriptor to poll, read and write; -1 when no line is open.
int LineFd();
// Bytes sent to the pseudo-terminal that its slave side has not read yet (0 for a device).
int LineUnread();
// Waits until a device has sent what was written to it.
void LineDrain();
// Closes the line and removes the link if it still points where LineLink put it.
void LineClose();
