# Front door: `make` builds the filter, `make demo` runs it on the sample
# photo, `make test` builds and runs every test, `make sanitize` runs the
# tests under AddressSanitizer and UndefinedBehaviorSanitizer, `make gallery`
# remakes the before/after pictures of doc/gallery/, `make install` and
# `make package` install the program or build a Debian package of it.
BUILD       ?= build
SAN_BUILD   ?= build-sanitize
GENERATOR   := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
DEMO_CHAIN  ?= -co 0.04,0,-0.02 -nr 2 -ec 1.5,2
DEMO_INPUT  := examples/dandelion.ppm
DEMO_OUTPUT := $(BUILD)/demo/dandelion-filtered.ppm
PREFIX      ?= /usr/local

.PHONY: all build demo test sanitize bench bench-peers gallery install package clean

all: build

build:
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release > /dev/null
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	@mkdir -p $(BUILD)/demo
	$(BUILD)/photofilter $(DEMO_CHAIN) < $(DEMO_INPUT) > $(DEMO_OUTPUT)
	@echo "demo: wrote $(DEMO_OUTPUT)"
	@if command -v pnmtopng >/dev/null 2>&1; then \
	  pnmtopng < $(DEMO_OUTPUT) > $(DEMO_OUTPUT:.ppm=.png) && \
	  echo "demo: wrote $(DEMO_OUTPUT:.ppm=.png)"; \
	fi

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

sanitize:
	cmake -S . -B $(SAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	  -DPHOTOFILTER_SANITIZE=ON -DPHOTOFILTER_BENCHMARKS=OFF > /dev/null
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS)

bench: build
	$(BUILD)/bench/photofilter_bench

# Whole processes side by side with other tools on one core (install the
# peers first: apt-get install netpbm imagemagick graphicsmagick libvips-tools).
bench-peers: build
	python3 bench/peers.py --build $(BUILD) $(if $(RUNS),--runs $(RUNS))

gallery: build
	PHOTOFILTER=$(BUILD)/photofilter doc/make_gallery.sh

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cd $(BUILD) && cpack -G DEB
	@ls $(BUILD)/*.deb

clean:
	rm -rf $(BUILD) $(SAN_BUILD)
