#pragma once

// A file system without fallocate (NFSv3, many FUSE mounts), for the in-place status write.
// Test executables that link no_fallocate.cpp are linked with -Wl,--wrap=posix_fallocate.
enum class Fallocate {
    kSupported,          // the real call
    kEmulatedByReading,  // glibc's fallback: reads the file, so a write-only descriptor fails
    kNotSupported,       // the call reports EOPNOTSUPP, as other C libraries do
};

void SetFallocate(Fallocate support);
