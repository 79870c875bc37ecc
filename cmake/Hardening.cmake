# The hardening Debian builds its packages with (as `dpkg-buildflags` gives it): fortified libc
# calls, stack protection, and a relocation table made read-only at load with every symbol bound
# at start. Not with the sanitizers, which replace the same libc calls with checks of their own.
# _FORTIFY_SOURCE needs optimisation, so a debug build goes without it.
option(GLYPHWARD_HARDENING "Build with Debian's hardening flags" ON)
if(GLYPHWARD_HARDENING AND NOT GLYPHWARD_SANITIZE)
  add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security
    "$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
