# Quick start: `make run` converts the bundled sample catalogue (or opens the
# desktop program when a display is there), `make test` builds and runs every test.
BUILD ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all setup configure build run test bench fuzz format format-check lint asan tsan deb clean

# Every build made through this Makefile stops on a compiler warning, so that
# `make run` and `make test` share one build and developers and CI see every
# warning. Packagers (debian/rules) and a plain cmake build go without it;
# `make ... TARNWICK_WERROR=OFF` (or the environment variable) too.
export TARNWICK_WERROR ?= ON

all: build

setup:
	@scripts/setup.sh

configure: setup
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The test suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: setup
	cmake -S . -B $(BUILD)-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARNWICK_BENCH=OFF \
	  -DTARNWICK_SANITIZE=address,undefined $(CMAKE_FLAGS)
	cmake --build $(BUILD)-asan -j $(JOBS)
	cd $(BUILD)-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

# The tests whose threads share data (the decompressing ring, the download)
# under ThreadSanitizer: the platform tests and update's.
tsan: setup
	cmake -S . -B $(BUILD)-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARNWICK_BENCH=OFF \
	  -DTARNWICK_GUI=OFF -DTARNWICK_SANITIZE=thread $(CMAKE_FLAGS)
	cmake --build $(BUILD)-tsan -j $(JOBS) --target platform_tests cli_tests
	cd $(BUILD)-tsan && export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 && \
	  ctest --output-on-failure -j $(JOBS) -L platform && \
	  ctest --output-on-failure -j $(JOBS) -R '^Update\.'

bench: build
	@scripts/setup.sh bench
	@bench/run.sh $(BUILD)

FUZZ_SECONDS ?= 300
fuzz:
	@scripts/setup.sh fuzz
	@fuzz/run.sh $(BUILD)-fuzz $(FUZZ_SECONDS)

# The C++ files git tracks: what `make format` formats and `make format-check`
# checks, the same list for both.
CXX_SOURCES = git ls-files '*.cpp' '*.h'

format:
	@scripts/setup.sh lint
	clang-format -i $$($(CXX_SOURCES))

# Fails, changing nothing, when `make format` would change a file.
format-check:
	@scripts/setup.sh lint
	clang-format --dry-run -Werror $$($(CXX_SOURCES))

# clang-tidy (.clang-tidy) over every folder of the programs, on the build's
# compile_commands.json (the build also makes the Qt code that ui/ and app/
# include), one process per file, JOBS at once; then the man pages.
LINT_FOLDERS = core platform cli ui app
lint: build
	@scripts/setup.sh lint
	git ls-files $(foreach folder,$(LINT_FOLDERS),'$(folder)/*.cpp') | \
	  xargs -P $(JOBS) -n 1 clang-tidy -p $(BUILD) --quiet --warnings-as-errors='*'
	dist/lint-man-pages.sh dist/*.1

# The Debian package, built by debhelper from a copy of this checkout in
# $(BUILD)-deb/, where the .deb lands; then lintian and the desktop checks.
deb:
	@scripts/setup.sh deb
	@scripts/make-deb.sh $(BUILD)-deb

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(BUILD)-fuzz $(BUILD)-release $(BUILD)-deb
