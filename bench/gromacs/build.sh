#!/usr/bin/env bash
# Builds GROMACS 2022.5 from Debian's source package, in double precision with AVX-512 SIMD, as a
# speed peer for the benchmarks (never for CI). Debian's own gmx binary stops at once on a
# processor that does not expose the rdtscp instruction ("compiled to use the rdtscp CPU
# instruction"), so it is built here with GMX_USE_RDTSCP=OFF.
#
#   bench/gromacs/build.sh [CACHE]     CACHE defaults to $HOME/.cache/pelzak-gromacs
#
# Takes about 25 minutes on two idle cores; prints the path of gmx at the end. Adds a deb-src line
# for the machine's own suites the first time (apt-get source needs it).
set -euo pipefail
cache="${1:-$HOME/.cache/pelzak-gromacs}"
mkdir -p "$cache" && cd "$cache"
if [ ! -x gmx-build/bin/gmx_d ]; then
  if ! ls gromacs_*.orig.tar.gz >/dev/null 2>&1; then
    sources=/etc/apt/sources.list.d/debian.sources
    if [ -f "$sources" ] && ! grep -q '^Types:.*deb-src' "$sources"; then
      sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
    fi
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends dpkg-dev libfftw3-dev cmake g++ >/dev/null
    apt-get source --download-only gromacs
  fi
  [ -d gromacs-src ] || { mkdir gromacs-src && tar xzf gromacs_*.orig.tar.gz -C gromacs-src --strip-components=1; }
  # CMAKE_DISABLE_FIND_PACKAGE_MPI: Open MPI's binaries may be installed without its headers.
  cmake -S gromacs-src -B gmx-build -DCMAKE_BUILD_TYPE=Release -DGMX_DOUBLE=ON -DGMX_SIMD=AVX_512 \
    -DGMX_USE_RDTSCP=OFF -DGMX_FFT_LIBRARY=fftw3 -DGMX_GPU=OFF -DGMX_MPI=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_MPI=ON -DGMX_OPENMP=ON -DBUILD_TESTING=OFF -DGMX_INSTALL_LEGACY_API=OFF >/dev/null
  cmake --build gmx-build -j"${JOBS:-2}" --target gmx
fi
echo "$cache/gmx-build/bin/gmx_d (GMXLIB=$cache/gromacs-src/share/top)"
