# The browser build, configured with Emscripten's toolchain (scripts/web does it): the program
# as WebAssembly with WebAssembly SIMD, the page that runs it, and the caster's tests for node.

# The desktop build's glyph tool writes the text the browser draws (tools/glyphs).
set(DORVANE_BAKED_GLYPHS "" CACHE FILEPATH "Source file of baked glyphs written by dorvane-glyphs")
if(NOT EXISTS "${DORVANE_BAKED_GLYPHS}")
  message(FATAL_ERROR "DORVANE_BAKED_GLYPHS must name the file that dorvane-glyphs writes")
endif()

# The page loads the build without SIMD where the browser lacks it (scripts/web builds both).
# Every browser with SIMD also has the bulk memory instructions, which fill and copy memory
# at the machine's speed from the first call.
option(DORVANE_WEB_SIMD "Build the browser program with WebAssembly SIMD" ON)
if(DORVANE_WEB_SIMD)
  add_compile_options(-msimd128 -mbulk-memory)
  add_link_options(-mbulk-memory)
endif()
# As on the home platform, no object lies in the lowest 64 KiB of the address space, so that
# an integer resource or class name (MAKEINTRESOURCE) is never taken for a pointer.
add_link_options(-sGLOBAL_BASE=65536)

# GoogleTest from the sources Debian ships with it, built for WebAssembly (no threads here);
# it names its targets GTest::gtest and GTest::gtest_main itself.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Its code is not ours to hold to our warnings.
foreach(target gtest gtest_main)
  target_compile_options(${target} PRIVATE -w)
endforeach()

# The page's own files.
set(DORVANE_WEB_PAGE_DIR ${PROJECT_SOURCE_DIR}/dist/web)

function(dorvane_web_targets)
  # The viewer. Its modal loops wait by handing the browser its turn (ASYNCIFY); the palette
  # file lies in the virtual file system beside the executable's path. The page makes a new
  # instance for every run (createDorvane), from the module it compiled once.
  add_executable(dorvane $<TARGET_OBJECTS:app_object>)
  if(NOT DORVANE_WEB_SIMD)
    set_target_properties(dorvane PROPERTIES OUTPUT_NAME dorvane-scalar)
  endif()
  target_link_libraries(dorvane PRIVATE app platform_web)
  target_link_options(dorvane PRIVATE
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web
    -sINITIAL_MEMORY=67108864 -sMODULARIZE=1 -sEXPORT_NAME=createDorvane
    "SHELL:--embed-file ${PROJECT_SOURCE_DIR}/res/pelds.pal@/opt/dorvane/pelds.pal")
  file(GLOB page_files CONFIGURE_DEPENDS ${DORVANE_WEB_PAGE_DIR}/*.html ${DORVANE_WEB_PAGE_DIR}/*.css
       ${DORVANE_WEB_PAGE_DIR}/*.js)
  list(APPEND page_files ${PROJECT_SOURCE_DIR}/res/dorvane-32.png)
  # Copied whenever one of them changes, whether or not the program is linked again.
  set(page_copies)
  foreach(file ${page_files})
    get_filename_component(name ${file} NAME)
    string(REGEX REPLACE "-32\\.png$" ".png" name ${name})
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${name}
      COMMAND ${CMAKE_COMMAND} -E copy ${file} ${CMAKE_BINARY_DIR}/${name}
      DEPENDS ${file})
    list(APPEND page_copies ${CMAKE_BINARY_DIR}/${name})
  endforeach()
  add_custom_target(dorvane-page ALL DEPENDS ${page_copies})
  add_dependencies(dorvane dorvane-page)

  # The stills renderer, for timing frames as the browser draws them (scripts/web bench). Its
  # caller makes the executable's path and runs it with a command line. It has no PNG library
  # here, so it writes BMP files only.
  set(render_tool_dir ${PROJECT_SOURCE_DIR}/tools/render)
  add_executable(dorvane-render ${render_tool_dir}/main.cpp ${render_tool_dir}/RenderTool.cpp
                 ${render_tool_dir}/Options.cpp ${render_tool_dir}/OutputFile.cpp
                 ${render_tool_dir}/CompositingDemo.cpp ${render_tool_dir}/DemoClock.cpp)
  target_link_libraries(dorvane-render PRIVATE app render terrain gfx platform)
  target_link_options(dorvane-render PRIVATE -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web,node
    -sINVOKE_RUN=0 "-sEXPORTED_RUNTIME_METHODS=['FS','callMain']"
    "SHELL:--embed-file ${PROJECT_SOURCE_DIR}/res/pelds.pal@/opt/dorvane/pelds.pal")

  # The caster's tests, run by node, against the caster as the browser runs it.
  file(GLOB render_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/render/*.cpp)
  add_executable(test-render ${render_tests})
  target_link_libraries(test-render PRIVATE render GTest::gtest GTest::gtest_main)
  target_include_directories(test-render PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_options(test-render PRIVATE -sENVIRONMENT=node -sALLOW_MEMORY_GROWTH=1
    -sEXIT_RUNTIME=1)
  add_test(NAME web.caster COMMAND node --no-experimental-fetch $<TARGET_FILE:test-render>)
  set_tests_properties(web.caster PROPERTIES LABELS web)
endfunction()
