# The two everyday commands: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
CMAKE_FLAGS ?=
# Rebuilds of several checkouts share one compiler cache when ccache is there.
ifneq ($(shell command -v ccache 2>/dev/null),)
CMAKE_FLAGS += -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
endif

.PHONY: all deps configure build run test test-asan test-tsan lint bench fuzz package clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	@scripts/install-deps.sh
	cmake -S . -B $(BUILD) $(GENERATOR) $(CMAKE_FLAGS)

configure: $(BUILD)/CMakeCache.txt

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(if $(filter 0,$(shell id -u)),QTWEBENGINE_DISABLE_SANDBOX=1 )$(BUILD)/ui/orvanta

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The written rules, on the lines changed since main (LINT_ALL=1: everything).
lint: configure
	scripts/lint.sh $(BUILD)

# The suite under AddressSanitizer and UndefinedBehaviorSanitizer, and the
# threaded parts under ThreadSanitizer, each in a build folder of its own.
test-asan: deps
	scripts/sanitize.sh asan

test-tsan: deps
	scripts/sanitize.sh tsan

bench: build
	scripts/bench.sh $(BUILD)

fuzz: deps
	fuzz/run.sh build-fuzz

package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
