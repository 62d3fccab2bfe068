#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace vexmoor::base {

// The user's settings store, by section and entry. A missing value reads as
// the default given. The program keeps it in QSettings; tests and tools use
// the in-memory one below, so nothing ever touches a real user's profile.
class Profile {
public:
    virtual ~Profile() = default;

    virtual int getProfileInt(std::string_view section, std::string_view entry,
                              int defaultValue) const = 0;
    virtual std::string getProfileString(std::string_view section, std::string_view entry,
                                         std::string_view defaultValue = {}) const = 0;
    virtual void writeProfileInt(std::string_view section, std::string_view entry, int value) = 0;
    virtual void writeProfileString(std::string_view section, std::string_view entry,
                                    std::string_view value) = 0;
    // Puts what was written where the next run reads it, now (the fatal
    // report ends the process without the usual shutdown).
    virtual void flush() {}
};

class MemoryProfile final : public Profile {
public:
    int getProfileInt(std::string_view section, std::string_view entry,
                      int defaultValue) const override
    {
        auto found = values_.find(key(section, entry));
        if (found == values_.end())
            return defaultValue;
        try {
            return std::stoi(found->second);
        } catch (...) {
            return defaultValue;
        }
    }
    std::string getProfileString(std::string_view section, std::string_view entry,
                                 std::string_view defaultValue = {}) const override
    {
        auto found = values_.find(key(section, entry));
        return found == values_.end() ? std::string(defaultValue) : found->second;
    }
    void writeProfileInt(std::string_view section, std::string_view entry, int value) override
    {
        values_[key(section, entry)] = std::to_string(value);
    }
    void writeProfileString(std::string_view section, std::string_view entry,
                            std::string_view value) override
    {
        values_[key(section, entry)] = std::string(value);
    }

    bool contains(std::string_view section, std::string_view entry) const
    {
        return values_.count(key(section, entry)) != 0;
    }
    std::size_t size() const { return values_.size(); }

private:
    using KeyType = std::pair<std::string, std::string>;
    static KeyType key(std::string_view section, std::string_view entry)
    {
        return {std::string(section), std::string(entry)};
    }
    std::map<KeyType, std::string> values_;
};

} // namespace vexmoor::base
