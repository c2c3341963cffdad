#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The one line the simulator serves, raw at 2400 baud 8N1 with no flow control, and the stop
// request (a signal, Ctrl-C, a closed console) that ends the serving. One file per platform:
// line_posix.cpp serves a pseudo-terminal or a serial device, line_win32.cpp a COM port.
// Return codes: 0 success, 1 failure with `error` set.

// Whether this platform has pseudo-terminals (and so --link).
bool LineHasPty();
// Opens a pseudo-terminal; `path` becomes its slave's path.
int LineOpenPty(std::string& path, std::string& error);
// Opens the serial device `device` (on Windows a port name such as COM3).
int LineOpenDevice(const std::string& device, std::string& error);
// Points a symbolic link at `linkPath` to `target`, replacing an existing link.
int LineLink(const std::string& target, const std::string& linkPath, std::string& error);

// From now on a stop request makes LineWait report kLineStop instead of ending the process.
int LineCatchStop();

// What LineWait found; several may be set at once.
constexpr int kLineReadable = 1;
constexpr int kLineWritable = 2;
constexpr int kLineStop = 4;
constexpr int kLineFailed = 8;  // the line hung up or failed; `error` says how

// Waits until received bytes can be read (if `read`), bytes can be written (if `write`), a
// stop is requested or `timeoutMs` passed (-1: no limit). 0 when the time passed.
int LineWait(bool read, bool write, int timeoutMs, std::string& error);
// Takes up to `size` received bytes without waiting: the count, or -1 when the line failed.
long LineRead(std::uint8_t* buffer, std::size_t size, std::string& error);
// Hands up to `count` bytes to the line without waiting: the count taken, or -1.
long LineWrite(const std::uint8_t* bytes, std::size_t count, std::string& error);

// Bytes sent to the pseudo-terminal that its slave side has not read yet (0 for a device).
int LineUnread();
// Waits until a device has sent what was written to it.
void LineDrain();
// Closes the line and removes the link if it still points where LineLink put it.
void LineClose();
