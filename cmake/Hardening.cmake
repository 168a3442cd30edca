# The programs read media from anyone: an optimised build carries Debian's
# hardening, as dpkg-buildflags gives it with hardening=+all, so that an
# overflow in a parser ends the program instead of running code. The
# sanitizer builds (Debug) go without: _FORTIFY_SOURCE needs optimisation,
# and AddressSanitizer checks more than it. A Debug build keeps the
# compiler's own PIE default (Debian's gcc makes PIE unasked).
if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES CXX)
endif()

set(SELVO_OPTIMISED "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
add_compile_options(
  "$<${SELVO_OPTIMISED}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>"
  "$<${SELVO_OPTIMISED}:-fstack-protector-strong;-fstack-clash-protection>"
  "$<${SELVO_OPTIMISED}:-Wformat;-Werror=format-security>")
if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|i.86")
  add_compile_options("$<${SELVO_OPTIMISED}:-fcf-protection>")
endif()
add_link_options("$<${SELVO_OPTIMISED}:LINKER:-z,relro,-z,now>")
