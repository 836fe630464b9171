# Newcomer commands: `make demo` runs the job on the embedded default, `make test` runs every test.
# `make bench` runs the end-to-end benchmark (BENCH_N: the selection sizes, e.g. BENCH_N="1000 10000").
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
MAKEFLAGS += --no-print-directory

BENCH_N ?= 1000 10000 100000

SANITIZE_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = avalia_expressao prepara_comando documento carrega_selecao registro

.PHONY: deps build test test-sanitize demo bench clean fuzz fuzz-merge

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer, in a tree of their
# own; leak reports of third-party libraries are filtered by tests/lsan-suppressions.txt.
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DKIV_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@cd $(SANITIZE_BUILD) && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

demo: build
	@bash examples/demo/run-demo.sh $(BUILD)

# Not part of `make test`: delivers BENCH_N invoices per size through the host program and prints
# the figures beside a bare libcurl loop and a Python zeep peer.
bench: build
	@$(BUILD)/bin/bench_integracao $(BENCH_N)

# Runs each libFuzzer target for FUZZ_SECONDS (clang needed). New inputs go to
# $(FUZZ_BUILD)/corpus, crashes to $(FUZZ_BUILD)/artifacts; `make fuzz-merge` keeps the new
# inputs that add coverage in fuzz/corpus, which `make test` replays.
fuzz:
	@command -v clang++ >/dev/null || { echo "make fuzz: clang++ is needed"; exit 1; }
	@cmake -S fuzz -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/artifacts/$$t && \
	  echo "fuzz_$$t: $(FUZZ_SECONDS) s" && \
	  $(FUZZ_BUILD)/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
	    -dict=fuzz/$$t.dict -artifact_prefix=$(FUZZ_BUILD)/artifacts/$$t/ \
	    $(FUZZ_BUILD)/corpus/$$t fuzz/corpus/$$t || exit 1; \
	done

fuzz-merge:
	@for t in $(FUZZ_TARGETS); do \
	  $(FUZZ_BUILD)/fuzz_$$t -merge=1 fuzz/corpus/$$t $(FUZZ_BUILD)/corpus/$$t || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
