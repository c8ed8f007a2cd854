# Kestrelon: `make run` builds and starts the program, `make test` builds and runs
# every test. Both install the Debian packages that are missing first.
# `make install` installs the program with its menu entry, icon and file type
# (PREFIX=/usr/local by default); `make uninstall` removes what it installed;
# `make package` builds the Debian package kestrelon_<version>_<arch>.deb in $(BUILD).
BUILD ?= build/release
PRESET ?= release
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: all deps configure build run test bench asan tsan fuzz clean install uninstall package

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# With no ARGS on a machine without any serial device, the demo board stands in.
run: build
	@if [ -z "$(ARGS)" ] && ! ls -d /dev/ttyUSB* /dev/ttyACM* /dev/serial/by-id/* 2>/dev/null | grep -q .; then \
		echo "No serial device found: starting the demo device (kestrelon --demo)"; \
		$(BUILD)/src/app/kestrelon --demo; \
	else \
		$(BUILD)/src/app/kestrelon $(ARGS); \
	fi

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	@cd $(BUILD) && cpack -G DEB

uninstall:
	@if [ -f $(BUILD)/install_manifest.txt ]; then xargs rm -f < $(BUILD)/install_manifest.txt; fi

bench: build
	@scripts/run-benchmarks.sh $(BUILD)

asan:
	@$(MAKE) test PRESET=asan BUILD=build/asan

tsan:
	@$(MAKE) test PRESET=tsan BUILD=build/tsan

fuzz: deps
	@cmake --preset fuzz >/dev/null && cmake --build build/fuzz -j $(JOBS)

clean:
	rm -rf build
