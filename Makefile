# The two everyday commands:
#   make run    set up, build and start the program (headless: a screenshot)
#   make test   set up, build and run every test
# Both install missing Debian packages first (with sudo when not root).
#   make package-check   the Debian package's round trip (CI runs it)

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
COV_BUILD  ?= build-coverage
JOBS       ?= $(shell nproc)
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
XVFB       := xvfb-run -a -s "-screen 0 1280x800x24"

PACKAGES := cmake make g++ pkg-config libwxgtk3.2-dev libcurl4-openssl-dev \
            libserialport-dev libx11-dev libgtest-dev libgmock-dev xvfb xauth kmod tzdata \
            libsm-dev libglib2.0-dev dbus
# Building and checking the Debian package (CI only).
PACKAGE_TOOLS := dpkg-dev file gzip desktop-file-utils appstream lintian

.PHONY: all deps package-deps configure build run test check-asan coverage bench fuzz package-check clean

all: build

# Installs the Debian packages of $(1) that are missing.
define install-missing
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi
endef

deps:
	$(call install-missing,$(PACKAGES))

package-deps: deps
	$(call install-missing,$(PACKAGE_TOOLS))

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Starts the program from the repository root, where it finds images/ and data/.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  ./$(BUILD)/aulavox-kesto; \
	else \
	  echo "no display: starting under Xvfb and taking a screenshot"; \
	  $(XVFB) sh -c './$(BUILD)/aulavox-kesto & pid=$$!; sleep 4; \
	    ./$(BUILD)/kesto-screenshot $(BUILD)/screenshot.png; rc=$$?; \
	    kill -TERM $$pid; wait $$pid; exit $$rc' && \
	  echo "screenshot saved to $(BUILD)/screenshot.png"; \
	fi

test: build
	cd $(BUILD) && $(XVFB) ctest --output-on-failure -j $(JOBS)

# The tests again with AddressSanitizer and UndefinedBehaviorSanitizer.
check-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKESTO_SANITIZE=ON -DKESTO_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 $(XVFB) ctest --output-on-failure -j $(JOBS)

# Line and branch coverage of src/ by the tests (needs gcovr; not part of make test or CI).
coverage: deps
	@command -v gcovr >/dev/null || { $(SUDO) apt-get install -y -qq gcovr; }
	cmake -S . -B $(COV_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKESTO_COVERAGE=ON -DKESTO_BENCH=OFF
	cmake --build $(COV_BUILD) -j $(JOBS)
	find $(COV_BUILD) -name '*.gcda' -delete
	cd $(COV_BUILD) && $(XVFB) ctest -j $(JOBS) || true
	gcovr --root . --filter 'src/' --exclude-throw-branches --exclude-unreachable-branches \
	  --print-summary --txt $(COV_BUILD)/coverage.txt $(COV_BUILD)

bench: build
	@for b in $(BUILD)/bench/bench-*; do [ -x "$$b" ] && echo "== $$b" && $(XVFB) "$$b"; done

# libFuzzer targets, built with clang; not part of the tests.
fuzz:
	@command -v clang++ >/dev/null || { $(SUDO) apt-get install -y -qq clang; }
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DKESTO_FUZZ=ON -DKESTO_TESTS=OFF -DKESTO_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Builds the Debian package, checks it, installs it, starts it once, removes it.
package-check: package-deps
	JOBS=$(JOBS) tools/package-check

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(COV_BUILD) build-package
