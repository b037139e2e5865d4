#!/usr/bin/env bash
# Installs the Debian packages that building, testing and fuzzing stochvar need.
# Does nothing when every package is already installed.
set -euo pipefail

PACKAGES=(
    build-essential
    cmake
    ninja-build
    pkg-config
    clang
    # make format, and the test that the sources keep the format.
    clang-format
    libclang-rt-dev
    libgtest-dev
    libgmock-dev
    libbenchmark-dev
    nlohmann-json3-dev
    # Limit-state expressions of the documents (parsed and evaluated in bulk).
    libmuparser-dev
    qt6-base-dev
    libgl-dev
    # Qt6Gui looks for the XKB keyboard library when the editor is configured; with its headers
    # there CMake finds it instead of reporting "Could NOT find XKB" for every Qt lookup.
    libxkbcommon-dev
    fonts-dejavu-core
    # The document schema is checked against the examples with Python's jsonschema.
    python3
    python3-jsonschema
    python3-pytest
    # The Python module (pybind11), its tests (numpy, scipy for reference values, distributed
    # for a run split among workers) and the example's histogram (matplotlib).
    python3-dev
    pybind11-dev
    python3-pybind11
    python3-numpy
    python3-scipy
    # Reference values far out in the tails, where scipy loses digits.
    python3-mpmath
    python3-distributed
    python3-matplotlib
    # The Python tests check the package's type stubs against the module (mypy's stubtest).
    python3-mypy
)

missing=()
for pkg in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
