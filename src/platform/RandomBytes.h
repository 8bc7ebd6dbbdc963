#pragma once
// Random bytes from the kernel, for names no one can know in advance.

#include <cstddef>

namespace oculon::platform {

// Fills `bytes` through getrandom, or, where that call is missing (before
// Linux 3.17) or a sandbox refuses it, from the kernel's random device at
// /dev/urandom. False, errno set, when neither gives them.
bool randomBytes(unsigned char* bytes, std::size_t size);

// Fills `bytes` from `path` only where that is the kernel's random device
// (character device 1:9, or 1:8), looked at and opened without following a
// link and without waiting. Whatever else stands there (a FIFO, a file, a
// link, /dev/zero, a device that never answers) gives no bytes and never
// blocks. False, errno set (ENODEV for what is not that device), when it
// gives none.
bool randomBytesFromDevice(const char* path, unsigned char* bytes, std::size_t size);

}  // namespace oculon::platform
