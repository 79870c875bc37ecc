#pragma once
// Shared helpers for the settings store and tool tests: a private device root, captured log
// lines, raw file access that bypasses the store, and the injectable file operations.
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileOps.h"
#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSPropertyListSerialization.h"
#include "platform/foundation/NSUserDefaults.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace settings_test {

// A fresh device root for one test, removed afterwards; log lines are collected, not printed.
class TempRoot {
public:
    TempRoot()
    {
        char pattern[] = "/tmp/glyphward-settings-XXXXXX";
        char* made = mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        path = made ? made : "";
        DeviceRoot::setPath(path);
        sink = NSLogAddSink([this](const std::string& message) { log.push_back(message); });
        NSLogSetStderrEnabled(false);
    }
    ~TempRoot()
    {
        NSLogRemoveSink(sink);
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    std::string preferences() const { return path + "/var/mobile/Library/Preferences"; }
    std::string file(const std::string& domain) const { return preferences() + "/" + domain + ".plist"; }
    bool logged(const std::string& fragment) const
    {
        for (const auto& line : log)
            if (line.find(fragment) != std::string::npos)
                return true;
        return false;
    }
    // Names in the preferences folder other than the plist files and their set-aside copies.
    std::vector<std::string> strayFiles() const
    {
        std::vector<std::string> stray;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(preferences(), error)) {
            std::string name = entry.path().filename();
            if (!name.ends_with(".plist") && !name.ends_with(".corrupt"))
                stray.push_back(name);
        }
        return stray;
    }

    std::string path;
    std::vector<std::string> log;
    int sink = 0;
};

inline std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::string& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The domain as it is on disk, read without the store; null when the file is missing or bad.
inline std::shared_ptr<NSDictionary> readDomainFile(const std::string& path)
{
    return std::dynamic_pointer_cast<NSDictionary>(NSPropertyListSerialization::propertyListWithData(readBytes(path)));
}

inline void writeDomainFile(const std::string& path, NSDictionary::Storage values, NSPropertyListSerialization::Format format)
{
    NSDictionary root(std::move(values));
    auto bytes = NSPropertyListSerialization::dataWithPropertyList(&root, format);
    ASSERT_TRUE(bytes.has_value());
    writeBytes(path, *bytes);
}

// A binary plist of `levels` arrays, each holding the next one `fanout` times, the last empty.
// Deep, it overflows a parser that recurses per level; with a fanout of two, a parser that copies
// each reference expands its few hundred bytes to 2^levels arrays.
inline std::string nestedArraysPlist(int levels, int fanout)
{
    const auto count = static_cast<std::uint64_t>(levels);
    const unsigned refSize = count > 65535 ? 4 : count > 255 ? 2 : 1;
    const auto bigEndian = [](std::uint64_t value, unsigned size) {
        std::string out;
        for (unsigned i = size; i > 0; --i)
            out += static_cast<char>((value >> (8 * (i - 1))) & 0xFF);
        return out;
    };
    std::string bytes = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (std::uint64_t i = 0; i < count; ++i) {
        offsets.push_back(bytes.size());
        if (i + 1 == count) {
            bytes += '\xA0';
            continue;
        }
        bytes += static_cast<char>(0xA0 | fanout);
        for (int f = 0; f < fanout; ++f)
            bytes += bigEndian(i + 1, refSize);
    }
    const std::uint64_t table = bytes.size();
    for (std::uint64_t offset : offsets)
        bytes += bigEndian(offset, 4);
    bytes += std::string(6, '\0') + static_cast<char>(4) + static_cast<char>(refSize);
    return bytes + bigEndian(count, 8) + bigEndian(0, 8) + bigEndian(table, 8);
}
inline std::string deepBinaryPlist(int levels) { return nestedArraysPlist(levels, 1); }
inline std::string sharedContainersPlist(int levels) { return nestedArraysPlist(levels, 2); }

// Why the store's file cannot be read now, or nothing when it reads (missing counts as read).
inline std::optional<std::string> readFailureOf(const NSUserDefaults& defaults)
{
    const Result<std::shared_ptr<NSDictionary>> read = defaults.readDictionary();
    return read.ok() ? std::nullopt : std::optional<std::string>(read.failure().message);
}

// Why an operation failed, or an empty string when it did what it was asked.
inline std::string failureText(const Result<void>& result) { return result.ok() ? std::string() : result.failure().message; }

// A store object of its own for a file, as another process or a later launch would have.
inline std::shared_ptr<NSUserDefaults> freshStore(const std::string& domain)
{
    return std::make_shared<NSUserDefaults>(domain, NSUserDefaults::pathForDomain(domain));
}

// Real file operations, except that the call numbered failAt (counting from 0 over the kinds
// that can fail: open, write, fsync, fchmod, rename, mkdir, flock, listDirectory) fails with EIO.
class FailingFileOps : public FileOps {
public:
    explicit FailingFileOps(int failAt) : failAt_(failAt) { }
    int open(const std::string& path, int flags, mode_t mode) override { return fails("open") ? -1 : FileOps::open(path, flags, mode); }
    ssize_t write(int fd, const void* buffer, size_t size) override
    {
        if (fails("write"))
            return -1;
        // Half of the bytes go out first, as a filling disk would let them.
        return FileOps::write(fd, buffer, size > 1 ? size / 2 : size);
    }
    int fsync(int fd) override { return fails("fsync") ? -1 : FileOps::fsync(fd); }
    int fchmod(int fd, mode_t mode) override { return fails("fchmod") ? -1 : FileOps::fchmod(fd, mode); }
    int rename(const std::string& from, const std::string& to) override
    {
        if (fails("rename"))
            return -1;
        int result = FileOps::rename(from, to);
        renamed_ = renamed_ || result == 0;
        return result;
    }
    int mkdir(const std::string& path, mode_t mode) override { return fails("mkdir") ? -1 : FileOps::mkdir(path, mode); }
    int flock(int fd, int operation) override { return fails("flock") ? -1 : FileOps::flock(fd, operation); }
    std::optional<std::vector<std::string>> listDirectory(const std::string& path) override
    {
        return fails("listDirectory") ? std::nullopt : FileOps::listDirectory(path);
    }

    int calls() const { return calls_; }
    const std::string& failed() const { return failed_; }
    // Whether a rename went through before the failure (the new file was then already in place).
    bool renamedBeforeFailure() const { return renamedBeforeFailure_; }

private:
    bool fails(const char* what)
    {
        if (calls_++ != failAt_)
            return false;
        failed_ = what;
        renamedBeforeFailure_ = renamed_;
        errno = EIO;
        return true;
    }
    int failAt_;
    int calls_ = 0;
    bool renamed_ = false;
    bool renamedBeforeFailure_ = false;
    std::string failed_;
};

} // namespace settings_test
