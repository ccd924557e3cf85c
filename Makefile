# Lumadeck Player. `make run` and `make test` are all a new user needs.
BUILD      ?= build
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
CTEST_ARGS ?=
CMAKE_ARGS ?=
ifeq ($(CI),true)
CMAKE_ARGS += -DLUMADECK_WERROR=ON
endif

.PHONY: all deps build run test install package sanitize bench bench-peers fuzz fuzz-smoke media format check-format clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD) && ./lumadeck

# Installs into $(DESTDIR)$(PREFIX): bin/lumadeck, share/lumadeck/, the menu
# entry, icons, metainfo and manual page.
PREFIX  ?= /usr/local
DESTDIR ?=
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package of the program in $(BUILD)/, dependencies from its libraries.
package: build
	cd $(BUILD) && cpack -G DEB

media: build
	scripts/make-test-media $(BUILD)/testmedia

test: build
	@if [ -x scripts/make-test-media ]; then scripts/make-test-media $(BUILD)/testmedia; fi
	@$(MAKE) --no-print-directory fuzz-smoke
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

sanitize: deps
	cmake -S . -B build-sanitize $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DLUMADECK_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build build-sanitize -j $(JOBS)
	@if [ -x scripts/make-test-media ]; then scripts/make-test-media build-sanitize/testmedia; fi
	cd build-sanitize && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# Every benchmark, the comparison with other players (bench-peers) among them.
bench: deps
	scripts/install-bench-peers
	cmake -S . -B build-bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DLUMADECK_BENCH=ON $(CMAKE_ARGS)
	cmake --build build-bench -j $(JOBS)
	@if [ -x scripts/make-test-media ]; then scripts/make-test-media build-bench/testmedia --bench; fi
	scripts/run-benchmarks build-bench

# Only the comparison with mpv, VLC, ffplay and a bare playbin, and the
# start-up against a minimal Qt program. PEERS_RUNS runs per row for the
# first picture, PEERS_COST_RUNS of them for CPU and memory.
PEERS_RUNS      ?= 5
PEERS_COST_RUNS ?= 3
bench-peers: deps
	scripts/install-bench-peers
	cmake -S . -B build-bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DLUMADECK_BENCH=ON $(CMAKE_ARGS)
	cmake --build build-bench -j $(JOBS) --target lumadeck xbench_first_picture xbench_app_startup xbench_minimal_window
	scripts/make-test-media build-bench/testmedia --bench
	bench/player/peers.sh build-bench --runs $(PEERS_RUNS) --cost-runs $(PEERS_COST_RUNS)

# libFuzzer targets, built with clang. FUZZ_SECONDS per target.
FUZZ_SECONDS ?= 300
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMADECK_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS) --target fuzzers
	scripts/run-fuzzers build-fuzz $(FUZZ_SECONDS)

# A short run of every fuzz target; part of `make test`.
fuzz-smoke: deps
	@if [ -d fuzz ] && ls fuzz/*.cpp >/dev/null 2>&1; then \
	  CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMADECK_FUZZ=ON >/dev/null && \
	  cmake --build build-fuzz -j $(JOBS) --target fuzzers && \
	  scripts/run-fuzzers build-fuzz 5; \
	fi

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

check-format: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD) build-sanitize build-bench build-fuzz
