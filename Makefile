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
            libsm-dev libglib2.0-dev dbus libgtk-3-dev
# The campus link (MQTT, JSON); its tests run a broker of their own.
PACKAGES += libmosquitto-dev nlohmann-json3-dev mosquitto
# The idle time of the X server; its tests move the pointer and fake logind.
PACKAGES += libxss-dev xdotool python3-dbusmock
# The screen reader's view of the window, read in the tests.
PACKAGES += at-spi2-core python3-pyatspi
# Building and checking the Debian package (CI only).
PACKAGE_TOOLS := dpkg-dev file gzip desktop-file-utils appstream lintian

.PHONY: all deps package-deps configure build run run-data test check-asan coverage bench crashloop fuzz package-check clean

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

# The try-out run: from the repository root (images/, data/), with a data
# folder of its own under $(BUILD) whose user file is the shipped projector
# file with its first projector as default, in demo mode.
RUN_DATA := $(CURDIR)/$(BUILD)/run-data
RUN_ENV  := XDG_DATA_HOME=$(RUN_DATA)

run-data:
	@mkdir -p $(RUN_DATA)/AulavoxTech
	@if [ ! -e $(RUN_DATA)/AulavoxTech/CustomList.txt ]; then \
	  cp data/AulavoxMaster.txt $(RUN_DATA)/AulavoxTech/CustomList.txt; \
	fi
	@if [ ! -e $(RUN_DATA)/AulavoxTech/AulavoxKesto.ini ]; then \
	  first=$$(grep -i -m1 '^projector:' data/AulavoxMaster.txt | sed 's/^[^:]*:[[:space:]]*//' | tr -d '\r'); \
	  printf '[Proj]\nDefault=%s\n' "$$first" > $(RUN_DATA)/AulavoxTech/AulavoxKesto.ini; \
	  echo "try-out data folder $(RUN_DATA)/AulavoxTech, default projector: $$first"; \
	fi

run: build run-data
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(RUN_ENV) ./$(BUILD)/aulavox-kesto --demo; \
	else \
	  echo "no display: starting under Xvfb and taking a screenshot"; \
	  $(RUN_ENV) $(XVFB) sh -c './$(BUILD)/aulavox-kesto --demo & pid=$$!; sleep 4; \
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
	@for b in $(BUILD)/bench/bench-*; do [ "$${b##*/}" != bench-crashloop ] && [ -x "$$b" ] && \
	  echo "== $$b" && $(XVFB) "$$b"; done

# kill -9 at random moments of file writing, then check every file (long:
# some 200 program starts). RUNS=N for another count.
crashloop: build
	$(XVFB) $(BUILD)/bench/bench-crashloop $(RUNS)

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
