# The Windows build, cross-compiled with mingw-w64 (cmake/mingw-w64.cmake; scripts/windows
# configures it): the program and the framework against the real <windows.h>, the resources
# compiled by windres from a script the desktop build's dorvane-rc writes, and the unit tests
# that do not need our platform layer, run under Wine as the cross-compiling emulator.

# The desktop build's resource writer turns res/ into a resource script (tools/rc).
set(DORVANE_RC_WRITER "" CACHE FILEPATH "The desktop build's dorvane-rc")
if(NOT EXISTS "${DORVANE_RC_WRITER}")
  message(FATAL_ERROR "DORVANE_RC_WRITER must name the desktop build's dorvane-rc")
endif()

enable_language(RC)
add_compile_definitions(NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
# Nothing but system libraries at run time: the compiler's own run-time libraries are linked in.
add_link_options(-static)

# GoogleTest from the sources Debian ships with it, built for Windows.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(target gtest gtest_main)
  target_compile_options(${target} PRIVATE -w)
endforeach()

function(dorvane_windows_targets)
  # The viewer: a window program, no console.
  add_executable(dorvane WIN32 $<TARGET_OBJECTS:app_object> $<TARGET_OBJECTS:platform_winmain>
                 $<TARGET_OBJECTS:res_windows>)
  target_link_libraries(dorvane PRIVATE app)
  # The stills renderer: a console program, with the same resources.
  add_executable(dorvane-render ${PROJECT_SOURCE_DIR}/tools/render/main.cpp
                 ${PROJECT_SOURCE_DIR}/tools/render/CompositingDemo.cpp
                 ${PROJECT_SOURCE_DIR}/tools/render/DemoClock_windows.cpp
                 $<TARGET_OBJECTS:res_windows>)
  target_link_libraries(dorvane-render PRIVATE app render terrain gfx platform)

  # The unit tests that need nothing of our platform layer (the terrain, the camera and the
  # caster), run under Wine with the expectations they have on the desktop.
  add_executable(test-windows-units ${PROJECT_SOURCE_DIR}/tests/terrain/HeightMap_test.cpp
                 ${PROJECT_SOURCE_DIR}/tests/render/Camera_test.cpp
                 ${PROJECT_SOURCE_DIR}/tests/render/Caster_test.cpp)
  target_link_libraries(test-windows-units PRIVATE render terrain GTest::gtest GTest::gtest_main)
  target_include_directories(test-windows-units PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endfunction()
