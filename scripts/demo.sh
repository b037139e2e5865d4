#!/usr/bin/env bash
# make demo: installs what is missing, builds only the command-line host and the Python module
# (not the editor, the tests or the benchmarks: `make test` builds those), samples the built-in
# example collection (a steel beam in bending) by Latin hypercube sampling and imports the Python
# module. The time of each step is printed, so that the installation of packages is told apart
# from the build.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS=0
bash scripts/setup.sh
setup_seconds=$SECONDS

SECONDS=0
cmake --preset default
cmake --build --preset default --target stochvar stochvar_python
build_seconds=$SECONDS

./build/default/bin/stochvar sample -n 1000 --lhs
echo
echo "demo: setup ${setup_seconds} s, configure and build ${build_seconds} s"
PYTHONPATH=build/default/python /usr/bin/python3 -c \
    "import stochvar; print('Python module stochvar', stochvar.__version__, 'in build/default/python')"
