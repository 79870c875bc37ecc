#pragma once
// A folder of the running test's own under the temporary directory, made empty at construction
// and removed with everything in it at destruction; the process id keeps parallel runs apart.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

class ScratchDirectory {
public:
    explicit ScratchDirectory(const std::string& prefix)
        : path_(std::filesystem::temp_directory_path()
              / (prefix + "-" + std::to_string(::getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name()))
    {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};
