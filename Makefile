# Zarn: `make run` builds and starts the program, `make test` builds and runs
# every test, `make bench` runs the benchmarks, `make install` installs it
# (PREFIX, DESTDIR), `make deb` builds its Debian package. Missing Debian
# packages are installed first (with sudo when not root).

BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_BENCH ?= build-release
BUILD_FUZZ ?= build-fuzz
BUILD_DEB  ?= build-deb
PREFIX     ?= /usr/local
JOBS       ?= $(shell nproc)

PACKAGES = cmake make g++ pkg-config git \
	qt6-base-dev qt6-base-dev-tools libgl-dev \
	libglib2.0-dev libicu-dev libjpeg-dev libjpeg-turbo-progs libpng-dev zlib1g-dev libisal-dev libarchive-dev \
	libfuse3-dev fuse3 libgtest-dev libgmock-dev \
	shared-mime-info hicolor-icon-theme adwaita-icon-theme \
	xvfb xauth xdotool libx11-dev qt6-translations-l10n fonts-liberation \
	clang libclang-rt-14-dev coreutils findutils grep ripgrep libarchive-tools zip \
	desktop-file-utils appstream
# Only `make deb` needs these: the package's dependencies come from
# dpkg-shlibdeps, and lintian checks the package.
DEB_PACKAGES = dpkg-dev lintian
# Only `make icons` needs this: it draws the committed PNG icons from the SVG.
ICON_PACKAGES = librsvg2-bin
ICON_SIZES = 16 32 48 64 128 256  # as ZARN_ICON_SIZES in CMakeLists.txt

SUDO = $(shell [ "$$(id -u)" = 0 ] || echo sudo)
# Root is asked for only when installing into a folder the user cannot write.
INSTALL_SUDO = $(shell [ -n "$(DESTDIR)" ] || [ -w "$(PREFIX)" ] || \
	{ [ ! -e "$(PREFIX)" ] && [ -w "$$(dirname "$(PREFIX)")" ]; } || echo $(SUDO))

.PHONY: all deps build run test test-sanitize bench fuzz clean install deb icons

all: build

# Installs those of the Debian packages $(1) that are missing.
define install-missing
	@missing=$$(for p in $(1); do \
		dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		echo "Installing: $$missing"; \
		$(SUDO) apt-get update -qq && \
		DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install-missing,$(PACKAGES))

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

install: build
	$(INSTALL_SUDO) env DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# The package is built in release mode with Debian's hardening flags, for /usr;
# it is left in this folder as zarn_<version>_<architecture>.deb.
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
deb: deps
	$(call install-missing,$(DEB_PACKAGES))
	CFLAGS="$$($(DEB_FLAGS) CPPFLAGS) $$($(DEB_FLAGS) CFLAGS)" \
		CXXFLAGS="$$($(DEB_FLAGS) CPPFLAGS) $$($(DEB_FLAGS) CXXFLAGS)" LDFLAGS="$$($(DEB_FLAGS) LDFLAGS)" \
		cmake -S . -B $(BUILD_DEB) -DCMAKE_BUILD_TYPE=Release -DZARN_TESTS=OFF \
		-DCMAKE_INSTALL_PREFIX=/usr -DZARN_DEBIAN_PACKAGE=ON
	cmake --build $(BUILD_DEB) -j $(JOBS)
	rm -f $(BUILD_DEB)/zarn_*.deb zarn_*.deb
	cd $(BUILD_DEB) && cpack -G DEB
	cp $(BUILD_DEB)/zarn_*.deb .
	lintian --fail-on error --info zarn_*.deb

icons:
	$(call install-missing,$(ICON_PACKAGES))
	for size in $(ICON_SIZES); do \
		mkdir -p data/icons/$$size && \
		rsvg-convert -w $$size -h $$size -o data/icons/$$size/zarn.png data/icons/zarn.svg || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_BENCH) $(BUILD_FUZZ) $(BUILD_DEB)
