"""Checks of the scalar arguments of pelzak's calls: a wrong type gets a short message naming the
call, the argument and what it takes (never a whole array printed back)."""
import numbers
import operator

import numpy as np

_SHOWN_LENGTH = 40  # characters of a refused value's repr that a message shows


def shown(value):
    """The type and the start of the repr of a refused value."""
    text = repr(value)
    if len(text) > _SHOWN_LENGTH:
        text = text[: _SHOWN_LENGTH - 3] + "..."
    return f"{type(value).__name__} {text}"


def _is_bool(value):
    return isinstance(value, (bool, np.bool_))


def whole_number(call, name, value, takes="a whole number"):
    """value as an int: Python and numpy integers; not bools, floats or text."""
    if not _is_bool(value):
        try:
            return operator.index(value)
        except TypeError:
            pass
    raise TypeError(f"{call}: {name} takes {takes}, not {shown(value)}")


def real_number(call, name, value, takes="a real number"):
    """value as a float: Python and numpy reals and integers; not bools or text."""
    if isinstance(value, numbers.Real) and not _is_bool(value):
        return float(value)
    raise TypeError(f"{call}: {name} takes {takes}, not {shown(value)}")


def flag(call, name, value):
    if _is_bool(value):
        return bool(value)
    raise TypeError(f"{call}: {name} takes True or False, not {shown(value)}")
