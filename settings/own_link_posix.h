#pragma once
#include <sys/types.h>

#include <string>

// The files a run keeps in its folder, where that folder is one that other accounts may write
// (a shared job folder, a bench PC's folder). A final symbolic link there that another account
// made, under the name of a file the driver or zvtool writes, is an attack or a mistake, never
// a request: nothing is written through one. A link the running user made is the user's own
// choice and is followed, as the kernel's rule for shared folders has it. Reads are not
// covered: a host may link a file it keeps elsewhere, and reading it changes nothing.

// A final symbolic link of another account.
struct TForeignLink {
    bool found = false;
    uid_t owner = 0;
    std::string target;  // where it leads, as the link itself says it
};

// open(2) of `path` with `flags` and `mode`, except that a final symbolic link is followed
// only when the running user owns it, hop by hop. Each link's owner and target are read from
// the link opened as itself, so one swapped in meanwhile is never followed. -1 and errno as
// open(2) leaves it; for a link of another account -1, errno ELOOP, and `foreign` filled.
int OpenOwnPath(const char* path, int flags, mode_t mode, TForeignLink* foreign);

// Where `path` leads through the final links the running user made: the first name on the way
// that is no such link (a file, a missing name, or a link of another account, which then fills
// `foreign`).
std::string FollowOwnLinks(const char* path, TForeignLink* foreign);

// "user nobody (uid 65534)", or "uid 12345" for an account without a name.
std::string AccountWords(uid_t account);
// "a symbolic link of user nobody (uid 65534) to /home/me/notes.txt", for messages.
std::string ForeignLinkWords(const TForeignLink& link);

// The first link of another account that this run refused to write through, for the POSIX
// driver's stderr line: noted by the driver's writers; its path "" while there is none, and
// its words as ForeignLinkWords gives them.
void NoteRefusedLink(const char* path, const TForeignLink& link);
const char* RefusedLinkPath();
const char* RefusedLinkWords();
