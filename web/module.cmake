# The show's module for the page, included at the end of the top-level list
# (cmake/web.cmake): the entry (main_web.cpp), the render tool's benchmark
# for the page's test interface, and the page's own files copied beside the
# module. build-web.sh builds it twice (with and without threads) and adds
# the data package.

# The desktop entry runs a blocking loop, which a page cannot.
set_target_properties(veldrakin PROPERTIES EXCLUDE_FROM_ALL TRUE)

set(render_dir ${CMAKE_SOURCE_DIR}/tools/render)
set(web_render_sources ${render_dir}/bench.cpp ${render_dir}/bench_command.cpp ${render_dir}/json.cpp
  ${render_dir}/options.cpp ${render_dir}/show_data.cpp ${render_dir}/interrupt.cpp)
add_executable(veldrakin_web ${CMAKE_SOURCE_DIR}/web/main_web.cpp ${web_render_sources})
target_link_libraries(veldrakin_web PRIVATE veldrakin_show)
target_compile_definitions(veldrakin_web PRIVATE VDK_BUILD_TYPE="${CMAKE_BUILD_TYPE}")
# The render tool reports its failures as exceptions; only these files catch
# or throw them, so only these pay for it.
target_compile_options(veldrakin_web PRIVATE -fexceptions)

if(VELDRAKIN_WEB_THREADS)
  set(web_variant mt)
  # Three shows can have their band workers (up to three each) at once: the
  # one playing, the one drawing the test interface's frames and the
  # benchmark's. A pool that runs dry fails loudly rather than waiting for a
  # worker that a busy page thread would never let start.
  set(web_thread_options -sPTHREAD_POOL_SIZE=9 -sPTHREAD_POOL_SIZE_STRICT=2)
else()
  set(web_variant st)
  set(web_thread_options)
endif()
set(web_exports _main _vdk_music_key _vdk_start _vdk_position _vdk_frame _vdk_bench)
string(REPLACE ";" "," web_exports "${web_exports}")
target_link_options(veldrakin_web PRIVATE
  -fexceptions
  -sENVIRONMENT=web,worker
  -sEXPORTED_FUNCTIONS=${web_exports}
  -sEXPORTED_RUNTIME_METHODS=FS,UTF8ToString
  -sFORCE_FILESYSTEM=1
  -sEXIT_RUNTIME=0
  -sALLOW_MEMORY_GROWTH=1
  -sINITIAL_MEMORY=134217728
  -sMAXIMUM_MEMORY=1073741824
  ${web_thread_options})
set_target_properties(veldrakin_web PROPERTIES OUTPUT_NAME veldrakin-${web_variant} SUFFIX .js
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/site)

foreach(page_file index.html page.js isolation-worker.js)
  configure_file(${CMAKE_SOURCE_DIR}/web/${page_file} ${CMAKE_BINARY_DIR}/site/${page_file} COPYONLY)
endforeach()

# The PNG loader's digests of a folder, run under node (the real file
# system, the module inside the script) by tests/web against the desktop
# build's; built on demand in the tree without threads, as is the next one.
if(NOT VELDRAKIN_WEB_THREADS)
  add_executable(picture_digests_web EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tests/web/picture_digests.cpp)
  target_link_libraries(picture_digests_web PRIVATE vdk_core)
  target_link_options(picture_digests_web PRIVATE -sENVIRONMENT=node -sNODERAWFS=1 -sSINGLE_FILE=1
    -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1)
  set_target_properties(picture_digests_web PROPERTIES SUFFIX .js)

  # The SIMD128 lane operations against the scalar ones, run under node by
  # tests/web.
  add_executable(lane_operations_web EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tests/web/lane_operations_web.cpp
    ${CMAKE_SOURCE_DIR}/effects/rounded_math.cpp)
  target_include_directories(lane_operations_web PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_options(lane_operations_web PRIVATE -sENVIRONMENT=node -sSINGLE_FILE=1 -sALLOW_MEMORY_GROWTH=1
    -sEXIT_RUNTIME=1)
  set_target_properties(lane_operations_web PROPERTIES SUFFIX .js)
endif()
