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
  # It has no PNG library here, so it writes BMP files only.
  set(render_tool_dir ${PROJECT_SOURCE_DIR}/tools/render)
  add_executable(dorvane-render ${render_tool_dir}/main.cpp ${render_tool_dir}/RenderTool.cpp
                 ${render_tool_dir}/Options.cpp ${render_tool_dir}/OutputFile.cpp
                 ${render_tool_dir}/CompositingDemo.cpp ${render_tool_dir}/DemoClock_windows.cpp
                 $<TARGET_OBJECTS:res_windows>)
  target_link_libraries(dorvane-render PRIVATE app render terrain gfx platform)
  # Each program's version information.
  foreach(program dorvane dorvane-render)
    set(DORVANE_EXE_NAME ${program})
    if(program STREQUAL "dorvane")
      set(DORVANE_EXE_DESCRIPTION "Dorvane, a 3-D landscape viewer")
    else()
      set(DORVANE_EXE_DESCRIPTION "Dorvane's stills renderer")
    endif()
    configure_file(${PROJECT_SOURCE_DIR}/dist/windows/version.rc.in
                   ${CMAKE_BINARY_DIR}/${program}-version.rc @ONLY)
    target_sources(${program} PRIVATE ${CMAKE_BINARY_DIR}/${program}-version.rc)
  endforeach()

  # The portable archive and the installer (scripts/windows package).
  set(stage ${CMAKE_BINARY_DIR}/stage/dorvane-${PROJECT_VERSION})
  configure_file(${PROJECT_SOURCE_DIR}/dist/windows/README.txt ${CMAKE_BINARY_DIR}/README.txt
                 @ONLY NEWLINE_STYLE WIN32)
  configure_file(${PROJECT_SOURCE_DIR}/dist/copyright ${CMAKE_BINARY_DIR}/LICENSE.txt
                 COPYONLY)
  set(zip ${CMAKE_BINARY_DIR}/dorvane-${PROJECT_VERSION}-win64.zip)
  set(setup ${CMAKE_BINARY_DIR}/dorvane-${PROJECT_VERSION}-setup.exe)
  add_custom_target(windows-package
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/stage ${zip} ${setup}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:dorvane> $<TARGET_FILE:dorvane-render>
            ${CMAKE_BINARY_DIR}/pelds.pal ${CMAKE_BINARY_DIR}/README.txt
            ${CMAKE_BINARY_DIR}/LICENSE.txt ${stage}
    COMMAND ${CMAKE_STRIP} ${stage}/dorvane.exe ${stage}/dorvane-render.exe
    COMMAND cd ${CMAKE_BINARY_DIR}/stage && zip -q -X -r ${zip} dorvane-${PROJECT_VERSION}
    COMMAND makensis -V2 -DVERSION=${PROJECT_VERSION} -DSTAGE=${stage} -DOUTFILE=${setup}
            ${PROJECT_SOURCE_DIR}/dist/windows/dorvane.nsi
    DEPENDS dorvane dorvane-render res_palette
    COMMENT "Writing the archive and the installer"
    VERBATIM)

  # The unit tests of the terrain, the camera, the caster, the surface, the palette and the
  # compositing, run under Wine with the expectations they have on the desktop; the surface's
  # resources come through the real resource calls, from the program's own script.
  file(GLOB gfx_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/gfx/*_test.cpp)
  add_executable(test-windows-units ${PROJECT_SOURCE_DIR}/tests/terrain/HeightMap_test.cpp
                 ${PROJECT_SOURCE_DIR}/tests/render/Camera_test.cpp
                 ${PROJECT_SOURCE_DIR}/tests/render/Caster_test.cpp ${gfx_tests}
                 $<TARGET_OBJECTS:res_windows>)
  target_link_libraries(test-windows-units PRIVATE app GTest::gtest GTest::gtest_main)
  add_dependencies(test-windows-units res_palette)
  target_include_directories(test-windows-units PRIVATE ${PROJECT_SOURCE_DIR}/tests)

  # The platform tests that state what the Windows calls do (tests/winapi), on the real calls,
  # with the program's resources for the templates they open.
  file(GLOB winapi_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/winapi/*.cpp)
  add_executable(test-winapi ${winapi_tests} $<TARGET_OBJECTS:res_windows>)
  target_link_libraries(test-winapi PRIVATE GTest::gtest GTest::gtest_main)
  target_include_directories(test-winapi PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR})
endfunction()
