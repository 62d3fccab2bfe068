#pragma once

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace vexmoor::test {

// A fresh folder of its own under the system's temporary folder, removed with
// its contents when the object dies. Made with mkdtemp, so two tests or two
// processes never share one. Failing to make it throws: a test or benchmark
// without its folder cannot go on.
class ScratchFolder {
public:
    explicit ScratchFolder(std::string_view prefix = "vexmoor-scratch")
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::system_error(errno, std::generic_category(), "cannot make " + pattern);
        path_ = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

} // namespace vexmoor::test
