cmake_minimum_required(VERSION 3.25)
# Fails unless every symbol the archive ARCHIVE needs from outside comes from the C library,
# libm or libgcc (plus the sanitizer runtimes when SANITIZE is on), and unless the four link
# names of module "auxiliary" are defined in it.
execute_process(COMMAND ${NM} -u ${ARCHIVE} OUTPUT_VARIABLE undefined RESULT_VARIABLE rc1)
execute_process(COMMAND ${NM} --defined-only ${ARCHIVE} OUTPUT_VARIABLE defined RESULT_VARIABLE rc2)
if(NOT rc1 EQUAL 0 OR NOT rc2 EQUAL 0)
  message(FATAL_ERROR "nm failed on ${ARCHIVE}")
endif()

set(allowed
  # C library
  __errno_location close exit _exit fstat ftruncate lseek open open64 openat openat64 read write
  memcpy memmove memset memcmp strlen strerror strtod snprintf vsnprintf __stack_chk_fail
  __snprintf_chk __vsnprintf_chk __memcpy_chk __memset_chk __read_chk
  getenv strcmp
  # libm
  sqrt round trunc floor ceil copysign nearbyint rint ldexp
  # libgcc, which every gcc link brings in: run-time CPU feature checks
  __cpu_model __cpu_features2 __cpu_indicator_init
  # defined by the linker itself (the assembler names it wherever __cpu_model is reached via the GOT)
  _GLOBAL_OFFSET_TABLE_)

string(REGEX MATCHALL "[^\n]+" defined_lines "${defined}")
set(defined_names "")
foreach(line IN LISTS defined_lines)
  if(line MATCHES "^[0-9a-fA-F]+ [TtDdBbRrWwVv] (.+)$")
    list(APPEND defined_names "${CMAKE_MATCH_1}")
  endif()
endforeach()

foreach(name __auxiliary_MOD_read_file __auxiliary_MOD_force_atoms __auxiliary_MOD_leapfrog
             __auxiliary_MOD_radial_dist)
  if(NOT "${defined}" MATCHES "[0-9a-f]+ T ${name}\n")
    message(FATAL_ERROR "link name ${name} is not defined in ${ARCHIVE}")
  endif()
endforeach()

string(REGEX MATCHALL "[^\n]+" undefined_lines "${undefined}")
set(bad "")
foreach(line IN LISTS undefined_lines)
  if(NOT line MATCHES "^ +[Uw] (.+)$")
    continue()
  endif()
  set(name "${CMAKE_MATCH_1}")
  if(name IN_LIST defined_names OR name IN_LIST allowed)
    continue()
  endif()
  if(SANITIZE AND name MATCHES "^__(asan|ubsan|lsan|sanitizer)_")
    continue()
  endif()
  list(APPEND bad "${name}")
endforeach()
list(REMOVE_DUPLICATES bad)
if(bad)
  string(REPLACE ";" "\n  " bad "${bad}")
  message(FATAL_ERROR "${ARCHIVE} needs symbols from outside the C library and libm:\n  ${bad}")
endif()
message(STATUS "archive symbols: only C library and libm needed; the four link names defined")
