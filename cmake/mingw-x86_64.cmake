# The same program for 64-bit Windows. The release is the i686 build; this
# one is for hosts that cannot execute 32-bit x86 code at all (kernels
# without IA-32 emulation), where Wine runs only 64-bit programs natively.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
