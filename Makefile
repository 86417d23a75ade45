# Front door: `make` builds the filter, its tests and benchmarks, `make
# demo` builds the filter alone and runs it on the sample photo, `make test`
# builds and runs every test, `make sanitize` runs the tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, `make fuzz` builds the
# libFuzzer targets with clang and runs each for FUZZ_SECONDS, `make
# gallery` remakes the before/after pictures of doc/gallery/ and their
# table in README.md, `make install` and `make package` install the program
# or build a Debian package of it, `make bench-peers` times it beside other
# tools.
# `make test-isa ISA=<level>` and `make sanitize-isa ISA=<level>` run the
# tests (plain or sanitized) with everything compiled for one instruction-set
# level, x86-64, x86-64-v3 or x86-64-v4, instead of the processor's own.
# `make test THREADS=N` runs the suite with N threads; `make tsan` runs it
# under ThreadSanitizer.
BUILD       ?= build
SAN_BUILD   ?= build-sanitize
FUZZ_BUILD  ?= build-fuzz
FUZZ_CXX    ?= clang++
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := read run
GENERATOR   := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
DEMO_CHAIN  ?= -co 0.04,0,-0.02 -nr 2 -ec 1.5,2
DEMO_INPUT  := examples/dandelion.ppm
DEMO_OUTPUT := $(BUILD)/demo/dandelion-filtered.ppm
PREFIX      ?= /usr/local
ISA         ?= x86-64-v3
ISA_BUILD   ?= build-isa-$(ISA)
ISA_SAN_BUILD ?= build-sanitize-isa-$(ISA)
TSAN_BUILD  ?= build-tsan
# The suite's runs and kernels work with this many threads (unset: one).
THREADS     ?=

.PHONY: all configure build program demo test sanitize test-isa sanitize-isa tsan fuzz bench \
        bench-peers gallery install package clean

all: build

configure:
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release > /dev/null

# Everything: the program, the test suite, the benchmarks.
build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The program alone, for what only runs it.
program: configure
	cmake --build $(BUILD) -j $(JOBS) --target photofilter

demo: program
	@mkdir -p $(BUILD)/demo
	$(BUILD)/photofilter $(DEMO_CHAIN) < $(DEMO_INPUT) > $(DEMO_OUTPUT)
	@echo "demo: wrote $(DEMO_OUTPUT)"
	@if command -v pnmtopng >/dev/null 2>&1; then \
	  pnmtopng < $(DEMO_OUTPUT) > $(DEMO_OUTPUT:.ppm=.png) && \
	  echo "demo: wrote $(DEMO_OUTPUT:.ppm=.png)"; \
	fi

test: build
	$(if $(THREADS),PHOTOFILTER_TEST_THREADS=$(THREADS)) \
	  ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

sanitize:
	cmake -S . -B $(SAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	  -DPHOTOFILTER_SANITIZE=ON -DPHOTOFILTER_BENCHMARKS=OFF > /dev/null
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS)

# One level for the whole build, no clones: the kernels that other
# processors pick are tested here too. Only the tests and the program are built.
test-isa:
	cmake -S . -B $(ISA_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release \
	  -DPHOTOFILTER_ISA=$(ISA) -DPHOTOFILTER_BENCHMARKS=OFF > /dev/null
	cmake --build $(ISA_BUILD) -j $(JOBS) --target photofilter_tests
	ctest --test-dir $(ISA_BUILD) --output-on-failure -j $(JOBS)

sanitize-isa:
	cmake -S . -B $(ISA_SAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	  -DPHOTOFILTER_SANITIZE=ON -DPHOTOFILTER_ISA=$(ISA) -DPHOTOFILTER_BENCHMARKS=OFF > /dev/null
	cmake --build $(ISA_SAN_BUILD) -j $(JOBS) --target photofilter_tests
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ISA_SAN_BUILD) --output-on-failure -j $(JOBS)

# ThreadSanitizer over the tests whose images are large enough to be split
# (the others never start a thread), with three threads.
TSAN_TESTS  ?= Threads|OutputChecksums|Check\.|EdgeContrastBands|Driver\.|WidenedImage/s|SinglePixelRemoval
tsan:
	cmake -S . -B $(TSAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPHOTOFILTER_TSAN=ON -DPHOTOFILTER_BENCHMARKS=OFF > /dev/null
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target photofilter_tests
	PHOTOFILTER_TEST_THREADS=3 TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS) -R '$(TSAN_TESTS)'

# New inputs go to $(FUZZ_BUILD)/corpus/<target>, findings to
# $(FUZZ_BUILD)/artifacts/; the seeds in fuzz/corpus/ stay as they are.
fuzz:
	cmake -S . -B $(FUZZ_BUILD) $(GENERATOR) -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPHOTOFILTER_FUZZ=ON > /dev/null
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@mkdir -p $(FUZZ_BUILD)/artifacts
	@for target in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$target && \
	  echo "fuzz: fuzz_$$target for $(FUZZ_SECONDS) s" && \
	  $(FUZZ_BUILD)/fuzz/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	    -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/artifacts/fuzz_$$target- \
	    $(FUZZ_BUILD)/corpus/$$target fuzz/corpus/$$target || exit 1; \
	done

bench: build
	$(BUILD)/bench/photofilter_bench

# Whole processes side by side with other tools on one core (install the
# peers first: apt-get install netpbm imagemagick graphicsmagick libvips-tools).
# BASELINE=path also times another photofilter build, PEERS=no leaves the
# other tools out, ROWS='gamma 2.2,crop quarter' picks rows, THREADS=2 runs
# every tool with two threads on two cores.
bench-peers: build
	python3 bench/peers.py --build $(BUILD) $(if $(RUNS),--runs $(RUNS)) \
	  $(if $(ROWS),--rows "$(ROWS)") $(if $(BASELINE),--baseline $(BASELINE)) \
	  $(if $(filter no,$(PEERS)),--no-peers) $(if $(THREADS),--threads $(THREADS))

gallery: program
	PHOTOFILTER=$(BUILD)/photofilter doc/make_gallery.sh

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cd $(BUILD) && cpack -G DEB
	@ls $(BUILD)/*.deb

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD) build-isa-* build-sanitize-isa-*
