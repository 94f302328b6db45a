# Zarn: `make run` builds and starts the program, `make test` builds and runs
# every test, `make bench` runs the benchmarks. Missing Debian packages are
# installed first (with sudo when not root).

BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_BENCH ?= build-release
BUILD_FUZZ ?= build-fuzz
JOBS       ?= $(shell nproc)

PACKAGES = cmake make g++ pkg-config git \
	qt6-base-dev qt6-base-dev-tools libgl-dev \
	libglib2.0-dev libicu-dev libjpeg-dev libpng-dev zlib1g-dev \
	libgtest-dev libgmock-dev \
	shared-mime-info hicolor-icon-theme adwaita-icon-theme \
	xvfb xauth xdotool libx11-dev qt6-translations-l10n fonts-liberation \
	clang libclang-rt-14-dev coreutils findutils grep ripgrep

SUDO = $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build run test test-sanitize bench fuzz clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
		dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		echo "Installing: $$missing"; \
		$(SUDO) apt-get update -qq && \
		DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/zarn

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DZARN_SANITIZE=ON
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	cd $(BUILD_ASAN) && QT_QPA_PLATFORM=offscreen \
		ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BUILD_BENCH) -DCMAKE_BUILD_TYPE=Release -DZARN_TESTS=OFF -DZARN_BENCH=ON
	cmake --build $(BUILD_BENCH) -j $(JOBS)
	bench/run $(BUILD_BENCH)

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARN_TESTS=OFF -DZARN_FUZZ=ON
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target zarn_fuzz_all
	fuzz/run $(BUILD_FUZZ)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_BENCH) $(BUILD_FUZZ)
