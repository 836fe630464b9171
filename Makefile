# Newcomer commands: `make demo` runs the job on the embedded default, `make test` runs every test.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
MAKEFLAGS += --no-print-directory

.PHONY: deps build test demo clean

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	@bash examples/demo/run-demo.sh $(BUILD)

clean:
	rm -rf $(BUILD)
