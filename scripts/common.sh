# Shared by run.sh and test.sh: install what is missing from Debian's packages, then build.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="$(nproc 2>/dev/null || echo 2)"

# ensure_packages PKG...: installs the Debian packages that are not installed yet.
ensure_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing Debian packages: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then sudo="sudo"; else
      echo "error: these packages are missing and you are not root: ${missing[*]}" >&2
      echo "       install them as root with: apt-get install ${missing[*]}" >&2
      exit 1
    fi
  fi
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What building the programs needs, and what the tests and benchmarks add (LAMMPS and Open MPI for
# the hand-over tests, which otherwise skip).
RUN_PACKAGES=(cmake make g++ gcc libcli11-dev libfftw3-dev)
TEST_PACKAGES=(libgtest-dev libbenchmark-dev pkg-config lammps openmpi-bin)
# The Python module (python/install.sh), and what its tests and example add.
PYTHON_PACKAGES=(python3-dev pybind11-dev python3-numpy)
PYTHON_TEST_PACKAGES=(python3-pytest python3-matplotlib)

# quietly CMD...: runs CMD with its output kept in a log, shown only if CMD fails.
quietly() {
  local log
  log="$(mktemp)"
  if "$@" >"$log" 2>&1; then rm -f "$log"; return 0; fi
  cat "$log" >&2
  rm -f "$log"
  echo "error: failed: $*" >&2
  return 1
}

# build DIR [cmake options...]: configures and builds the whole project in DIR.
build() {
  local dir="$1"; shift
  cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}
