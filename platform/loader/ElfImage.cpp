#include "platform/loader/ElfImage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Header = ElfW(Ehdr);
using ProgramHeader = ElfW(Phdr);
using DynamicEntry = ElfW(Dyn);
using NoteHeader = ElfW(Nhdr);

// Bounds on what is read into memory: far above what any library carries, far below harm.
constexpr std::uint64_t maximumDynamicSize = 64 * 1024;
constexpr std::uint64_t maximumNoteSize = 64 * 1024;
constexpr std::uint64_t maximumNameLength = 4096;

// Whether [offset, offset + length) lies inside a file of the size, without overflow.
bool within(std::uint64_t offset, std::uint64_t length, std::uint64_t size)
{
    return offset <= size && length <= size - offset;
}

std::uint64_t saturatingEnd(std::uint64_t offset, std::uint64_t length)
{
    return length > UINT64_MAX - offset ? UINT64_MAX : offset + length;
}

std::uint64_t alignUp(std::uint64_t value, std::uint64_t align) { return (value + align - 1) / align * align; }

// The ELF header of the platform library as mapped in this process: the class, byte order and
// machine that a library must share to be loaded here.
const Header* processHeader()
{
    static const char anchor = 0;
    Dl_info info {};
    if (::dladdr(&anchor, &info) == 0 || !info.dli_fbase)
        return nullptr;
    const auto* header = static_cast<const Header*>(info.dli_fbase);
    return std::memcmp(header->e_ident, ELFMAG, SELFMAG) == 0 ? header : nullptr;
}

} // namespace

ElfImage::ElfImage(int fd)
    : fd_(fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        fail(std::string("cannot be examined (") + std::strerror(errno) + ")");
        return;
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
    (void)(readHeader() && readSegments() && readDynamic() && readNotes());
}

std::optional<std::string> ElfImage::note(const std::string& owner, std::uint32_t type) const
{
    for (const Note& n : notes_)
        if (n.owner == owner && n.type == type)
            return n.text;
    return std::nullopt;
}

bool ElfImage::fail(std::string reason)
{
    problem_ = std::move(reason);
    return false;
}

bool ElfImage::readAt(std::uint64_t offset, void* buffer, std::uint64_t size) const
{
    if (!within(offset, size, size_))
        return false;
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t n = ::pread(fd_, out, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        out += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::uint64_t>(n);
    }
    return true;
}

bool ElfImage::readHeader()
{
    Header header {};
    if (size_ < sizeof header || !readAt(0, &header, sizeof header))
        return fail("is too short to be a library");
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0)
        return fail("is not an ELF file");
    const Header* own = processHeader();
    if (!own)
        return fail("cannot be compared with this process (its own header is not readable)");
    if (header.e_ident[EI_CLASS] != own->e_ident[EI_CLASS] || header.e_ident[EI_DATA] != own->e_ident[EI_DATA]
        || header.e_machine != own->e_machine)
        return fail("is built for another kind of machine");
    if (header.e_ident[EI_VERSION] != EV_CURRENT || header.e_version != EV_CURRENT)
        return fail("has an unknown ELF version");
    if (header.e_type != ET_DYN)
        return fail("is not a shared library");
    if (header.e_phentsize != sizeof(ProgramHeader) || header.e_phnum == 0 || header.e_phnum == PN_XNUM)
        return fail("has malformed program headers");
    if (!within(header.e_phoff, std::uint64_t { header.e_phnum } * sizeof(ProgramHeader), size_))
        return fail("is truncated: its program headers end past the end of the file");
    phoff_ = header.e_phoff;
    phnum_ = header.e_phnum;
    return true;
}

bool ElfImage::readSegments()
{
    bool loadable = false;
    for (std::uint16_t i = 0; i < phnum_; ++i) {
        ProgramHeader ph {};
        if (!readAt(phoff_ + std::uint64_t { i } * sizeof ph, &ph, sizeof ph))
            return fail("has unreadable program headers");
        // Every byte the dynamic linker maps or reads must be in the file.
        if (ph.p_filesz > 0 && !within(ph.p_offset, ph.p_filesz, size_))
            return fail("is truncated: segment " + std::to_string(i) + " needs bytes up to "
                + std::to_string(saturatingEnd(ph.p_offset, ph.p_filesz)) + ", the file has "
                + std::to_string(size_));
        if (ph.p_type == PT_LOAD) {
            if (ph.p_filesz > ph.p_memsz)
                return fail("has a segment larger in the file than in memory");
            loadable = true;
        }
        segments_.push_back({ ph.p_type, ph.p_offset, ph.p_vaddr, ph.p_filesz, ph.p_memsz, ph.p_align });
    }
    return loadable || fail("has no loadable segment");
}

bool ElfImage::fileOffsetOf(std::uint64_t address, std::uint64_t& offset) const
{
    for (const Segment& s : segments_)
        if (s.type == PT_LOAD && address >= s.address && address - s.address < s.fileSize) {
            offset = s.offset + (address - s.address);
            return true;
        }
    return false;
}

bool ElfImage::readDynamic()
{
    const Segment* dynamic = nullptr;
    for (const Segment& s : segments_)
        if (s.type == PT_DYNAMIC && !dynamic)
            dynamic = &s;
    if (!dynamic)
        return fail("has no dynamic section");
    if (dynamic->fileSize > maximumDynamicSize)
        return fail("has an oversized dynamic section");
    std::vector<DynamicEntry> entries(dynamic->fileSize / sizeof(DynamicEntry));
    if (!readAt(dynamic->offset, entries.data(), entries.size() * sizeof(DynamicEntry)))
        return fail("has an unreadable dynamic section");

    std::vector<std::uint64_t> neededOffsets;
    std::uint64_t stringsAddress = 0, stringsSize = 0;
    bool haveStrings = false;
    for (const DynamicEntry& entry : entries) {
        if (entry.d_tag == DT_NULL)
            break;
        if (entry.d_tag == DT_NEEDED)
            neededOffsets.push_back(entry.d_un.d_val);
        else if (entry.d_tag == DT_STRTAB) {
            stringsAddress = entry.d_un.d_ptr;
            haveStrings = true;
        } else if (entry.d_tag == DT_STRSZ)
            stringsSize = entry.d_un.d_val;
    }
    if (neededOffsets.empty())
        return true;
    std::uint64_t stringsOffset = 0;
    if (!haveStrings || !fileOffsetOf(stringsAddress, stringsOffset) || !within(stringsOffset, stringsSize, size_))
        return fail("has a malformed dynamic section");
    for (const std::uint64_t at : neededOffsets) {
        if (at >= stringsSize)
            return fail("has a malformed dynamic section");
        std::string name(std::min(stringsSize - at, maximumNameLength), '\0');
        if (!readAt(stringsOffset + at, name.data(), name.size()) || name.find('\0') == std::string::npos)
            return fail("has a malformed dynamic section");
        name.resize(name.find('\0'));
        needed_.push_back(std::move(name));
    }
    return true;
}

bool ElfImage::readNotes()
{
    for (const Segment& s : segments_) {
        if (s.type != PT_NOTE)
            continue;
        if (s.fileSize > maximumNoteSize)
            return fail("has an oversized note segment");
        std::string bytes(s.fileSize, '\0');
        if (!readAt(s.offset, bytes.data(), bytes.size()))
            return fail("has an unreadable note segment");
        // Notes are padded to the segment's alignment: 4 bytes, or 8 for some GNU notes.
        const std::uint64_t align = s.align == 8 ? 8 : 4;
        std::uint64_t at = 0;
        while (bytes.size() - at >= sizeof(NoteHeader)) {
            NoteHeader header {};
            std::memcpy(&header, bytes.data() + at, sizeof header);
            const std::uint64_t textAt = alignUp(at + sizeof header + header.n_namesz, align);
            const std::uint64_t next = alignUp(textAt + header.n_descsz, align);
            if (!within(at + sizeof header, header.n_namesz, bytes.size()) || !within(textAt, header.n_descsz, bytes.size()))
                return fail("has a malformed note");
            Note note;
            note.owner.assign(bytes, at + sizeof header, header.n_namesz);
            note.type = header.n_type;
            note.text.assign(bytes, textAt, header.n_descsz);
            while (!note.owner.empty() && note.owner.back() == '\0')
                note.owner.pop_back();
            while (!note.text.empty() && note.text.back() == '\0')
                note.text.pop_back();
            notes_.push_back(std::move(note));
            if (next > bytes.size())
                break;
            at = next;
        }
    }
    return true;
}
