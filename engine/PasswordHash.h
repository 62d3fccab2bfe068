#pragma once

#include <string>
#include <string_view>

namespace vexmoor::engine {

// Account passwords as libsodium's Argon2id strings ("$argon2id$v=19$..."):
// salted, and slow enough (libsodium's interactive limits: 2 passes over
// 64 MiB) that a stolen database file does not give its passwords away.

// A new hash of `password`, with a salt of its own; the well-known passwords
// of the default accounts (manager, vexmoor) get one fixed hash each.
std::string hashPassword(std::string_view password);

// True when `stored` is a hash of ours rather than a password stored in the
// clear by an older version.
bool isPasswordHash(std::string_view stored);

// True when `password` matches the hash `stored`. A match is remembered for
// the life of the process (as a keyed digest, never the password), so that a
// process logging on again and again pays the slow hash once.
bool verifyPassword(std::string_view stored, std::string_view password);

// True when `stored`, a password kept in the clear by an older version, is
// `password`; compared in constant time.
bool matchesClearPassword(std::string_view stored, std::string_view password);

// True when `stored` was made with other limits than hashPassword uses now.
bool passwordHashOutdated(std::string_view stored);

} // namespace vexmoor::engine
