#include "PasswordHash.h"

#include "OraError.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <mutex>

namespace vexmoor::engine {

namespace {

constexpr auto kOpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr auto kMemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

void initSodium()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (sodium_init() < 0)
            throw oraError(600, {"[sodium_init]"});
    });
}

std::string hashNow(std::string_view password)
{
    initSodium();
    std::array<char, crypto_pwhash_STRBYTES> hash{};
    if (crypto_pwhash_str(hash.data(), password.data(), password.size(), kOpsLimit, kMemLimit)
        != 0) {
        // Only when the memory for the hash cannot be had.
        throw oraError(4030, {std::to_string(kMemLimit), "password hash", "argon2id"});
    }
    return hash.data();
}

using Digest = std::array<unsigned char, crypto_generichash_BYTES>;

// Verified logons of this process: hash -> keyed digest of the password that
// matched it. The key is random per process, so the digests are worthless
// outside it.
class VerifiedLogons {
public:
    bool contains(std::string_view stored, std::string_view password)
    {
        std::lock_guard lock(mutex_);
        auto found = digests_.find(std::string(stored));
        if (found == digests_.end())
            return false;
        Digest digest = digestOf(password);
        return sodium_memcmp(found->second.data(), digest.data(), digest.size()) == 0;
    }

    void add(std::string_view stored, std::string_view password)
    {
        std::lock_guard lock(mutex_);
        digests_[std::string(stored)] = digestOf(password);
    }

private:
    Digest digestOf(std::string_view password)
    {
        if (!keyed_) {
            randombytes_buf(key_.data(), key_.size());
            keyed_ = true;
        }
        Digest digest{};
        crypto_generichash(digest.data(), digest.size(),
                           reinterpret_cast<const unsigned char*>(password.data()), password.size(),
                           key_.data(), key_.size());
        return digest;
    }

    std::mutex mutex_;
    bool keyed_ = false;
    std::array<unsigned char, crypto_generichash_KEYBYTES> key_{};
    std::map<std::string, Digest, std::less<>> digests_;
};

VerifiedLogons& verifiedLogons()
{
    static VerifiedLogons logons;
    return logons;
}

// The default accounts' passwords are public knowledge, so their hashes,
// made once with the limits above, are the same in every file: a new file
// costs no hashing, and a logon with them needs no verification.
struct KnownHash {
    std::string_view password;
    std::string_view hash;
};
constexpr KnownHash kDefaultAccounts[] = {
    {"manager", "$argon2id$v=19$m=65536,t=2,p=1$aXA+o55iogKVd8cDa0Vwnw$VVC5riqyOLh3Kh18+"
                "J5ApmEnZbApR+6kt3dmA5VfM/o"},
    {"vexmoor", "$argon2id$v=19$m=65536,t=2,p=1$V7HMQ1PQcO3Wd46wq30rDw$Jm63G1YQ+zpXje6/"
                "S87sbdAwly93QgOOq89pQna0rPw"},
};

bool isKnownHash(std::string_view stored, std::string_view password)
{
    return std::any_of(
        std::begin(kDefaultAccounts), std::end(kDefaultAccounts),
        [&](const KnownHash& known) { return known.hash == stored && known.password == password; });
}

} // namespace

std::string hashPassword(std::string_view password)
{
    for (const KnownHash& known : kDefaultAccounts) {
        if (known.password == password)
            return std::string(known.hash);
    }
    std::string hash = hashNow(password);
    verifiedLogons().add(hash, password);
    return hash;
}

bool isPasswordHash(std::string_view stored)
{
    return stored.starts_with(crypto_pwhash_argon2id_STRPREFIX);
}

bool verifyPassword(std::string_view stored, std::string_view password)
{
    if (!isPasswordHash(stored))
        return false;
    if (isKnownHash(stored, password) || verifiedLogons().contains(stored, password))
        return true;
    initSodium();
    std::string hash(stored); // crypto_pwhash_str_verify wants it terminated
    if (crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) != 0)
        return false;
    verifiedLogons().add(stored, password);
    return true;
}

bool matchesClearPassword(std::string_view stored, std::string_view password)
{
    initSodium();
    return stored.size() == password.size()
           && sodium_memcmp(stored.data(), password.data(), stored.size()) == 0;
}

bool passwordHashOutdated(std::string_view stored)
{
    initSodium();
    std::string hash(stored);
    return crypto_pwhash_str_needs_rehash(hash.c_str(), kOpsLimit, kMemLimit) != 0;
}

} // namespace vexmoor::engine
