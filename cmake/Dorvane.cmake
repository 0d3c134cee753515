# dorvane_library(NAME DIR [DEPS ...]): a static library of every .cpp in DIR.
# The project's root is on the include path, so code includes "terrain/HeightMap.h".
function(dorvane_library name dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# dorvane_copy_palette(TARGET): puts the palette file beside the target's executable,
# where the program looks for it.
function(dorvane_copy_palette target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
            ${PROJECT_SOURCE_DIR}/res/pelds.pal $<TARGET_FILE_DIR:${target}>/pelds.pal)
endfunction()

# dorvane_test(NAME DIR [LIBS ...] [IMPOSSIBLE_ALLOCATIONS FILTER]): one GoogleTest executable
# of every .cpp in DIR. The tests that FILTER (a GoogleTest filter) names ask the allocator for
# more than it can give on purpose; the sanitizer's allocator may return null for them alone.
function(dorvane_test name dir)
  cmake_parse_arguments(ARG "" "IMPOSSIBLE_ALLOCATIONS" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  if(ARG_IMPOSSIBLE_ALLOCATIONS)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                         WORKING_DIRECTORY $<TARGET_FILE_DIR:${name}>
                         TEST_FILTER "-${ARG_IMPOSSIBLE_ALLOCATIONS}")
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                         WORKING_DIRECTORY $<TARGET_FILE_DIR:${name}>
                         TEST_FILTER "${ARG_IMPOSSIBLE_ALLOCATIONS}"
                         PROPERTIES ENVIRONMENT_MODIFICATION
                           "ASAN_OPTIONS=string_append::allocator_may_return_null=1")
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                         WORKING_DIRECTORY $<TARGET_FILE_DIR:${name}>)
  endif()
endfunction()
