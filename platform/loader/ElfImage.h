#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the dynamic linker would read of a shared library, read first from an open descriptor
// and checked against the file's size, so that a cut-short or foreign file is turned away before
// anything maps it (a mapped page past the end of a file is a SIGBUS, not an error).
class ElfImage {
public:
    // Reads the headers of the file open at fd with pread; the descriptor's offset is untouched.
    explicit ElfImage(int fd);

    // Why the file cannot be loaded into this process safely, or an empty string when it can.
    const std::string& problem() const { return problem_; }
    // The libraries it names in DT_NEEDED, in order.
    const std::vector<std::string>& neededLibraries() const { return needed_; }
    // The text of the first note with this owner and type in its PT_NOTE segments, trailing
    // NULs removed; none when it carries no such note.
    std::optional<std::string> note(const std::string& owner, std::uint32_t type) const;

private:
    struct Note {
        std::string owner;
        std::uint32_t type = 0;
        std::string text;
    };

    bool readHeader();
    bool readSegments();
    bool readDynamic();
    bool readNotes();
    bool readAt(std::uint64_t offset, void* buffer, std::uint64_t size) const;
    bool fileOffsetOf(std::uint64_t address, std::uint64_t& offset) const;
    bool fail(std::string reason);

    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::string problem_;
    std::vector<std::string> needed_;
    std::vector<Note> notes_;
    std::uint64_t phoff_ = 0;
    std::uint16_t phnum_ = 0;
    struct Segment {
        std::uint32_t type = 0;
        std::uint64_t offset = 0, address = 0, fileSize = 0, memorySize = 0, align = 0;
    };
    std::vector<Segment> segments_;
};
