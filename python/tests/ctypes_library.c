/* Nothing of its own: the shared object that carries the whole static library pelzak_aux, so that
 * the Python tests can call its four routines by their link names through ctypes. */
#include "pelzak_aux.h"
