# The README's commands. `make run` builds and starts Hodra2; `make test` builds and
# runs every test (ASan + UBSan build, then the threaded suites again under TSan, then
# each fuzz target for 30 s).
# Both install the system packages first when any is missing.
JOBS ?= 2
MAKEFLAGS += --no-print-directory
BUILD_DIR ?= build
TEST_DIR ?= build-test
TSAN_DIR ?= build-tsan
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 30

.PHONY: all setup build run test bench install package demo clean format format-check

all: build

setup:
	@./scripts/setup.sh

build: setup
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	@if [ -n "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then \
		exec $(BUILD_DIR)/bin/hodra2; \
	else \
		echo "make run: no graphical session (DISPLAY/WAYLAND_DISPLAY unset); comparing in the terminal instead"; \
		exec $(BUILD_DIR)/bin/hodra2-sntp; \
	fi

# The C++ sources as .clang-format describes them (test starts with the check).
FORMATTED = git ls-files '*.cpp' '*.h' '*.c'

format: setup
	@$(FORMATTED) | xargs clang-format -i

format-check: setup
	@$(FORMATTED) | xargs clang-format --dry-run --Werror

test: setup format-check
	@cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DHODRA_TESTS=ON \
		-DHODRA_SANITIZE=address,undefined >/dev/null
	@cmake --build $(TEST_DIR) -j$(JOBS)
	@cd $(TEST_DIR) && ctest --output-on-failure -j$(JOBS)
	@cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DHODRA_TESTS=ON \
		-DHODRA_SANITIZE=thread >/dev/null
	@cmake --build $(TSAN_DIR) -j$(JOBS) --target hodra_tsan_tests
	@cd $(TSAN_DIR) && ctest --output-on-failure -j$(JOBS) -L tsan
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=Debug -DHODRA_FUZZ=ON \
		-DHODRA_SANITIZE=address,undefined,fuzzer-no-link >/dev/null
	@cmake --build $(FUZZ_DIR) -j$(JOBS) --target hodra_fuzzers
	@tests/fuzz/run-fuzzers $(FUZZ_DIR) $(FUZZ_SECONDS)

install: build
	@cmake --install $(BUILD_DIR)

package: setup
	@scripts/package.sh build-package .

demo: build
	@cmake --build $(BUILD_DIR) --target hodra_settime_shim -j$(JOBS) >/dev/null
	@scripts/demo.sh $(BUILD_DIR)

bench: setup
	@bench/all

clean:
	rm -rf $(BUILD_DIR) $(TEST_DIR) $(TSAN_DIR) $(FUZZ_DIR) build-bench build-package
