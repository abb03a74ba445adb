# pelzak_add_test(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <label>])
#
# One label per executable: test discovery passes only one through. Tests that take more than
# about 20 s carry "slow", which the sanitizer pass skips.
#
# One GoogleTest executable per concept; every TEST in it becomes a CTest test that runs in
# the build tree's test folder. Tests that need a scratch directory make their own. The programs
# of the toolkit are found through PELZAK_INITIAL_PATH, PELZAK_MD_PATH and PELZAK_LAMMPS_PATH
# (tests/support/programs.hpp).
function(pelzak_add_test name)
  cmake_parse_arguments(T "" "LABELS" "SOURCES;LIBS" ${ARGN})
  if(T_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "pelzak_add_test(${name}): unexpected ${T_UNPARSED_ARGUMENTS} (one label only)")
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} pelzak::test_support GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    PELZAK_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    PELZAK_BINARY_DIR="${PROJECT_BINARY_DIR}"
    PELZAK_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/support/data"
    PELZAK_VERSION="${PROJECT_VERSION}"
    PELZAK_INITIAL_PATH="$<TARGET_FILE:pelzak_initial>"
    PELZAK_MD_PATH="$<TARGET_FILE:pelzak_md>"
    PELZAK_LAMMPS_PATH="$<TARGET_FILE:pelzak_lammps>")
  add_dependencies(${name} pelzak_initial pelzak_md pelzak_lammps)
  pelzak_exact_arithmetic(${name})
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES LABELS "${T_LABELS}"
    DISCOVERY_TIMEOUT 60)
endfunction()
