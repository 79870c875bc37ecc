#include "platform/backends/X11ShmFramebuffer.h"

#include <SDL.h>
#include <SDL_syswm.h>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <bit>
#include <cstddef>
#include <cstdlib>
#include <optional>

#if defined(SDL_VIDEO_DRIVER_X11)

namespace {

// X's largest window side; also keeps the byte count far from overflowing.
constexpr int kLargestSide = 32767;

template<typename Reply> struct FreeReply {
    void operator()(Reply* reply) const { std::free(reply); }
};
template<typename Reply> using ReplyPtr = std::unique_ptr<Reply, FreeReply<Reply>>;

// Memory is handed over as a file descriptor, which only a Unix socket carries: a display
// reached over TCP (a forwarded one, or a local name that fell back to TCP) keeps SDL's surface.
bool overUnixSocket(xcb_connection_t* connection)
{
    sockaddr_storage address {};
    socklen_t length = sizeof address;
    const int fd = xcb_get_file_descriptor(connection);
    return fd >= 0 && getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0 && address.ss_family == AF_UNIX;
}

// Whether the extension takes memory as a file descriptor (version 1.2 on).
bool takesFileDescriptors(xcb_connection_t* connection)
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_shm_id);
    if (!extension || !extension->present)
        return false;
    const ReplyPtr<xcb_shm_query_version_reply_t> version(
        xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr));
    return version && (version->major_version > 1 || (version->major_version == 1 && version->minor_version >= 2));
}

const xcb_visualtype_t* findVisual(const xcb_setup_t* setup, xcb_visualid_t id)
{
    for (auto screen = xcb_setup_roots_iterator(setup); screen.rem; xcb_screen_next(&screen))
        for (auto depth = xcb_screen_allowed_depths_iterator(screen.data); depth.rem; xcb_depth_next(&depth))
            for (auto visual = xcb_depth_visuals_iterator(depth.data); visual.rem; xcb_visualtype_next(&visual))
                if (visual.data->visual_id == id)
                    return visual.data;
    return nullptr;
}

int bitsPerPixel(const xcb_setup_t* setup, std::uint8_t depth)
{
    for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem; xcb_format_next(&format))
        if (format.data->depth == depth)
            return format.data->bits_per_pixel;
    return 0;
}

// The window's pixels are Cairo's RGB24 as they lie in memory: 32 bits a pixel, red, green and
// blue in the low three bytes of a word in this machine's byte order. Its depth, or nothing.
std::optional<std::uint8_t> cairoLayoutDepth(xcb_connection_t* connection, xcb_window_t window)
{
    const ReplyPtr<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr));
    const ReplyPtr<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    const xcb_setup_t* setup = xcb_get_setup(connection);
    if (!attributes || !geometry || !setup)
        return std::nullopt;
    const xcb_visualtype_t* visual = findVisual(setup, attributes->visual);
    const bool nativeOrder = (setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) == (std::endian::native == std::endian::little);
    // SDL takes a DirectColor visual where there is one and fills its colour map in a straight
    // ramp, so its pixels mean what TrueColor's do.
    const bool colour = visual && (visual->_class == XCB_VISUAL_CLASS_TRUE_COLOR || visual->_class == XCB_VISUAL_CLASS_DIRECT_COLOR);
    if (!colour || visual->red_mask != 0xff0000u || visual->green_mask != 0xff00u
        || visual->blue_mask != 0xffu || bitsPerPixel(setup, geometry->depth) != 32 || !nativeOrder)
        return std::nullopt;
    return geometry->depth;
}

} // namespace

struct X11ShmFramebuffer::Impl {
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = 0;
    xcb_gcontext_t context = 0;
    std::uint8_t depth = 0;
    WindowSize size;
    unsigned char* pixels = nullptr;
    std::size_t bytes = 0;
    xcb_shm_seg_t segment = 0;
    // The round trip asked for after the last update: answered once the server has taken it.
    std::optional<xcb_get_input_focus_cookie_t> pending;

    ~Impl()
    {
        release();
        if (context)
            xcb_free_gc(connection, context);
        xcb_flush(connection);
    }

    void settle()
    {
        if (!pending)
            return;
        const ReplyPtr<xcb_get_input_focus_reply_t> answer(xcb_get_input_focus_reply(connection, *pending, nullptr));
        pending.reset();
    }

    void release()
    {
        settle();
        if (segment)
            xcb_shm_detach(connection, segment);
        if (pixels)
            munmap(pixels, bytes);
        segment = 0;
        pixels = nullptr;
        bytes = 0;
        size = {};
    }

    bool allocate(WindowSize wanted)
    {
        release();
        if (wanted.width <= 0 || wanted.height <= 0 || wanted.width > kLargestSide || wanted.height > kLargestSide)
            return false;
        const std::size_t length = static_cast<std::size_t>(wanted.width) * 4 * static_cast<std::size_t>(wanted.height);
        const int fd = memfd_create("glyphward-window", MFD_CLOEXEC);
        if (fd < 0)
            return false;
        void* mapped = ftruncate(fd, static_cast<off_t>(length)) == 0 ? mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                                                                       : MAP_FAILED;
        if (mapped == MAP_FAILED) {
            close(fd);
            return false;
        }
        // The connection closes the descriptor once it has sent it; the mapping stays ours.
        const xcb_shm_seg_t id = xcb_generate_id(connection);
        const ReplyPtr<xcb_generic_error_t> error(xcb_request_check(connection, xcb_shm_attach_fd_checked(connection, id, fd, 1)));
        if (error || xcb_connection_has_error(connection)) {
            munmap(mapped, length);
            return false;
        }
        segment = id;
        pixels = static_cast<unsigned char*>(mapped);
        bytes = length;
        size = wanted;
        return true;
    }
};

std::unique_ptr<X11ShmFramebuffer> X11ShmFramebuffer::create(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display)
        return nullptr;
    xcb_connection_t* connection = XGetXCBConnection(info.info.x11.display);
    if (!connection || xcb_connection_has_error(connection) || !overUnixSocket(connection) || !takesFileDescriptors(connection))
        return nullptr;
    const auto xwindow = static_cast<xcb_window_t>(info.info.x11.window);
    const auto depth = cairoLayoutDepth(connection, xwindow);
    if (!depth)
        return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->connection = connection;
    impl->window = xwindow;
    impl->depth = *depth;
    // No GraphicsExposure or NoExposure event for every update.
    impl->context = xcb_generate_id(connection);
    const std::uint32_t noExposures = 0;
    const ReplyPtr<xcb_generic_error_t> error(
        xcb_request_check(connection, xcb_create_gc_checked(connection, impl->context, xwindow, XCB_GC_GRAPHICS_EXPOSURES, &noExposures)));
    if (error) {
        impl->context = 0;
        return nullptr;
    }
    return std::unique_ptr<X11ShmFramebuffer>(new X11ShmFramebuffer(std::move(impl)));
}

unsigned char* X11ShmFramebuffer::pixels(WindowSize size)
{
    if (xcb_connection_has_error(impl_->connection))
        return nullptr;
    if (!(size == impl_->size) && !impl_->allocate(size))
        return nullptr;
    impl_->settle();
    return impl_->pixels;
}

int X11ShmFramebuffer::stride() const { return impl_->size.width * 4; }

bool X11ShmFramebuffer::update(const PixelRect& part)
{
    Impl& s = *impl_;
    const PixelRect sent = part.intersected({ 0, 0, s.size.width, s.size.height });
    if (!s.pixels || sent.isEmpty() || xcb_connection_has_error(s.connection))
        return false;
    const auto u16 = [](int value) { return static_cast<std::uint16_t>(value); };
    const auto i16 = [](int value) { return static_cast<std::int16_t>(value); };
    xcb_shm_put_image(s.connection, s.window, s.context, u16(s.size.width), u16(s.size.height), u16(sent.x), u16(sent.y),
        u16(sent.width), u16(sent.height), i16(sent.x), i16(sent.y), s.depth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, s.segment, 0);
    s.pending = xcb_get_input_focus(s.connection);
    xcb_flush(s.connection);
    return true;
}

#else

struct X11ShmFramebuffer::Impl { };

std::unique_ptr<X11ShmFramebuffer> X11ShmFramebuffer::create(SDL_Window*) { return nullptr; }
unsigned char* X11ShmFramebuffer::pixels(WindowSize) { return nullptr; }
int X11ShmFramebuffer::stride() const { return 0; }
bool X11ShmFramebuffer::update(const PixelRect&) { return false; }

#endif

X11ShmFramebuffer::X11ShmFramebuffer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) { }

X11ShmFramebuffer::~X11ShmFramebuffer() = default;
