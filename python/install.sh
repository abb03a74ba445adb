#!/usr/bin/env bash
# Builds the Python package pelzak and installs it for the current user:
#   python/install.sh                  into the user's site-packages (on sys.path of /usr/bin/python3)
#   python/install.sh --target DIR     into DIR/pelzak (then: PYTHONPATH=DIR /usr/bin/python3)
# Installs the Debian packages it needs first (cmake, g++, python3-dev, pybind11-dev, python3-numpy),
# builds in build-python/ and checks that the installed package imports. PELZAK_PYTHON_BUILD_DIR
# names another build folder; one that is configured already is used as it is.
source "$(dirname "$0")/../scripts/common.sh"

target=""
case "${1:-}" in
  "") ;;
  --target) target="${2:?--target needs a folder}" ;;
  *) echo "usage: python/install.sh [--target DIR]" >&2; exit 64 ;;
esac

ensure_packages "${RUN_PACKAGES[@]}" "${PYTHON_PACKAGES[@]}"
python=/usr/bin/python3
[ -n "$target" ] || target="$("$python" -m site --user-site)"
target="$(mkdir -p "$target" && cd "$target" && pwd)"
build="${PELZAK_PYTHON_BUILD_DIR:-$ROOT/build-python}"

echo "Building the Python module in $build ..."
if [ ! -f "$build/CMakeCache.txt" ]; then
  quietly cmake -S "$ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELZAK_BUILD_TESTS=OFF \
    -DPELZAK_BUILD_BENCH=OFF -DPELZAK_BUILD_PYTHON=ON -DPython_EXECUTABLE="$python"
fi
quietly cmake --build "$build" -j "$JOBS" --target pelzak_python
quietly cmake --install "$build" --component python --prefix "$target"

# Import it from where it was installed, away from the source and build trees.
cd /
PYTHONPATH="$target" "$python" -c "
import os, sys, pelzak
where = os.path.dirname(pelzak.__file__)
assert where == os.path.join(sys.argv[1], 'pelzak'), where
print('installed pelzak in', where)
" "$target"
