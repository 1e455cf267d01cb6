# The web platform layer, included by the top-level CMakeLists.txt when the
# target is WebAssembly (emscripten; the build of build-web.sh): the page's
# canvas and key and mouse events for the window, Web Audio for the sound,
# the browser's decoder for MP3 (the page decodes the track, see
# web/page.js) and stb_image compiled in for PNG. Nothing of SDL2, libpng or
# libmpg123 is linked. The entry and the page are in web/.
#
# VELDRAKIN_WEB_THREADS builds the band workers as real threads (pthreads on
# Web Workers over shared memory, for cross-origin-isolated pages); without
# it, the bands run one after the other on the page's thread.

option(VELDRAKIN_WEB_THREADS "Band workers on threads (needs a cross-origin-isolated page)" ON)

set(vdk_platform_sources core/audio_web.cpp core/mp3_decoder_web.cpp core/png_chunks.cpp
  core/texture_png_web.cpp core/window_web.cpp)
set(vdk_platform_public_libs)
set(vdk_platform_private_libs)

# Neither tool runs in a page: the data comes from the desktop build's
# generator, and the page offers the renderer's frames and benchmark itself.
set(vdk_platform_skipped_tools assets render)

# stb_image from Debian's libstb-dev: its folder alone, since /usr/include also
# holds the host's C library headers.
set(VELDRAKIN_STB_INCLUDE /usr/include/stb CACHE PATH "Folder of stb_image.h")
if(NOT EXISTS ${VELDRAKIN_STB_INCLUDE}/stb_image.h)
  message(FATAL_ERROR "no stb_image.h in ${VELDRAKIN_STB_INCLUDE} (Debian package libstb-dev)")
endif()
set_property(SOURCE core/texture_png_web.cpp APPEND PROPERTY INCLUDE_DIRECTORIES ${VELDRAKIN_STB_INCLUDE})

# WebAssembly's 128-bit vectors everywhere.
add_compile_options(-msimd128)
if(VELDRAKIN_WEB_THREADS)
  add_compile_options(-pthread)
  add_link_options(-pthread)
endif()

# The entry and the page's files, once every library target exists.
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL include ${CMAKE_SOURCE_DIR}/web/module.cmake)
