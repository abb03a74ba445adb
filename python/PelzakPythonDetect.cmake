# Looks for what the Python module needs: Debian's interpreter with its development files, pybind11
# and numpy. Sets PELZAK_PYTHON_FOUND and, if something is missing, PELZAK_PYTHON_MISSING.
#
# The interpreter is /usr/bin/python3 unless Python_EXECUTABLE says otherwise: an interpreter that
# comes first on PATH (a pyenv shim, a virtual environment) need not see Debian's python3-numpy and
# python3-pybind11, and the module is built for one interpreter only.
if(NOT DEFINED Python_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(Python_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "The Python interpreter the module is built for")
endif()

set(PELZAK_PYTHON_MISSING "")
find_package(Python 3.8 QUIET COMPONENTS Interpreter Development.Module)
if(NOT Python_FOUND)
  list(APPEND PELZAK_PYTHON_MISSING "python3-dev")
else()
  execute_process(COMMAND ${Python_EXECUTABLE} -c "import numpy" RESULT_VARIABLE numpy_status
                  OUTPUT_QUIET ERROR_QUIET)
  if(NOT numpy_status EQUAL 0)
    list(APPEND PELZAK_PYTHON_MISSING "python3-numpy")
  endif()
  find_package(pybind11 2.6 CONFIG QUIET)
  if(NOT pybind11_FOUND)
    list(APPEND PELZAK_PYTHON_MISSING "pybind11-dev")
  endif()
endif()

if(PELZAK_PYTHON_MISSING)
  set(PELZAK_PYTHON_FOUND OFF)
else()
  set(PELZAK_PYTHON_FOUND ON)
endif()
