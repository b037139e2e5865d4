#!/usr/bin/env bash
# Installs a build tree into a temporary prefix and uses it as its users would:
#   check_installed_tree.sh BUILD_DIR CONSUMER_DIR QUICKSTART_SOURCE BUILT_QUICKSTART LIBDIR
#                           EDITOR(0|1) [PYTHON_DIR]
# The installed programs and the Python module must find the installed libraries by themselves
# (RPATH), and quickstart.cpp built against the prefix, through the CMake package and through
# pkg-config, must print what the build tree's quickstart prints; a host of the documents library
# built both ways must read the beam example. Every host built here runs as a user runs it,
# without LD_LIBRARY_PATH.
set -euo pipefail
build_dir=$1 consumer_dir=$2 quickstart_source=$3 built_quickstart=$4 libdir=$5 editor=$6
python_dir=${7:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
unset LD_LIBRARY_PATH

cmake --install "$build_dir" --prefix "$prefix" > /dev/null

# Loads the installed libraries, not those of the build tree or of the system.
uses_prefix() {
    local lines
    lines=$(ldd "$1" | grep libstochvar || true)
    if [ -z "$lines" ] || grep -v "=> $prefix/" <<< "$lines"; then
        echo "$1 does not load the stochvar libraries of the prefix" >&2
        exit 1
    fi
}
uses_prefix "$prefix/bin/stochvar"
"$prefix/bin/stochvar" sample -n 100 --lhs --seed 1 > /dev/null
if [ "$editor" = 1 ]; then
    uses_prefix "$prefix/bin/stochvar-editor"
fi
if [ -n "$python_dir" ]; then
    uses_prefix "$prefix/$python_dir"/stochvar/_core*.so
    for typed in py.typed __init__.pyi _core.pyi; do
        [ -f "$prefix/$python_dir/stochvar/$typed" ] || { echo "no stochvar/$typed" >&2; exit 1; }
    done
    PYTHONPATH="$prefix/$python_dir" /usr/bin/python3 -c "
import stochvar, sys
assert stochvar.__file__.startswith('$prefix'), stochvar.__file__
print(stochvar.load(sys.argv[1]).sample(3, seed=1).shape)" "$(dirname "$quickstart_source")/beam.json" > /dev/null
fi

expected=$("$built_quickstart")
beam=$(dirname "$quickstart_source")/beam.json
beam_names=$(/usr/bin/python3 -c '
import json, sys
print("\n".join(v["name"] for v in json.load(open(sys.argv[1]))["variables"]))' "$beam")

cmake -S "$consumer_dir" -B "$work/consumer" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$prefix" -DQUICKSTART_SOURCE="$quickstart_source" \
    -DEXPECT_EDITOR="$editor" > /dev/null
cmake --build "$work/consumer" > /dev/null
[ "$("$work/consumer/quickstart")" = "$expected" ] || { echo "find_package build differs" >&2; exit 1; }
[ "$("$work/consumer/documents_host" "$beam")" = "$beam_names" ] ||
    { echo "find_package documents host differs" >&2; exit 1; }

export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
# shellcheck disable=SC2046 # the flags are words
c++ -std=c++20 -o "$work/quickstart-pc" "$quickstart_source" $(pkg-config --cflags --libs stochvar)
[ "$("$work/quickstart-pc")" = "$expected" ] || { echo "pkg-config build differs" >&2; exit 1; }
# shellcheck disable=SC2046
c++ -std=c++20 -o "$work/documents-pc" "$consumer_dir/documents_host.cpp" \
    $(pkg-config --cflags --libs stochvar-documents)
[ "$("$work/documents-pc" "$beam")" = "$beam_names" ] ||
    { echo "pkg-config documents host differs" >&2; exit 1; }
echo "installed tree, find_package and pkg-config builds: all as the build tree"
