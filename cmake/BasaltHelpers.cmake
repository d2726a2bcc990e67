include(GoogleTest)

# Adds every immediate child folder of the current source folder that has a CMakeLists.txt.
# Lets each area own its folder without touching a shared list.
function(basalt_add_child_dirs)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# basalt_add_gtest(<name> SOURCES ... [LIBS ...] [PROPERTIES ...])
# A GoogleTest program whose tests ctest discovers one by one. PROPERTIES are ctest properties
# applied to every discovered test (e.g. FIXTURES_REQUIRED ridge_directory).
function(basalt_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(T_PROPERTIES)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${T_PROPERTIES})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# basalt_loads_provider(<target> [TABLES])
# A program that loads libBasalt.so through dlopen as a host does: the public headers, the
# library's path in BASALT_LIBRARY_PATH, and the library built before it. TABLES: it also uses
# the tests' ProviderTables.h, whose scratch homes copy the source home
# (PROVIDER_TEST_SOURCE_HOME).
function(basalt_loads_provider target)
  cmake_parse_arguments(L "TABLES" "" "" ${ARGN})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/include)
  target_compile_definitions(${target} PRIVATE BASALT_LIBRARY_PATH="$<TARGET_FILE:Basalt>")
  if(L_TABLES)
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/abi/provider)
    target_compile_definitions(${target} PRIVATE
      PROVIDER_TEST_SOURCE_HOME="${BASALT_SOURCE_HOME}")
  endif()
  add_dependencies(${target} Basalt)
endfunction()

# basalt_linked_whole(<target>)
# A static library linked whole into shared libraries that export only their own interface:
# position-independent, and nothing of its own visible.
function(basalt_linked_whole target)
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON
                                             CXX_VISIBILITY_PRESET hidden
                                             VISIBILITY_INLINES_HIDDEN ON)
endfunction()
