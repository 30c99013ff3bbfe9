# Front door: `make run` and `make test` are the whole set-up on Debian 12.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: deps configure build test run install package clean test-asan bench fuzz

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD_DIR)

# PREFIX (default /usr/local) and DESTDIR as usual.
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

package: build
	@cd $(BUILD_DIR) && cpack -G DEB

# The engine against ffmpeg and HandBrakeCLI, and the x264 preset sweep; writes
# docs/benchmarks.md. About 40 minutes; not part of `make test`.
bench: build
	@scripts/bench.sh $(BUILD_DIR)

test-asan: deps
	@cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKIVOTRA_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)
	@cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp ctest --output-on-failure -j $(JOBS)

# libFuzzer over the probe and the first seconds of a transcode, FUZZ_SECONDS long.
# Needs clang and its runtime (Debian: clang-14, libclang-rt-14-dev), installed here
# because nothing else needs them. Findings go to $(FUZZ_DIR)/findings.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 300
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
fuzz: deps
	@command -v clang++-14 >/dev/null && dpkg-query -W -f='$${Status}' libclang-rt-14-dev 2>/dev/null | grep -q 'ok installed' || \
	  { $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends clang-14 libclang-rt-14-dev >/dev/null; }
	@CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIVOTRA_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target media_fuzzer fuzz_seeds
	@mkdir -p $(FUZZ_DIR)/corpus $(FUZZ_DIR)/findings
	@$(FUZZ_DIR)/bin/fuzz_seeds $(FUZZ_DIR)/corpus
	@cd $(FUZZ_DIR)/findings && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
	  ../bin/media_fuzzer -max_total_time=$(FUZZ_SECONDS) -timeout=20 -rss_limit_mb=2048 -max_len=262144 ../corpus

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR)
