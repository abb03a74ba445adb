#!/usr/bin/env bash
# Builds the Python package pelzak and installs it for the current user:
#   python/install.sh                  into the user's site-packages (on sys.path of /usr/bin/python3)
#   python/install.sh --target DIR     into DIR/pelzak (then: PYTHONPATH=DIR /usr/bin/python3)
# Installs the Debian packages it needs first (cmake, g++, python3-dev, pybind11-dev, python3-numpy),
# builds and checks that the installed package imports, with a line per stage and cmake's build
# output. The build folder: PELZAK_PYTHON_BUILD_DIR if set, else build-python/ if configured, else
# the project's build/ if it is configured with the module for /usr/bin/python3, else a new
# build-python/. A configured folder is used as it is (only what changed is built again).
source "$(dirname "$0")/../scripts/common.sh"

target=""
case "${1:-}" in
  "") ;;
  --target) target="${2:?--target needs a folder}" ;;
  *) echo "usage: python/install.sh [--target DIR]" >&2; exit 64 ;;
esac

python=/usr/bin/python3

# A build folder configured with the Python module for this interpreter (and no sanitizers, under
# which the module is not built).
builds_the_module() {
  local cache="$1/CMakeCache.txt"
  [ -f "$cache" ] && grep -q '^PELZAK_BUILD_PYTHON:BOOL=ON$' "$cache" &&
    grep -q "^Python_EXECUTABLE:[A-Z]*=$python\$" "$cache" && ! grep -q '^PELZAK_SANITIZE:BOOL=ON$' "$cache"
}

echo "[1/4] Debian packages: ${RUN_PACKAGES[*]} ${PYTHON_PACKAGES[*]}"
ensure_packages "${RUN_PACKAGES[@]}" "${PYTHON_PACKAGES[@]}"
[ -n "$target" ] || target="$("$python" -m site --user-site)"
target="$(mkdir -p "$target" && cd "$target" && pwd)"
if [ -n "${PELZAK_PYTHON_BUILD_DIR:-}" ]; then
  build="$PELZAK_PYTHON_BUILD_DIR"
elif [ ! -f "$ROOT/build-python/CMakeCache.txt" ] && builds_the_module "$ROOT/build"; then
  build="$ROOT/build"
else
  build="$ROOT/build-python"
fi

if [ -f "$build/CMakeCache.txt" ]; then
  echo "[2/4] Configuring: $build is configured already, used as it is"
else
  echo "[2/4] Configuring in $build for $python ..."
  quietly cmake -S "$ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELZAK_BUILD_TESTS=OFF \
    -DPELZAK_BUILD_BENCH=OFF -DPELZAK_BUILD_PYTHON=ON -DPython_EXECUTABLE="$python"
fi
echo "[3/4] Building the module (about two minutes the first time, on $JOBS cores) ..."
cmake --build "$build" -j "$JOBS" --target pelzak_python
echo "[4/4] Installing into $target/pelzak ..."
quietly cmake --install "$build" --component python --prefix "$target"

# Import it from where it was installed, away from the source and build trees.
cd /
PYTHONPATH="$target" "$python" -c "
import os, sys, pelzak
where = os.path.dirname(pelzak.__file__)
assert where == os.path.join(sys.argv[1], 'pelzak'), where
" "$target"
# The interpreter by its full path: a python3 earlier on PATH (pyenv, a virtual environment) may lack
# Debian's numpy, and the module works only with the interpreter it was built for.
if [ "$target" = "$("$python" -m site --user-site)" ]; then
  use="$python -c \"import pelzak\""
else
  use="PYTHONPATH=$target $python -c \"import pelzak\""
fi
echo "installed pelzak in $target/pelzak; use it with: $use"
