cmake_minimum_required(VERSION 3.25)
# Builds a driver program from SOURCES (separated by |), with the headers of INCLUDE_DIRS (the
# library's and the model's, separated by |), against the archive ARCHIVE with only
# "-lpelzak_aux -lm", runs it for 1000 steps in a fresh WORK_DIR on a lattice configuration
# written by LATTICE, and checks that "rdf_argon.dat" holds 200 lines of 52 characters after
# the process ended normally.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
string(REPLACE "|" ";" sources "${SOURCES}")
string(REPLACE "|" ";-I" includes "-I${INCLUDE_DIRS}")
separate_arguments(flags UNIX_COMMAND "${FLAGS}")
get_filename_component(lib_dir ${ARCHIVE} DIRECTORY)

execute_process(
  COMMAND ${COMPILER} ${flags} ${includes} ${sources} -L${lib_dir} -lpelzak_aux -lm -o driver
  WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "linking the driver with -lpelzak_aux -lm failed (${rc})")
endif()

execute_process(COMMAND ${LATTICE} WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "writing the lattice configuration failed")
endif()

execute_process(COMMAND ${WORK_DIR}/driver WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE rc
  OUTPUT_VARIABLE out ERROR_VARIABLE err)
message(STATUS "driver: ${out}${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the driver failed with status ${rc}")
endif()

file(READ ${WORK_DIR}/rdf_argon.dat rdf)
string(LENGTH "${rdf}" size)
if(NOT size EQUAL 10600)
  message(FATAL_ERROR "rdf_argon.dat has ${size} bytes, expected 200 lines of 52 characters")
endif()
string(REGEX MATCHALL "[^\n]*\n" lines "${rdf}")
list(LENGTH lines count)
if(NOT count EQUAL 200)
  message(FATAL_ERROR "rdf_argon.dat has ${count} lines, expected 200")
endif()
foreach(line IN LISTS lines)
  string(LENGTH "${line}" n)
  if(NOT n EQUAL 53)
    message(FATAL_ERROR "line of ${n} bytes in rdf_argon.dat: '${line}'")
  endif()
endforeach()
list(GET lines 0 first)
if(NOT first STREQUAL "   1.2786249999999999E-002   0.0000000000000000     \n")
  message(FATAL_ERROR "unexpected first line: '${first}'")
endif()
message(STATUS "rdf_argon.dat: 200 lines of 52 characters")
