#include <fcntl.h>
#include <unistd.h>

#include "datafile/write_file.h"
#include "settings/own_link_posix.h"

// As fopen(name, "wb") opens it, but through no link of another account.
std::FILE* OpenWriteFile(const char* name) {
    TForeignLink foreign;
    const int fd = OpenOwnPath(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666, &foreign);
    if (foreign.found) {
        NoteRefusedLink(name, foreign);
    }
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        close(fd);
    }
    return file;
}
