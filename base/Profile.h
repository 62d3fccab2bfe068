#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

// The user's settings store, by section and entry. A missing value reads as
// the default given. The program keeps it in QSettings; tests and tools use
// the in-memory one below, so nothing ever touches a real user's profile.
class Profile {
public:
    virtual ~Profile() = default;

    virtual int GetProfileInt(std::string_view section, std::string_view entry,
                              int defaultValue) const = 0;
    virtual std::string GetProfileString(std::string_view section, std::string_view entry,
                                         std::string_view defaultValue = {}) const = 0;
    virtual void WriteProfileInt(std::string_view section, std::string_view entry, int value) = 0;
    virtual void WriteProfileString(std::string_view section, std::string_view entry,
                                    std::string_view value) = 0;
    // Puts what was written where the next run reads it, now (the fatal
    // report ends the process without the usual shutdown).
    virtual void flush() {}
};

class MemoryProfile final : public Profile {
public:
    int GetProfileInt(std::string_view section, std::string_view entry,
                      int defaultValue) const override
    {
        auto found = m_values.find(Key(section, entry));
        if (found == m_values.end())
            return defaultValue;
        try {
            return std::stoi(found->second);
        } catch (...) {
            return defaultValue;
        }
    }
    std::string GetProfileString(std::string_view section, std::string_view entry,
                                 std::string_view defaultValue = {}) const override
    {
        auto found = m_values.find(Key(section, entry));
        return found == m_values.end() ? std::string(defaultValue) : found->second;
    }
    void WriteProfileInt(std::string_view section, std::string_view entry, int value) override
    {
        m_values[Key(section, entry)] = std::to_string(value);
    }
    void WriteProfileString(std::string_view section, std::string_view entry,
                            std::string_view value) override
    {
        m_values[Key(section, entry)] = std::string(value);
    }

    bool Contains(std::string_view section, std::string_view entry) const
    {
        return m_values.count(Key(section, entry)) != 0;
    }
    std::size_t Size() const { return m_values.size(); }

private:
    using KeyType = std::pair<std::string, std::string>;
    static KeyType Key(std::string_view section, std::string_view entry)
    {
        return {std::string(section), std::string(entry)};
    }
    std::map<KeyType, std::string> m_values;
};
