# The set-up commands: `make run`, `make test`, `make check` and `make bench`. Each installs the
# packages it needs first (scripts/install-deps.sh says which are for what).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_CONFIGURE = cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps configure build run test check bench clean

deps:
	@bash scripts/install-deps.sh build run

configure: deps
	@$(CMAKE_CONFIGURE) -DBUILD_TESTING=OFF >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD)

test:
	@bash scripts/install-deps.sh build run test
	@$(CMAKE_CONFIGURE) -DBUILD_TESTING=ON >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

check:
	@bash scripts/install-deps.sh build run test check
	@bash scripts/check.sh

bench:
	@bash scripts/install-deps.sh build bench
	@$(CMAKE_CONFIGURE) -DKELSIM_BUILD_BENCH=ON >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target kelsim-bench
	@$(BUILD)/bench/kelsim-bench

clean:
	rm -rf $(BUILD) build-check build-fuzz
