# stochvar: the two everyday commands are `make demo` and `make test`.
.PHONY: all setup build build-asan demo test test-default test-asan test-fuzz bench fuzz docs-images \
	format clean

all: build

setup:
	@bash scripts/setup.sh

build: setup
	cmake --preset default
	cmake --build --preset default

build-asan: setup
	cmake --preset asan
	cmake --build --preset asan

# Samples the built-in example collection (a steel beam) by Latin hypercube sampling. Builds only
# the command-line host and the Python module, and prints the time of the setup and of the build.
demo:
	@bash scripts/demo.sh

test-default: build
	ctest --preset default

test-asan: build-asan
	ctest --preset asan

# Each fuzz target for 20 s, from its seeds and the corpus of earlier runs, when clang can build
# libFuzzer targets here (scripts/setup.sh installs clang and its runtime; asked after setup ran).
fuzz_probe = 'extern "C" int LLVMFuzzerTestOneInput(const char*, long) { return 0; }'
test-fuzz: setup
	@if echo $(fuzz_probe) | clang++ -x c++ -fsanitize=fuzzer -o /dev/null - >/dev/null 2>&1; then \
		cmake --preset fuzz && cmake --build --preset fuzz && ctest --preset fuzz; \
	else \
		echo "test-fuzz: clang cannot build libFuzzer targets here; the fuzz targets are not run"; \
	fi

test: test-default test-asan test-fuzz

bench: build
	@for b in build/default/bin/bench_*; do echo "== $$b"; $$b; done
	@echo "== bench/cli_monte_carlo.sh"; bash bench/cli_monte_carlo.sh

fuzz: setup
	cmake --preset fuzz
	cmake --build --preset fuzz
	bash scripts/run-fuzzers.sh build/fuzz

# The pictures that README.md shows, rendered offscreen into docs/images; pictures of the pages
# for a look by eye into build/default/screenshots; the picture of docs/reliability.md, drawn with
# matplotlib from what the command-line host computes; that of docs/fitting.md from stochvar.fit.
docs-images: setup
	cmake --preset default
	cmake --build --preset default --target stochvar-docs-images stochvar stochvar_python
	build/default/bin/stochvar-docs-images docs/images build/default/screenshots
	build/default/bin/stochvar-docs-images --readability after docs/images
	/usr/bin/python3 tools/docs-images/reliability_picture.py build/default/bin/stochvar \
		docs/images/reliability-rs.png
	PYTHONPATH=build/default/python /usr/bin/python3 tools/docs-images/fitting_picture.py \
		docs/images/fitting-wind.png

# Every folder that holds C++ sources, with the repository's .clang-format.
format:
	find stochvar apps tests bench examples python tools fuzz \( -name '*.h' -o -name '*.cpp' \) \
		-print0 | xargs -0 clang-format -i

clean:
	rm -rf build
