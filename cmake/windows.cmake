# The Windows platform layer, included by the top-level CMakeLists.txt when
# the target is Windows (the cross build of build-windows.sh): Win32 and GDI
# for the window, the Windows Imaging Component for PNG, the Audio
# Compression Manager for MP3 and waveOut for the sound card. Nothing of
# SDL2, libpng or libmpg123 is linked.

set(vdk_platform_sources core/audio_waveout.cpp core/mp3_decoder_acm.cpp core/png_chunks.cpp core/texture_png_wic.cpp
  core/window_win32.cpp)
set(vdk_platform_public_libs)
set(vdk_platform_private_libs windowscodecs ole32 msacm32 winmm gdi32 user32)

# M_PI in <cmath>; no min/max macros from <windows.h>.
add_compile_definitions(_USE_MATH_DEFINES NOMINMAX WIN32_LEAN_AND_MEAN)

# The asset generator is a host tool: its data folder is copied beside the exe.
set(vdk_platform_skipped_tools assets)

# GoogleTest from Debian's source package, built for the target; an empty
# package file lets the tests' find_package(GTest) find these targets.
set(VELDRAKIN_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to build for Windows")
if(VELDRAKIN_TESTS)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VELDRAKIN_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()
  set(vdk_gtest_config_dir ${CMAKE_BINARY_DIR}/gtest-config)
  file(WRITE ${vdk_gtest_config_dir}/GTestConfig.cmake
    "# GoogleTest is built in this tree (cmake/windows.cmake).\n")
  set(GTest_DIR ${vdk_gtest_config_dir} CACHE PATH "" FORCE)
endif()
