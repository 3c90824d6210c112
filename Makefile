# Orvex — two commands for a fresh Debian machine:
#   make run    install what is missing, build, run the main job
#   make test   install what is missing, build, run every test
# Everything else here is what CI and developers use.

BUILD      ?= build
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
SAMPLE     ?= samples/label-sheet.eps
RUN_DIR    ?= $(BUILD)/run-workdir

.PHONY: run test deps configure build package test-sanitize fuzz bench screenshots format clean

deps:
	@sh scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# With a display: the window on the simulated machine, the sample job open. Without one: the
# sample imported and three sheets cut on the simulated machine, headless.
run: build
	@mkdir -p $(RUN_DIR)
	@if [ -n "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then \
	    $(BUILD)/bin/orvex --simulate --sheets 3 --workdir $(RUN_DIR)/window $(SAMPLE); \
	else \
	    $(BUILD)/bin/orvex-cli import $(SAMPLE) --workdir $(RUN_DIR) \
	        --settings $(RUN_DIR)/orvex.conf --preview $(RUN_DIR)/preview.png && \
	    $(BUILD)/bin/orvex-cli simulate $(SAMPLE) --workdir $(RUN_DIR)/simulate --sheets 3 \
	        --seed 1 --calibrate; \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The Debian package, $(BUILD)/orvex_<version>_<arch>.deb (see README, Install).
package: build
	@cmake --build $(BUILD) --target package

# The whole test suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVEX_SANITIZE=ON \
	    -DORVEX_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --output-on-failure -j $(JOBS) --timeout 900

# Every fuzz target for FUZZ_SECONDS each, from its seed corpus.
FUZZ_SECONDS ?= 60
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DORVEX_FUZZ=ON -DORVEX_BUILD_PLATFORM=OFF -DORVEX_BUILD_BENCH=OFF -DORVEX_BUILD_TESTS=OFF \
	    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" >/dev/null
	@cmake --build build-fuzz -j $(JOBS)
	@sh scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

# The window and every dialog under Xvfb, into docs/screenshots (committed; the README shows them).
screenshots: build
	xvfb-run -a -s "-screen 0 1600x1200x24" $(BUILD)/bin/orvex-screenshots docs/screenshots
	@rm -rf docs/screenshots/workdir

bench: build
	@sh scripts/run-benchmarks.sh $(BUILD)

format:
	@find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-asan build-fuzz
