// A fresh directory under the system's temporary folder, removed with the object.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace testsupport
{
class TemporaryDirectory
{
public:
    explicit TemporaryDirectory(const std::string& prefix)
    {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                (prefix + "-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }

    ~TemporaryDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};
} // namespace testsupport
