#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// SHA-256 of a byte string, so that a ledger entry names exactly the file it was written for
// and a copy can be checked anywhere with a standard tool (`sha256sum`).

// The digest as 64 lowercase hexadecimal digits.
std::string Sha256Hex(const std::string& bytes);
std::string Sha256Hex(const std::uint8_t* bytes, std::size_t size);
