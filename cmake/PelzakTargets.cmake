# Build rules that belong to targets rather than to directories.
#
# pelzak_exact_arithmetic(<target>...): every result of this toolkit is fixed to the bit by the order
# of its IEEE double operations. GCC would otherwise fuse a*b + c into one rounding (it does by
# default outside ISO mode); fast-math options are never used anywhere. The flag is PRIVATE: the
# installed library is compiled with it, and driver authors who want the same bits in their own
# arithmetic add it to theirs (auxiliary/README.md says so).
function(pelzak_exact_arithmetic)
  foreach(target IN LISTS ARGN)
    target_compile_options(${target} PRIVATE -ffp-contract=off -Wall -Wextra)
  endforeach()
endfunction()

# pelzak_without_runtime(<target>...): code that goes into libpelzak_aux.a, which links into a plain C
# or Fortran program with only -lm: nothing that needs the C++ runtime (no exceptions, RTTI or
# guarded statics; operator new is simply never used).
function(pelzak_without_runtime)
  foreach(target IN LISTS ARGN)
    target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti -fno-threadsafe-statics)
  endforeach()
endfunction()

# pelzak_check_exact_arithmetic(): fails the configuration if some target of the project that
# compiles code was left without the flag, so that a new target cannot forget it.
function(pelzak_check_exact_arithmetic)
  set(dirs ${PROJECT_SOURCE_DIR})
  set(missing "")
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(sub DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${sub})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(t IN LISTS targets)
      get_target_property(type ${t} TYPE)
      if(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
        get_target_property(options ${t} COMPILE_OPTIONS)
        if(NOT "-ffp-contract=off" IN_LIST options)
          list(APPEND missing ${t})
        endif()
      endif()
    endforeach()
  endwhile()
  if(missing)
    message(FATAL_ERROR "targets without pelzak_exact_arithmetic(): ${missing}")
  endif()
endfunction()
