#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Files and folders as zvtool uses them, the one place whose answers differ between POSIX and
// Windows (files_posix.cpp, files_win32.cpp). Every other room of zvtool is portable and
// reaches the file system through these functions.

// ---- Paths

// `name` joined to `folder` with the system's separator.
std::string JoinPath(const std::string& folder, const std::string& name);
// The folder that holds `path` ("." when it names none).
std::string FolderOf(const std::string& path);
// `path` made absolute against the current folder (the file need not exist); no "/./".
std::string AbsolutePath(const std::string& path);
// The system's separator between folder names.
char FolderSeparator();
// Whether the file system takes two names that differ in case only for one ("Pump-3" and
// "pump-3"): Windows yes, POSIX no.
bool FileNamesIgnoreCase();

// ---- The system

// Which system zvtool runs on, for what it says: a help or a message names the things of this
// system only (its paths, its variables), and portable code asks this instead of #ifdef.
enum class TSystem { kPosix, kWindows };
TSystem ThisSystem();

// ---- Questions

// Whether anything is at `path` (a link that leads nowhere counts).
bool FileExists(const std::string& path);
bool IsFolder(const std::string& path);
// Whether `path` names a program that can be started.
bool IsProgram(const std::string& path);

struct TFolderEntry {
    std::string name;
    long long size = 0;
};
// The plain files of `folder`, in no order; empty when it cannot be read.
std::vector<TFolderEntry> ListFiles(const std::string& folder);

// Why a file cannot be written at `path` (creating it if it is missing, and a little room
// beside it): "" when it can, else the system's reason ("Read-only file system", "No space
// left on device"), or what ForeignLinkAt says. Leaves an existing file as it was.
std::string WhyNotWritable(const std::string& path);

// A folder that other accounts may write (a shared job folder) may hold, under the name of a
// file zvtool or the driver writes, a symbolic link that another account made: an attack or
// a mistake, never a request. No write of this room goes through one (each refuses it with
// what ForeignLinkAt says); a link the user made is followed. Windows: "" always, since
// making a link there needs privilege.
// "" when `path` is no final link of another account, else what it is: "PATH is a symbolic
// link of user nobody (uid 65534) to /home/me/notes.txt".
std::string ForeignLinkAt(const std::string& path);

// Whether other accounts may change what is at `path`: "" when not (or it is not there), else
// why, with its mode: "its group and others may write it (mode 0777)", "it belongs to user
// nobody (uid 65534) (mode 0644)". Windows: "" always (its rights are no modes).
std::string OthersMayChange(const std::string& path);

// ---- Reading and writing

enum class TReadResult { kRead, kMissing, kFailed, kTooLarge };

// The whole file, at most `limit` bytes. kFailed with the system's reason in `error`;
// kMissing when nothing is there; kTooLarge when the file holds more than `limit` bytes.
TReadResult ReadWholeFile(const std::string& path, std::size_t limit, std::string* text,
                          std::string* error);

// Who may use a folder or file zvtool makes: only this user (its own state and ledger), as
// the user's file-creation mask allows (a bench's unit folders, a record file), or every
// account of the machine, which may make and write files in it (Windows: the run lock that
// guards the INI files every account shares).
enum class TFolderMode { kPrivate, kShared, kEveryAccount };

// Writes `text` as the whole file (made with `mode` when it is new): false with the system's
// reason.
bool WriteWholeFile(const std::string& path, const std::string& text, std::string* error,
                    TFolderMode mode = TFolderMode::kShared);
// Writes `text` into a new file, where nothing may be yet, not even a link (a temporary file
// that is then renamed over the name it replaces): false with the system's reason.
bool WriteNewFile(const std::string& path, const std::string& text, std::string* error);
// Appends `text` in one write, so that two writers appending at once do not mix their lines.
bool AppendToFile(const std::string& path, const std::string& text, std::string* error,
                  TFolderMode mode = TFolderMode::kShared);
// ---- Text files
// A text file zvtool writes for people and other programs (the ledger's log, the note a
// stopped job leaves, the lock's text) ends its lines as the system's text files do: CR LF on
// Windows, LF on POSIX. `text` comes with LF line ends; every reader of these files takes
// both, so a file made on one system reads on the other.
std::string TextLines(const std::string& text);
bool WriteTextFile(const std::string& path, const std::string& text, std::string* error);
// As AppendToFile.
bool AppendTextToFile(const std::string& path, const std::string& text, std::string* error,
                      TFolderMode mode = TFolderMode::kShared);

// Copies a file byte for byte into a new file `to` (as WriteNewFile): false with the reason
// when it cannot be read or written whole.
bool CopyWholeFile(const std::string& from, const std::string& to, std::string* error);
// Renames `from` to `to`, replacing `to` if it exists: false with the system's reason.
bool RenameReplacing(const std::string& from, const std::string& to, std::string* error);
// Removes a file; true when it is gone (or was never there).
bool RemoveFile(const std::string& path);

// Makes `path` and the folders above it that are missing. False with the system's reason
// (or that something other than a folder is in the way).
bool MakeFolders(const std::string& path, TFolderMode mode, std::string* error);

// ---- Errors

// The system's words for an error number (errno on POSIX, GetLastError() on Windows),
// without a line end or a closing full stop; "error N" when the system has none.
std::string SystemErrorText(unsigned long code);

// ---- A lock file

// An exclusive lock on a file, held until it is given up or the process ends.
struct TFileLock {
    long long descriptor = -1;  // POSIX
    void* handle = nullptr;     // Windows
};

enum class TLockResult { kTaken, kHeld, kFailed };

// Takes the lock on `path` (made when missing) and writes `text` into it, for whoever is
// refused. kHeld: another holds it and `detail` is what it wrote; kFailed: the file cannot be
// made or written and `detail` is the system's reason, or that `path` is a link: the lock is
// never taken through one, whoever made it. The driver holds it with zvtool (on POSIX every
// program zvtool starts inherits it, unless `passedOn` is false: the ledger's lock, which a
// program that git leaves running, a credential cache or an SSH master, must not keep; on
// Windows the driver's start is given it, TSpawn::lock), so that a driver left running keeps
// the next job out until it ends.
TLockResult TakeFileLock(const std::string& path, const std::string& text, TFileLock* lock,
                         std::string* detail, bool passedOn = true);
// Writes `text` into a lock taken, in place of what it held (the holder's driver, once it runs).
void RewriteFileLock(const TFileLock& lock, const std::string& text);
// Gives the lock up and empties the file (which stays, so that no second lock on a new file
// of the same name can be taken beside a holder of the old one).
void ReleaseFileLock(TFileLock* lock);

// ---- Where the driver keeps its files for a run in `runFolder`

// The profile file `name` ("zordrive.INI") as the profile functions are to be given it:
// POSIX the file in the run folder; Windows the bare name, which they look up in the Windows
// directory.
std::string DriverProfileName(const std::string& runFolder, const char* name);
// The same file's full path, for messages.
std::string DriverProfilePath(const std::string& runFolder, const char* name);
// Where this driver reads the settings file, for a report that it did not see its keys.
std::string DriverSettingsAdvice(const std::string& runFolder);
// Whether drivers can run side by side, each in a run folder of its own: false with the
// reason where the driver's files are shared by every folder (Windows).
bool DriversRunSideBySide(std::string* why);
// The driver program's file name: "zordrive", "zordrive.exe".
const char* DriverProgramName();

// The lock one job at a time takes: POSIX ".zvtool.lock" in the run folder, where its INI and
// data files lie; Windows "settings.lock" in zvtool's folder for the whole machine
// (%ProgramData%\zvtool), since the INI files in the Windows directory are shared by every
// folder and every account; "" when there is no such folder.
std::string RunLockPath(const std::string& runFolder);
// What that lock keeps to one job, for the refusal.
std::string RunLockScope(const std::string& runFolder);
